#include "core/tray/tray_texts.h"

#include "core/text/sjis.h"
#include "core/text/texts.h"

namespace zelmora {
namespace {

const std::string& CellOrEmpty(const WatchList& list, std::size_t row, Column column)
{
    static const std::string empty;
    return row < list.RowCount() ? list.Cell(row, column) : empty;
}

bool HasDisclosures(const WatchList& list, std::size_t row)
{
    return row < list.RowCount() && !list.Disclosures(row).empty();
}

} // namespace

std::string BuildTrayTip(const WatchList& list, std::size_t row, bool layoutWarning, bool quotesBlind)
{
    const texts::Id format = HasDisclosures(list, row) ? texts::TrayTipNewsFormat : texts::TrayTipFormat;
    const auto tipWith = [&](Column nameColumn) {
        return texts::Format(format, CellOrEmpty(list, row, ColTrend), CellOrEmpty(list, row, nameColumn),
                          CellOrEmpty(list, row, ColTime), CellOrEmpty(list, row, ColPrice),
                          CellOrEmpty(list, row, ColChange));
    };
    std::string tip = tipWith(ColName);
    if (tip.size() > kTrayTipNameMaxBytes)
        tip = tipWith(ColCode);
    // No answer at all says more than a page that reads oddly.
    if (quotesBlind)
        tip = texts::Sjis(texts::QuoteFetchError) + "\n" + tip;
    else if (layoutWarning)
        tip = texts::Sjis(texts::LayoutChangeTip) + "\n" + tip;
    // Never cut through a double-byte character, nor end in the lead byte
    // of a cell that ended in one.
    return std::string(WithoutLoneLeadByte(CutSjis(tip, kTrayTipMaxBytes)));
}

std::string BuildTrayRowLabel(const WatchList& list, std::size_t row)
{
    std::string label = texts::Format(texts::TrayRowLabelFormat, CellOrEmpty(list, row, ColCode),
                                   CellOrEmpty(list, row, ColName), CellOrEmpty(list, row, ColTime),
                                   CellOrEmpty(list, row, ColPrice), CellOrEmpty(list, row, ColChange));
    if (HasDisclosures(list, row))
        label += texts::Sjis(texts::TrayRowNewsSuffix);
    return label;
}

TrayPicture TrayPictureOfRow(const WatchList& list, std::size_t row)
{
    const int change = ParseLeadingInt(CellOrEmpty(list, row, ColChange));
    const bool hasDisclosures = HasDisclosures(list, row);
    if (change > 0)
        return hasDisclosures ? TrayPictureUpNews : TrayPictureUp;
    if (change < 0)
        return hasDisclosures ? TrayPictureDownNews : TrayPictureDown;
    return hasDisclosures ? TrayPictureFlatNews : TrayPictureFlat;
}

MenuMark MarkOfTrend(std::string_view trendText)
{
    if (trendText == texts::Sjis(texts::TrendRising))
        return MenuMark::Up;
    if (trendText == texts::Sjis(texts::TrendFalling))
        return MenuMark::Down;
    return MenuMark::Flat;
}

MenuMark MarkOfIndexChange(std::string_view changeText)
{
    if (ContainsSjis(changeText, "+"))
        return MenuMark::Up;
    if (ContainsSjis(changeText, "-"))
        return MenuMark::Down;
    return MenuMark::Flat;
}

} // namespace zelmora
