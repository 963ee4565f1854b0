#pragma once

#include <curl/curl.h>

#include <memory>

#include "core/quotes/network_limits.h"

// What every libcurl transfer of the program shares: owned handles, the
// one-time library set-up, and the limits and TLS checks of a transfer.
namespace zelmora {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using CurlList = std::unique_ptr<curl_slist, SlistDeleter>;

// Sets the library up once, from whichever thread comes first.
bool CurlReady();

// Time-outs, the low-speed limit and certificate checks; false when libcurl
// refused one of them.
bool SetTransferLimits(CURL* handle, const NetworkLimits& limits);

} // namespace zelmora
