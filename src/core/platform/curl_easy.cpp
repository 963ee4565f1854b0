#include "core/platform/curl_easy.h"

namespace zelmora {

bool CurlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool SetTransferLimits(CURL* handle, const NetworkLimits& limits)
{
    bool set = true;
    auto opt = [&](CURLoption option, auto value) { set = set && curl_easy_setopt(handle, option, value) == CURLE_OK; };
    opt(CURLOPT_NOSIGNAL, 1L);
    opt(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    opt(CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    if (limits.lowSpeedBytesPerSecond > 0) {
        opt(CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
        opt(CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    }
    opt(CURLOPT_SSL_VERIFYPEER, 1L);
    opt(CURLOPT_SSL_VERIFYHOST, 2L);
    return set;
}

} // namespace zelmora
