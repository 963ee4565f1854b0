#include "core/disclosure/disclosure_pass.h"

#include "core/disclosure/document_path.h"
#include "core/disclosure/history_file.h"
#include "core/disclosure/listing_scan.h"
#include "core/disclosure/whole_page_fetch.h"
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

void HandleHit(DisclosurePassWindow& window, const DisclosurePassConfig& config, const ListingHit& hit,
               const std::string& code)
{
    const std::string entry = EntryText(hit);
    const std::string documentPath = MakeDocumentPath(config.programFolder, config.date, code, hit.href);
    if (!window.ShowDisclosureHit(config.scan, hit.keyIndex, code, entry, documentPath))
        return;
    const bool isNew = RecordDisclosure(HistoryFilePath(config.programFolder, config.date, code), entry,
                                        config.listBase, hit.href);
    if (isNew && config.mailOn && config.date == config.today)
        window.SendDisclosureMail(code, entry);
    if (config.downloadDocuments && !documentPath.empty() && !window.Stopping())
        DownloadDocument(config.listBase + hit.href, documentPath);
}

// False when the page was not there: the pass ends.
bool ScanPage(DisclosurePassWindow& window, const DisclosurePassConfig& config, int page)
{
    const WholeBody body = FetchWholeBody(ListingPageAddress(config.listBase, page, config.date), kMaxListingPageBytes);
    if (body.kind != WholeBody::Ok)
        return false;
    // Titles go into files, menus and mails as Shift_JIS, whatever the
    // exchange serves its pages in.
    std::string text;
    ConvertToShiftJis(body.bytes, text);
    const std::vector<std::string> codes = window.RowCodes();
    ScanListingPage(text, KeysOf(codes, config), [&](const ListingHit& hit) {
        if (window.Stopping())
            return false;
        HandleHit(window, config, hit, codes[hit.keyIndex]);
        return true;
    });
    return true;
}

} // namespace

void DisclosurePass(DisclosurePassWindow& window, const DisclosurePassConfig& config)
{
    window.ShowDisclosureProgress(true);
    try {
        for (int page = 1; page <= kLastListingPage && !window.Stopping(); ++page) {
            if (!ScanPage(window, config, page))
                break;
        }
    } catch (...) {
        // A pass that fails for any other reason (memory) just ends early.
    }
    window.ShowDisclosureProgress(false);
}

} // namespace zelmora
