#include "core/disclosure/document_download.h"

#include "core/net/whole_body_fetch.h"
#include "core/platform/atomic_file.h"

namespace zelmora {

std::string DownloadDocument(HttpSession& session, const std::string& address, const std::string& path,
                             const NetworkLimits& limits)
{
    const WholeBody document = FetchWholeBody(session, address, kMaxDocumentBytes, limits);
    if (document.kind == WholeBody::Ok && !path.empty())
        WriteFileAtomically(path, document.bytes);
    return std::to_string(document.status);
}

} // namespace zelmora
