#pragma once

#include <string>

#include "core/net/http_session.h"

namespace zelmora {

// Downloads a release's XBRL ZIP into memory (at most 20 MB, with the
// documents' time-outs and the session's stop flag) and returns its figures
// line in Shift_JIS; empty when the link names no safe file, the download
// failed or the ZIP gives no figures. Nothing is written to disk.
std::string DownloadEarningsFigures(HttpSession& session, const std::string& listBase, const std::string& xbrlHref);

} // namespace zelmora
