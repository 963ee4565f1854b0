#pragma once

#include <QMenu>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "core/tray/tray_texts.h"
#include "gui/tray_menu.h"

class QSystemTrayIcon;

namespace zelmora {

// Whether the desktop has a notification area. Tests swap the answer here;
// SetTrayAvailability returns the check it replaces.
using TrayAvailability = std::function<bool()>;
TrayAvailability SetTrayAvailability(TrayAvailability check);
bool IsTrayAvailable();

// The program's icon in the notification area: its picture, its tip and its
// menu, which is filled anew each time it opens.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent);
    ~TrayIcon() override;

    // Shows the icon with the program's picture and the tip.
    void Add(const std::string& tip);
    // Changes the picture and tip of a shown icon.
    void Modify(TrayPicture picture, const std::string& tip);
    void Remove();

    bool IsShown() const { return m_shown; }
    TrayPicture Picture() const { return m_picture; }
    QString Tip() const { return m_tip; }
    TrayMenu& Menu() { return *m_menu; }
    // The desktop's side of the icon; it reports clicks as `activated`.
    QSystemTrayIcon& SystemIcon() { return *m_icon; }

signals:
    // The menu is about to open: fill it.
    void MenuOpening(TrayMenu& menu);
    void DoubleClicked();

private:
    void Show();

    std::unique_ptr<TrayMenu> m_menu;
    QSystemTrayIcon* m_icon;
    bool m_shown = false;
    TrayPicture m_picture = TrayPictureApp;
    QString m_tip;
};

} // namespace zelmora
