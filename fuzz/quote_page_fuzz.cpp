// A quote page as the service may send it: the window cut from the body in
// chunks of any size, the values cut out of it by marker rules, and the
// record split back into its six values.
#include <string>

#include "core/quotes/page_window_cutter.h"
#include "core/quotes/quote_record.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

// Seven lines, one rule value each in the file's text form; missing lines
// keep the built-in rules.
MarkerRules RulesFrom(std::string_view text)
{
    MarkerRules rules = Settings().markerRules;
    for (std::size_t i = 0; i < RuleCount && !text.empty(); ++i) {
        const std::size_t end = text.find('\n');
        rules[i] = ParseMarkerRule(text.substr(0, end), i == RuleKey);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return rules;
}

std::string CutInChunks(std::string_view body, std::string_view chunkSizes, std::size_t& pieces)
{
    PageWindowCutter cutter;
    for (std::size_t i = 0; !body.empty(); ++i) {
        const std::size_t size = chunkSizes.empty() ? body.size() : 1 + static_cast<unsigned char>(chunkSizes[i % chunkSizes.size()]) * 37u;
        const bool done = cutter.Feed(body.substr(0, size));
        FUZZ_CHECK(done == cutter.Done());
        body.remove_prefix(std::min(size, body.size()));
    }
    cutter.Finish();
    pieces = cutter.PieceCount();
    return cutter.TakeWindow();
}

// A record is empty, or six values each closed by a "_" that the split finds.
void CheckRecord(const std::string& record)
{
    if (record.empty())
        return;
    const QuoteValues values = SplitQuoteRecord(record);
    std::string joined;
    for (const std::string& value : values)
        joined += value + "_";
    FUZZ_CHECK(record.compare(0, joined.size(), joined) == 0);
    for (const std::string& value : values)
        FUZZ_CHECK(fuzz::EndsOnCharacter(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, 3);
    const MarkerRules rules = RulesFrom(parts[0]);
    const std::string_view body = parts[2];

    std::size_t pieces = 0;
    const std::string window = CutInChunks(body, parts[1], pieces);
    FUZZ_CHECK(window == CutPageWindow(body));
    FUZZ_CHECK(window.size() <= kMaxWindowBytes && window.size() <= body.size());
    FUZZ_CHECK(pieces <= PieceWindow{}.last);
    FUZZ_CHECK(window.empty() == (pieces < PieceWindow{}.first));

    // The window of a real page, and the whole short page of a test.
    CheckRecord(ExtractQuoteRecord(window, rules));
    CheckRecord(ExtractQuoteRecord(body, rules));
    return 0;
}
