#include "core/quotes/layout_change_watch.h"

namespace zelmora {

LayoutChangeWatch::Change LayoutChangeWatch::Record(const QuotePassOutcome& outcome)
{
    if (outcome.rowsUsable > 0) {
        m_suspectPasses = 0;
        if (!m_warning)
            return Change::None;
        m_warning = false;
        return Change::Cleared;
    }
    if (outcome.rowsFetched == 0 || outcome.pagesNotOk > 0)
        return Change::None;
    if (m_warning || ++m_suspectPasses < kPassesToWarn)
        return Change::None;
    m_warning = true;
    return Change::Raised;
}

} // namespace zelmora
