#include "gui/list_menus.h"

#include "core/commands/command_ranges.h"
#include "gui/command_ids.h"
#include "gui/popup_menu.h"

namespace zelmora {

QMenu* BuildLinkMenu(QWidget* parent, const std::vector<LinkMenuItem>& links)
{
    auto* menu = new QMenu(parent);
    AddCommand(*menu, QStringLiteral("リンクを開く"), ID_OPEN_LINK);
    menu->addSeparator();
    for (const LinkMenuItem& link : links)
        AddCommand(*menu, link.label, link.command);
    menu->addSeparator();
    AddCommand(*menu, QStringLiteral("削除"), ID_DELETE_ITEM);
    AddCommand(*menu, QStringLiteral("全て削除"), ID_DELETE_ALL);
    return menu;
}

QMenu* BuildDisclosureMenu(QWidget* parent, const std::vector<QString>& captions)
{
    auto* menu = new QMenu(QStringLiteral("&File"), parent);
    for (std::size_t line = 0; line < captions.size() && line < kDisclosureMenuMaxLines; ++line)
        AddCommand(*menu, captions[line], DisclosureLineCommand(line));
    return menu;
}

QMenu* BuildMemoMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&File"), parent);
    AddCommand(*menu, QStringLiteral("メモ入力"), ID_MEMO_INPUT);
    AddCommand(*menu, QStringLiteral("消　去"), ID_MEMO_CLEAR);
    return menu;
}

} // namespace zelmora
