#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <string_view>

#include "core/quotes/network_limits.h"

// The one way the program sets up an HTTP GET with libcurl: only http and
// https (also after redirects), its agent name, past caches, redirects,
// time-outs and TLS checks from the network limits.
namespace zelmora {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlHeaders = std::unique_ptr<curl_slist, SlistDeleter>;

// libcurl would otherwise guess a scheme for "example" or accept file: and
// other protocols from a hand-edited address.
bool IsHttpAddress(std::string_view address);

// A handle for one GET of address whose body goes to write(data); nothing
// when the address is no http address or libcurl cannot be set up. The
// headers must live as long as the handle.
CurlHandle OpenHttpGet(const std::string& address, const NetworkLimits& limits, CurlHeaders& headers,
                       curl_write_callback write, void* data);

} // namespace zelmora
