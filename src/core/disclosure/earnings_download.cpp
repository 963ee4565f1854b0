#include "core/disclosure/earnings_download.h"

#include "core/disclosure/document_download.h"
#include "core/disclosure/document_path.h"
#include "core/net/whole_body_fetch.h"
#include "core/text/code_page.h"
#include "core/xbrl/xbrl_reader.h"

namespace zelmora {

std::string DownloadEarningsFigures(HttpSession& session, const std::string& listBase, const std::string& xbrlHref)
{
    // A link that could not name a document cannot name the ZIP either.
    if (xbrlHref.empty() || DocumentFileName(xbrlHref).empty())
        return {};
    const WholeBody zip = FetchWholeBody(session, listBase + xbrlHref, kXbrlZipLimits.maxZipBytes, kDocumentLimits);
    if (zip.kind != WholeBody::Ok)
        return {};
    return Utf8ToSjis(ReadEarnings(zip.bytes).line);
}

} // namespace zelmora
