// kaijistr.txt as any program or hand may have left it, and the split of
// its lines into the caption and the address the disclosure menu shows.
#include <string>
#include <vector>

#include "core/disclosure/history_file.h"
#include "core/disclosure/history_line.h"
#include "fuzz_input.h"

using namespace zelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitHistoryLines(bytes);

    // Every byte but the line ends is kept, in order.
    std::size_t kept = 0;
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        kept += line.size();
    }
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            lineEnds += i > 0 && bytes[i - 1] == '\r' ? 2 : 1;
    }
    FUZZ_CHECK(kept + lineEnds == bytes.size() || (kept + lineEnds + 1 == bytes.size() && bytes.back() == '\r'));

    for (const std::string& line : lines) {
        // The split loses nothing but the "_" between the two, with or
        // without a listing base address to look for.
        for (const std::string_view listBase : {"", "https://www.release.tdnet.info/inbs/"}) {
            const HistoryEntry entry = SplitHistoryLine(line, listBase);
            FUZZ_CHECK(entry.caption == line ? entry.address.empty() : entry.caption + "_" + entry.address == line);
        }
    }
    return 0;
}
