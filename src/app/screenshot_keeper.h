#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace zelmora {

// Keeps a fresh picture of a window in a file, for machines without a
// screen where nobody can look at the window itself.
class ScreenshotKeeper : public QObject {
    Q_OBJECT
public:
    ScreenshotKeeper(QWidget& window, QString path, QObject* parent = nullptr);

    bool SaveNow();

private:
    QWidget& m_window;
    QString m_path;
};

} // namespace zelmora
