// The rule learner over any page and any six values a user may type: what it
// says it learned, the real extraction reads back from the page.
#include <algorithm>
#include <array>
#include <string>

#include "core/quotes/marker_rule_learner.h"
#include "fuzz_input.h"

using namespace zelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, QuoteValueCount + 1);
    SeenValues seen;
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        if (!parts[v].empty())
            seen[v] = std::string(parts[v]);
    }
    const std::string_view page = parts[QuoteValueCount];

    const LearnedRules learned = LearnMarkerRules(page, seen);
    // A proposed window is one the settings file can keep.
    FUZZ_CHECK(ParsePieceWindow(PieceWindowText(learned.window)) == learned.window);
    // The text form is what the settings file keeps: it parses back to the
    // same rules.
    for (std::size_t i = 0; i < RuleCount; ++i)
        FUZZ_CHECK(ParseMarkerRule(learned.texts[i], i == RuleKey) == learned.rules[i]);

    // What is learned reads back; everything else has the rule that gives
    // "nodata" (on a page that does not hold its prefix), unless nothing is
    // learned and the built-in rules stay.
    const QuoteValues read = ValuesOfPage(page, learned.rules, learned.window);
    std::array<bool, QuoteValueCount> learnedIt{};
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        learnedIt[v] = seen[v] && learned.problems[v] == LearnProblem::None;
        FUZZ_CHECK(seen[v] || learned.problems[v] == LearnProblem::None);
        if (learnedIt[v])
            FUZZ_CHECK(read[v] == *seen[v]);
    }
    if (std::find(learnedIt.begin(), learnedIt.end(), true) == learnedIt.end()) {
        FUZZ_CHECK(learned.rules == Settings().markerRules);
        return 0;
    }
    for (std::size_t v = 0; v < QuoteValueCount; ++v) {
        if (learnedIt[v])
            continue;
        FUZZ_CHECK(learned.rules[RuleName + v].prefix == "<nodata>");
        if (page.find("<nodata>") == std::string_view::npos)
            FUZZ_CHECK(read[v] == "nodata");
    }
    return 0;
}
