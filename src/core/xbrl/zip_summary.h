#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The earnings summary inside the exchange's XBRL ZIP, read from memory:
// nothing of the archive is ever written to disk.
namespace zelmora {

struct XbrlZipLimits {
    std::size_t maxZipBytes = 20u << 20;
    std::size_t maxUnpackedBytes = 50u << 20; // all entries together, as the archive states them
    std::size_t maxEntries = 2'000;
};
inline constexpr XbrlZipLimits kXbrlZipLimits{};

struct ZipSummary {
    std::string name;  // the entry's name; empty when none was read
    std::string bytes; // the summary's bytes
    std::string reason; // why there is none (English, for the log and the tool)
};

// True for an entry named XBRLData/Summary/<name>-ixbrl.htm (below any
// folder), whatever the letter case of the ending.
bool IsSummaryEntry(std::string_view entryName);

// Finds and unpacks the summary. An archive over the limits (its size, its
// number of entries, or the unpacked sizes its central directory states) is
// refused before any entry is unpacked, and an entry that unpacks to more
// than it stated is refused too. With several summaries the first by name
// is taken.
ZipSummary ReadSummaryFromZip(std::string_view zip, const XbrlZipLimits& limits = kXbrlZipLimits);

// The same refusal, for tests and the fuzz target: the reason an archive is
// refused from its directory alone, or nothing when it is within the limits.
std::optional<std::string> ZipRefusal(std::string_view zip, const XbrlZipLimits& limits = kXbrlZipLimits);

} // namespace zelmora
