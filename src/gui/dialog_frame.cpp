#include "gui/dialog_frame.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/dialog_units.h"

namespace zelmora {
namespace {

constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// The desktop draws the title in a face of its own, commonly bold, beside the
// window's icon and its close button; this many line heights cover those and
// the edges of the bar.
constexpr int kTitleBarLines = 5;

int TitleBarWidth(const QDialog& dialog)
{
    QFont titleFont = dialog.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    return metrics.horizontalAdvance(dialog.windowTitle()) + kTitleBarLines * metrics.height();
}

} // namespace

void GiveDialogFrame(QDialog& dialog)
{
    dialog.setWindowFlags(kDialogFlags);
    dialog.setFont(DialogFont());
    const int titleWidth = TitleBarWidth(dialog);
    // A dialog with a layout takes its width from the layout (a message box
    // whatever its minimum says): a strut in the layout widens it.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), 0, 0, 1,
                      std::max(1, grid->columnCount()));
    } else if (auto* column = qobject_cast<QVBoxLayout*>(dialog.layout())) {
        column->addStrut(titleWidth);
    } else if (dialog.minimumWidth() == dialog.maximumWidth()) {
        dialog.setFixedWidth(std::max(dialog.width(), titleWidth));
    } else {
        dialog.setMinimumWidth(std::max(dialog.minimumWidth(), titleWidth));
    }
}

} // namespace zelmora
