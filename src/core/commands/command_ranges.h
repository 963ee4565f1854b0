#pragma once

#include <cstddef>

namespace zelmora {

// Menu items made from list positions carry command numbers in these ranges.
constexpr int kTrayRowCommandBase = 50000;   // + row
constexpr int kStockLinkCommandBase = 40000; // + 1 + entry; the base itself opens the chosen link
constexpr int kDisclosureCommandBase = 33000; // + line of the history file
constexpr int kDisclosureCommandLast = 33100;
// The disclosure menu offers no more lines than its range can name.
constexpr std::size_t kDisclosureMenuMaxLines = kDisclosureCommandLast - kDisclosureCommandBase + 1;

enum class CommandKind { TrayRow, StockLink, DisclosureLine, Fixed };

struct DecodedCommand {
    CommandKind kind = CommandKind::Fixed;
    std::size_t index = 0; // row, link entry or file line

    bool operator==(const DecodedCommand&) const = default;
};

// What a command number names, given the list's rows and stock links now.
// Tray rows and stock links need rows: a number left from a menu built
// before rows went away names nothing (Fixed) and does nothing. Disclosure
// lines are checked against the file when it is read.
DecodedCommand DecodeCommand(int command, std::size_t rowCount, std::size_t stockLinkCount);

inline int TrayRowCommand(std::size_t row) { return kTrayRowCommandBase + static_cast<int>(row); }
inline int StockLinkCommand(std::size_t entry) { return kStockLinkCommandBase + 1 + static_cast<int>(entry); }
inline int DisclosureLineCommand(std::size_t line) { return kDisclosureCommandBase + static_cast<int>(line); }

} // namespace zelmora
