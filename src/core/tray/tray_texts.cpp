#include "core/tray/tray_texts.h"

#include <cstdio>

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
    return row < list.RowCount() && !list.m_rowDisclosures[row].empty();
}

std::string FormatFive(texts::Id format, const std::string& a, const std::string& b, const std::string& c,
                       const std::string& d, const std::string& e)
{
    const std::string& pattern = texts::Sjis(format);
    std::string text(pattern.size() + a.size() + b.size() + c.size() + d.size() + e.size() + 1, '\0');
    const int n = std::snprintf(text.data(), text.size(), pattern.c_str(), a.c_str(), b.c_str(), c.c_str(),
                                d.c_str(), e.c_str());
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

} // namespace

std::string BuildTrayTip(const WatchList& list, std::size_t row)
{
    const texts::Id format = HasDisclosures(list, row) ? texts::TrayTipNewsFormat : texts::TrayTipFormat;
    const auto tipWith = [&](Column nameColumn) {
        return FormatFive(format, CellOrEmpty(list, row, ColTrend), CellOrEmpty(list, row, nameColumn),
                          CellOrEmpty(list, row, ColTime), CellOrEmpty(list, row, ColPrice),
                          CellOrEmpty(list, row, ColChange));
    };
    std::string tip = tipWith(ColName);
    if (tip.size() > kTrayTipNameMaxBytes)
        tip = tipWith(ColCode);
    // Never cut through a double-byte character.
    return std::string(CutSjis(tip, kTrayTipMaxBytes));
}

std::string BuildTrayRowLabel(const WatchList& list, std::size_t row)
{
    std::string label = FormatFive(texts::TrayRowLabelFormat, CellOrEmpty(list, row, ColCode),
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
