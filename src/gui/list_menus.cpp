#include "gui/list_menus.h"

#include "gui/popup_menu.h"

namespace zelmora {

LinkMenu::LinkMenu(const std::vector<QString>& linkLabels, QWidget* parent) : ProgramMenu(parent)
{
    openLink = addAction(QStringLiteral("リンクを開く"));
    addSeparator();
    for (const QString& label : linkLabels)
        stockLinks.push_back(AddItem(*this, label));
    addSeparator();
    deleteRow = addAction(QStringLiteral("削除"));
    deleteAll = addAction(QStringLiteral("全て削除"));
}

DisclosureMenu::DisclosureMenu(const std::vector<QString>& captions, QWidget* parent) : ProgramMenu(parent)
{
    for (std::size_t line = 0; line < captions.size() && line < kMaxLines; ++line)
        lines.push_back(AddItem(*this, captions[line]));
}

MemoMenu::MemoMenu(QWidget* parent) : ProgramMenu(parent)
{
    input = addAction(QStringLiteral("メモ入力"));
    clear = addAction(QStringLiteral("消　去"));
}

} // namespace zelmora
