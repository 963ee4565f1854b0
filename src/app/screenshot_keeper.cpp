#include "app/screenshot_keeper.h"

#include <QPixmap>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

namespace zelmora {

namespace {
constexpr int kRefreshMs = 2000;
}

ScreenshotKeeper::ScreenshotKeeper(QWidget& window, QString path, QObject* parent)
    : QObject(parent), m_window(window), m_path(std::move(path))
{
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ScreenshotKeeper::SaveNow);
    timer->start(kRefreshMs);
}

bool ScreenshotKeeper::SaveNow()
{
    if (!m_window.isVisible())
        return false;
    QSaveFile file(m_path);
    return file.open(QIODevice::WriteOnly) && m_window.grab().save(&file, "PNG") && file.commit();
}

} // namespace zelmora
