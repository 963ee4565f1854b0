// A disclosure listing page as the exchange, or anyone in between, may send
// it, scanned for the watched stocks' keys.
#include <set>
#include <string>
#include <vector>

#include "core/disclosure/listing_scan.h"
#include "fuzz_input.h"

using namespace zelmora;

namespace {

// One key per line, at most a watch list's worth.
std::vector<std::string> KeysFrom(std::string_view text)
{
    std::vector<std::string> keys;
    while (!text.empty() && keys.size() < 15) {
        const std::size_t end = text.find('\n');
        keys.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return keys;
}

// Hits of one entry repeat their pieces: each is looked up once.
class PageText {
public:
    explicit PageText(std::string_view page) : m_page(page) {}
    bool Holds(const std::string& piece)
    {
        return piece.empty() || m_found.contains(piece) ||
               (m_page.find(piece) != std::string_view::npos && m_found.insert(piece).second);
    }

private:
    std::string_view m_page;
    std::set<std::string> m_found;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, 2);
    const std::vector<std::string> keys = KeysFrom(parts[0]);
    const std::string_view page = parts[1];

    PageText text(page);
    std::size_t keyIndex = 0;
    ScanListingPage(page, keys, [&](const ListingHit& hit) {
        // Key by key, and never a key that cannot match.
        FUZZ_CHECK(hit.keyIndex >= keyIndex && hit.keyIndex < keys.size() && !keys[hit.keyIndex].empty());
        keyIndex = hit.keyIndex;
        FUZZ_CHECK(hit.time.size() <= 5 && (hit.time.empty() || hit.time.find(':') != std::string::npos));
        FUZZ_CHECK(hit.href.find('"') == std::string::npos);
        FUZZ_CHECK(hit.title.find('\n') == std::string::npos);
        FUZZ_CHECK(text.Holds(hit.time) && text.Holds(hit.href) && text.Holds(hit.title) && text.Holds(hit.xbrlHref));
        FUZZ_CHECK(hit.xbrlHref.find('"') == std::string::npos);
        return true;
    });
    return 0;
}
