#include "core/disclosure/disclosure_pass.h"

#include "core/disclosure/document_download.h"
#include "core/disclosure/document_path.h"
#include "core/disclosure/earnings_download.h"
#include "core/disclosure/earnings_file.h"
#include "core/disclosure/history_file.h"
#include "core/disclosure/listing_scan.h"
#include "core/net/whole_body_fetch.h"
#include "core/quotes/quote_pass.h"
#include "core/text/encoding_converter.h"

namespace zelmora {
namespace {

// Codes too short to be looked up, or that cannot name their folder, get no
// key: an empty code would otherwise match every "0" of the page.
std::vector<std::string> KeysOf(const std::vector<std::string>& codes, const DisclosurePassConfig& config)
{
    std::vector<std::string> keys;
    keys.reserve(codes.size());
    for (const std::string& code : codes) {
        const bool usable = code.size() >= kMinCodeLength && !DocumentFolder(config.programFolder, config.date, code).empty();
        keys.push_back(usable ? DisclosureKey(code) : std::string());
    }
    return keys;
}

// True when the disclosure was recorded for the first time.
bool HandleHit(DisclosurePassTarget& target, const DisclosurePassConfig& config, HttpSession& session,
               const ListingHit& hit, const std::string& code)
{
    const std::string entry = EntryText(hit);
    if (!target.RecordDisclosureHit(config.scan, hit.keyIndex, code, entry))
        return false;
    // Making the document's path makes the stock's folder, where the
    // history file goes too.
    const std::string documentPath = MakeDocumentPath(config.programFolder, config.date, code, hit.href);
    const std::string historyPath = HistoryFilePath(config.programFolder, config.date, code);
    // The mail and the notice are written before the history line: a close
    // or a crash in between sends them (again, at worst), never forgets them.
    const bool isNew = !KnowsDisclosure(historyPath, entry, config.listBase, hit.href);
    const bool news = isNew && config.date == config.today;
    // A close cuts the download short; the mail then goes without figures.
    const std::string figures =
        news && !target.Stopping() ? DownloadEarningsFigures(session, config.listBase, hit.xbrlHref) : std::string();
    if (news && !target.KeepNewDisclosure(config.date, code, entry, config.listBase + hit.href, figures))
        return false;
    // Before the history line too: a crash in between reads the ZIP again.
    if (!figures.empty())
        RecordFigures(EarningsFilePath(config.programFolder, config.date, code), entry, figures);
    RecordDisclosure(historyPath, entry, config.listBase, hit.href);
    if (news)
        target.NewDisclosureRecorded(hit.keyIndex, config.date, code, entry, figures);
    if (isNew && !KnowsDisclosure(historyPath, entry, config.listBase, hit.href))
        target.HistoryNotWritten(historyPath, config.date, code, entry);
    if (config.downloadDocuments && !documentPath.empty() && !target.Stopping())
        DownloadDocument(session, config.listBase + hit.href, documentPath);
    return isNew;
}

// False when the page was not there: the pass ends.
bool ScanPage(DisclosurePassTarget& target, const DisclosurePassConfig& config, HttpSession& session, int page,
              int& newDisclosures)
{
    const WholeBody body =
        FetchWholeBody(session, ListingPageAddress(config.listBase, page, config.date), kMaxListingPageBytes);
    if (body.kind != WholeBody::Ok)
        return false;
    // Titles go into files, menus and mails as Shift_JIS, whatever the
    // exchange serves its pages in.
    std::string text;
    ConvertToShiftJis(body.bytes, text);
    const std::vector<std::string> codes = target.RowCodes();
    ScanListingPage(text, KeysOf(codes, config), [&](const ListingHit& hit) {
        if (target.Stopping())
            return false;
        newDisclosures += HandleHit(target, config, session, hit, codes[hit.keyIndex]) ? 1 : 0;
        return true;
    });
    return true;
}

} // namespace

int DisclosurePass(DisclosurePassTarget& target, const DisclosurePassConfig& config, HttpSession& session)
{
    target.SetDisclosureRunning(true);
    int newDisclosures = 0;
    try {
        for (int page = 1; page <= kLastListingPage && !target.Stopping(); ++page) {
            if (!ScanPage(target, config, session, page, newDisclosures))
                break;
        }
    } catch (...) {
        // A pass that fails for any other reason (memory) just ends early.
    }
    target.SetDisclosureRunning(false);
    return newDisclosures;
}

} // namespace zelmora
