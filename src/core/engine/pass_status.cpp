#include "core/engine/pass_status.h"

#include "core/text/texts.h"

namespace zelmora {

std::string PassStatus::Text() const
{
    const std::lock_guard hold(m_lock);
    return TextLocked();
}

// While a disclosure pass runs the label says so, else it shows what the
// quote side last set, or, when that is nothing, that no quote page
// answered, or a warning that the quote pages look changed.
std::string PassStatus::TextLocked() const
{
    if (m_disclosureRunning)
        return texts::Sjis(texts::DataFetching);
    if (!m_quoteProgress.empty())
        return m_quoteProgress;
    if (!m_historyError.empty())
        return m_historyError;
    if (m_blind && !m_lastGoodTime.empty())
        return texts::Format(texts::QuoteFetchErrorSinceFormat, m_lastGoodTime);
    if (m_blind)
        return texts::Sjis(texts::QuoteFetchError);
    if (m_layoutWatch.Warning())
        return texts::Sjis(texts::LayoutChangeWarning);
    return {};
}

bool PassStatus::LayoutWarning() const
{
    const std::lock_guard hold(m_lock);
    return m_layoutWatch.Warning();
}

bool PassStatus::Blind() const
{
    const std::lock_guard hold(m_lock);
    return m_blind;
}

std::string PassStatus::LastGoodTime() const
{
    const std::lock_guard hold(m_lock);
    return m_lastGoodTime;
}

std::vector<std::string> PassStatus::IndexLines() const
{
    const std::lock_guard hold(m_lock);
    std::vector<std::string> lines;
    for (const std::string& line : m_indexLines) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

void PassStatus::SetIndex(std::size_t index, const std::string& valueText, const std::string& changeText)
{
    const std::lock_guard hold(m_lock);
    if (index < m_indexLines.size())
        m_indexLines[index] = valueText + " " + changeText;
}

std::string PassStatus::StalePricesNote() const
{
    const std::lock_guard hold(m_lock);
    if (!m_blind)
        return {};
    if (m_lastGoodTime.empty())
        return texts::Sjis(texts::QuoteFetchError) + "\n";
    return texts::Format(texts::PriceMailStaleFormat, m_lastGoodTime) + "\n";
}

void PassStatus::SetQuoteProgress(const std::string& text)
{
    std::unique_lock hold(m_lock);
    m_quoteProgress = text;
    Changed(hold);
}

void PassStatus::SetDisclosureRunning(bool running)
{
    std::unique_lock hold(m_lock);
    m_disclosureRunning = running;
    Changed(hold);
}

void PassStatus::SetHistoryError(const std::string& text)
{
    std::unique_lock hold(m_lock);
    m_historyError = text;
    Changed(hold);
}

void PassStatus::RecordQuotePass(const QuotePassOutcome& outcome, int pagesReceived, const std::string& now)
{
    std::unique_lock hold(m_lock);
    bool changed = m_layoutWatch.Record(outcome) != LayoutChangeWatch::Change::None;
    const bool blind = outcome.pagesFetched > 0 && outcome.pagesUnanswered == outcome.pagesFetched;
    if (pagesReceived > 0)
        m_lastGoodTime = now;
    if (blind != m_blind && (blind || pagesReceived > 0)) {
        m_blind = blind;
        changed = true;
    }
    if (changed)
        Changed(hold);
}

// Reported after the lock is let go, so the owner may read back at once.
void PassStatus::Changed(std::unique_lock<std::mutex>& hold)
{
    const std::string text = TextLocked();
    hold.unlock();
    m_observer.StatusChanged(text);
}

} // namespace zelmora
