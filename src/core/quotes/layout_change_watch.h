#pragma once

#include "core/quotes/quote_pass.h"

namespace zelmora {

// Tells when the quote pages look changed: three finished passes in a row in
// which every page answered 200 and yet no list row had a usable quote.
// Passes with a failed page or another status are left out of the count (an
// outage is not a layout change) and do not break it; a pass with a usable
// quote ends the warning and the count. Passes without list rows say nothing.
class LayoutChangeWatch {
public:
    enum class Change { None, Raised, Cleared };

    static constexpr int kPassesToWarn = 3;

    // Takes the outcome of a finished pass; says Raised or Cleared only when
    // the warning changes, once per change.
    Change Record(const QuotePassOutcome& outcome);

    bool Warning() const { return m_warning; }

private:
    int m_suspectPasses = 0;
    bool m_warning = false;
};

} // namespace zelmora
