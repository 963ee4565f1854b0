// Keys and mouse clicks the main window takes from its controls before the
// controls themselves see them.

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>

#include "gui/dialog_template.h"
#include "gui/main_window.h"

namespace zelmora {
namespace {

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
                                          event->type() == QEvent::MouseButtonRelease))
        return FilterListMouse(static_cast<QMouseEvent*>(event));

    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int id : {IDC_INDEX1, IDC_INDEX2, IDC_INDEX3}) {
            if (watched == m_controls.at(id)) {
                OpenIndexPage(id);
                return true;
            }
        }
    }

    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool entryControl = watched == m_controls.at(IDC_CODE) || watched == m_controls.at(IDC_MARKET) ||
                              watched == m_controls.at(IDC_ADD);
    if (entryControl && IsEnter(key)) {
        AddToWatchList();
        return true;
    }
    if (watched == m_list && key->key() == Qt::Key_Delete) {
        DeleteWatchRow();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zelmora
