#pragma once

#include <string>
#include <string_view>

#include "core/platform/curl_easy.h"

// The one way the program sets up an HTTP GET with libcurl: only http and
// https (also after redirects), its agent name, past caches, redirects,
// time-outs and TLS checks from the network limits.
namespace zelmora {

using CurlHeaders = CurlList;

// libcurl would otherwise guess a scheme for "example" or accept file: and
// other protocols from a hand-edited address.
bool IsHttpAddress(std::string_view address);

// True while the answer being received is a 200; redirect bodies never
// reach a write callback, so there it is the final status.
bool AnswersOk(CURL* handle);

// A handle for one GET of address whose body goes to write(data); nothing
// when the address is no http address or libcurl cannot be set up. The
// headers must live as long as the handle.
CurlHandle OpenHttpGet(const std::string& address, const NetworkLimits& limits, CurlHeaders& headers,
                       curl_write_callback write, void* data);

} // namespace zelmora
