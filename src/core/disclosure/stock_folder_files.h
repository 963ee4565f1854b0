#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "core/text/sjis.h"

// The files the program keeps in a stock's folder of a date
// (programFolder/yyyymmdd/code/) beside the downloaded documents. A document
// never takes one of these names.
namespace zelmora {

inline constexpr std::string_view kHistoryFileName = "kaijistr.txt";
inline constexpr std::string_view kDayRecordFileName = "kabuka.csv";
inline constexpr std::array<std::string_view, 4> kStockFolderFileNames = {kHistoryFileName, "kessan.txt", "alert.txt",
                                                                          kDayRecordFileName};

// True when a file system may take name for one of them: in any letter
// case, and with the trailing dots and blanks that Windows drops.
inline bool IsStockFolderFileName(std::string_view name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.remove_suffix(1);
    return std::any_of(kStockFolderFileNames.begin(), kStockFolderFileNames.end(),
                       [&](std::string_view kept) { return EqualsIgnoringAsciiCase(name, kept); });
}

} // namespace zelmora
