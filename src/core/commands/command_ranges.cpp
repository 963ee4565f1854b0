#include "core/commands/command_ranges.h"

namespace zelmora {

DecodedCommand DecodeCommand(int command, std::size_t rowCount, std::size_t stockLinkCount)
{
    if (rowCount > 0) {
        if (command >= kTrayRowCommandBase && static_cast<std::size_t>(command - kTrayRowCommandBase) < rowCount)
            return {CommandKind::TrayRow, static_cast<std::size_t>(command - kTrayRowCommandBase)};
        if (command > kStockLinkCommandBase && static_cast<std::size_t>(command - kStockLinkCommandBase) <= stockLinkCount)
            return {CommandKind::StockLink, static_cast<std::size_t>(command - kStockLinkCommandBase - 1)};
    }
    if (command >= kDisclosureCommandBase && command <= kDisclosureCommandLast)
        return {CommandKind::DisclosureLine, static_cast<std::size_t>(command - kDisclosureCommandBase)};
    return {};
}

} // namespace zelmora
