// The tray's tip and menu texts from a row whose cells came from a quote page.
#include <string>

#include "core/tray/tray_texts.h"
#include "fuzz_input.h"

using namespace zelmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::SplitParts(data, size, 7);
    WatchList list;
    list.InsertRow(0, std::string(parts[0]));
    const Column columns[] = {ColName, ColTime, ColPrice, ColChange, ColTrend};
    for (std::size_t i = 0; i < std::size(columns); ++i)
        list.SetCell(0, columns[i], std::string(parts[i + 1]));
    // The last part, when there is one, is a disclosure found for the row.
    if (!parts[6].empty())
        list.AddDisclosure(0, std::string(parts[6]));

    for (std::size_t row : {0, 1}) {
        for (const bool layoutWarning : {false, true}) {
            const std::string tip = BuildTrayTip(list, row, layoutWarning);
            FUZZ_CHECK(tip.size() <= kTrayTipMaxBytes && fuzz::EndsOnCharacter(tip));
        }
        BuildTrayRowLabel(list, row);
        FUZZ_CHECK(TrayPictureOfRow(list, row) < TrayPictureCount);
        MarkOfTrend(list.Cell(0, ColTrend));
        MarkOfIndexChange(list.Cell(0, ColChange));
    }
    return 0;
}
