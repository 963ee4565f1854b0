#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/quotes/layout_change_watch.h"

using namespace zelmora;

namespace {

// Passes of three list rows, four indices and no entry row.
const QuotePassOutcome kNoUsableRow{7, 0, 3, 0};   // every page 200, no anchor or no price
const QuotePassOutcome kUsableRow{7, 0, 3, 1};
const QuotePassOutcome kOutage{7, 7, 3, 0};        // nothing answered
const QuotePassOutcome kOneFailure{7, 1, 3, 0};    // one page failed or answered 404
const QuotePassOutcome kUsableDespiteFailure{7, 2, 3, 1};
const QuotePassOutcome kNoRows{4, 0, 0, 0};        // only the indices

} // namespace

TEST(LayoutChangeWatch, WarnsAfterThreePassesInARowAndOncePerChange)
{
    using Change = LayoutChangeWatch::Change;
    const Change n = Change::None, raised = Change::Raised, cleared = Change::Cleared;
    struct Case {
        const char* what;
        std::vector<QuotePassOutcome> passes;
        std::vector<Change> changes;
    };
    const std::vector<Case> cases{
        {"three passes without a usable quote", {kNoUsableRow, kNoUsableRow, kNoUsableRow}, {n, n, raised}},
        {"said once, not every pass", {kNoUsableRow, kNoUsableRow, kNoUsableRow, kNoUsableRow, kNoUsableRow},
         {n, n, raised, n, n}},
        {"a usable quote clears it", {kNoUsableRow, kNoUsableRow, kNoUsableRow, kUsableRow, kUsableRow},
         {n, n, raised, cleared, n}},
        {"and the count starts again", {kNoUsableRow, kNoUsableRow, kNoUsableRow, kUsableRow, kNoUsableRow, kNoUsableRow, kNoUsableRow},
         {n, n, raised, cleared, n, n, raised}},
        {"a usable quote before the third pass", {kNoUsableRow, kNoUsableRow, kUsableRow, kNoUsableRow, kNoUsableRow},
         {n, n, n, n, n}},
        {"an outage never raises it", {kOutage, kOutage, kOutage, kOutage}, {n, n, n, n}},
        {"nor one failed page", {kOneFailure, kOneFailure, kOneFailure}, {n, n, n}},
        {"failed passes do not count toward three", {kNoUsableRow, kOutage, kNoUsableRow, kOneFailure, kNoUsableRow},
         {n, n, n, n, raised}},
        {"a failed pass keeps the warning", {kNoUsableRow, kNoUsableRow, kNoUsableRow, kOutage}, {n, n, raised, n}},
        {"a usable quote clears it despite failures", {kNoUsableRow, kNoUsableRow, kNoUsableRow, kUsableDespiteFailure},
         {n, n, raised, cleared}},
        {"a list without rows says nothing", {kNoRows, kNoRows, kNoRows}, {n, n, n}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutChangeWatch watch;
        std::vector<Change> changes;
        for (const QuotePassOutcome& pass : c.passes)
            changes.push_back(watch.Record(pass));
        EXPECT_EQ(changes, c.changes);
        const auto lastChange = std::find_if(changes.rbegin(), changes.rend(), [&](Change x) { return x != n; });
        EXPECT_EQ(watch.Warning(), lastChange != changes.rend() && *lastChange == raised);
    }
}
