#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/watch/watch_list.h"

namespace zelmora {

// The tray's tip holds at most this many bytes (64 with the NUL).
constexpr std::size_t kTrayTipMaxBytes = 63;
// A tip longer than this with the stock's name is built with its code.
constexpr std::size_t kTrayTipNameMaxBytes = 62;

// The tray's tip for a row: trend mark, name, time, price and change, and a
// note when disclosures were found; under a first line that warns of a
// changed quote page layout when there is one. Cut to kTrayTipMaxBytes on a
// character boundary. A row past the end reads as a row of empty cells.
std::string BuildTrayTip(const WatchList& list, std::size_t row, bool layoutWarning = false, bool quotesBlind = false);

// The tray menu's label of a row: code, name, time, price and change.
std::string BuildTrayRowLabel(const WatchList& list, std::size_t row);

// The tray's pictures, in the order the window loads them.
enum TrayPicture {
    TrayPictureApp,
    TrayPictureUp,
    TrayPictureDown,
    TrayPictureFlat,
    TrayPictureUpNews,
    TrayPictureDownNews,
    TrayPictureFlatNews,
    TrayPictureCount
};

// The picture for a row: the sign of the leading integer of its change text
// (+0.5 counts as 0), with marks when disclosures were found for it.
TrayPicture TrayPictureOfRow(const WatchList& list, std::size_t row);

// The check marks of the tray menu; each comes checked and unchecked.
enum class MenuMark { Up, Down, Flat };

// The mark of a stock row by its trend mark text.
MenuMark MarkOfTrend(std::string_view trendText);
// The mark of the Nikkei 225 item by its change text.
MenuMark MarkOfIndexChange(std::string_view changeText);

} // namespace zelmora
