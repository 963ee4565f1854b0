#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/net/http_session.h"

namespace zelmora {

// What a disclosure pass needs, copied when the pass is asked for: it keeps
// the date it was started with.
struct DisclosurePassConfig {
    std::string programFolder;
    std::string listBase; // ends with "/"
    std::string date;     // yyyymmdd scanned
    std::string today;    // yyyymmdd of Tokyo's clock; only today's disclosures are news
    bool downloadDocuments = false;
    // The watcher's count of date changes when the pass was asked for; it
    // drops results of a pass that began before a later change.
    std::uint64_t scan = 0;
};

// The watch list as a disclosure pass sees it. The pass calls it from its
// own thread; nothing here may wait for the window's thread.
class DisclosurePassTarget {
public:
    virtual ~DisclosurePassTarget() = default;

    // True once the program is closing: the pass then asks for nothing more.
    virtual bool Stopping() = 0;
    // The status label shows that a pass runs while any pass runs.
    virtual void SetDisclosureRunning(bool running) = 0;
    // The code of every list row, in list order, as it is now.
    virtual std::vector<std::string> RowCodes() = 0;
    // A hit of the row's stock: marks the row's disclosure column and adds
    // the entry to the row's store unless the row holds that entry already.
    // Returns true when the entry was added; false when it was known, the
    // row no longer holds `code`, or the date has changed since scan `scan`
    // began.
    virtual bool RecordDisclosureHit(std::uint64_t scan, std::size_t row, const std::string& code,
                                   const std::string& entryText) = 0;
    // A disclosure of today that the stock's history file does not know,
    // before the history records it: the target writes what must outlive a
    // close or a crash (its mail, its notice). False when that could not be
    // written: the history then stays as it was, so the next start finds
    // the disclosure again. figures: the line of its XBRL figures
    // (Shift_JIS), empty when it has none.
    virtual bool KeepNewDisclosure(const std::string& date, const std::string& code, const std::string& entryText,
                                   const std::string& documentAddress, const std::string& figures) = 0;
    // The same disclosure, now in the history file. Must not wait for the
    // mail to go out.
    virtual void NewDisclosureRecorded(std::size_t row, const std::string& date, const std::string& code,
                                       const std::string& entryText, const std::string& figures) = 0;
    // The history file could not take the disclosure's line (its path given):
    // every pass will find it new again.
    virtual void HistoryNotWritten(const std::string& path, const std::string& date, const std::string& code,
                                   const std::string& entryText) = 0;
};

// One pass over the listing pages of config.date, from page 1 until the
// first page that is not answered with status 200 (or is too large), at
// most the last page the exchange can number, in one session. A new
// disclosure of today with an XBRL link has its ZIP read first, so its mail
// and notice carry the figures and wait at most for that download; the
// figures go to kessan.txt beside the history. Returns how many
// disclosures it recorded for the first time.
int DisclosurePass(DisclosurePassTarget& target, const DisclosurePassConfig& config, HttpSession& session);

} // namespace zelmora
