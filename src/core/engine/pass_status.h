#pragma once

#include <array>
#include <vector>

#include <mutex>
#include <string>

#include "core/engine/watcher_observer.h"
#include "core/quotes/layout_change_watch.h"
#include "core/quotes/quote_pass.h"

namespace zelmora {

// The status label both kinds of pass share, and what the quote passes tell
// of the quote pages: no page answered (the watch is blind), or their layout
// looks changed. Every change of the label is reported.
class PassStatus {
public:
    explicit PassStatus(WatcherObserver& observer) : m_observer(observer) {}

    std::string Text() const;
    bool LayoutWarning() const;
    bool Blind() const;
    // Tokyo "HH:MM" of the last quote pass that got pages; empty when none did.
    std::string LastGoodTime() const;
    // The price mail's first line while the watch is blind, else nothing.
    std::string StalePricesNote() const;
    // The index labels' texts as the last passes left them, for the price
    // mail: "value change" per index that has been read.
    std::vector<std::string> IndexLines() const;
    void SetIndex(std::size_t index, const std::string& valueText, const std::string& changeText);

    void SetQuoteProgress(const std::string& text);
    void SetDisclosureRunning(bool running);
    void SetHistoryError(const std::string& text);
    // A quote pass that no server answered at all makes the watch blind;
    // only one that got pages ends it (one answered with errors alone leaves
    // it as it was). `now` is Tokyo "HH:MM".
    void RecordQuotePass(const QuotePassOutcome& outcome, int pagesReceived, const std::string& now);

private:
    std::string TextLocked() const;
    void Changed(std::unique_lock<std::mutex>& hold);

    WatcherObserver& m_observer;
    mutable std::mutex m_lock;
    std::string m_quoteProgress;
    bool m_disclosureRunning = false;
    std::string m_historyError;
    // No quote page answered in the last pass that asked for any, and none
    // since; the prices are those of m_lastGoodTime.
    bool m_blind = false;
    std::string m_lastGoodTime;
    std::array<std::string, 4> m_indexLines;
    LayoutChangeWatch m_layoutWatch;
};

} // namespace zelmora
