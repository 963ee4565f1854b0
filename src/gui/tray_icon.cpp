#include "gui/tray_icon.h"

#include <QSystemTrayIcon>

#include <utility>

#include "gui/art.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

TrayAvailability& CurrentAvailability()
{
    static TrayAvailability check = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    return check;
}

} // namespace

TrayAvailability SetTrayAvailability(TrayAvailability check)
{
    return std::exchange(CurrentAvailability(), std::move(check));
}

bool IsTrayAvailable()
{
    return CurrentAvailability()();
}

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), m_menu(std::make_unique<TrayMenu>()), m_icon(new QSystemTrayIcon(this))
{
    m_icon->setContextMenu(m_menu.get());
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { emit MenuOpening(*m_menu); });
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            emit DoubleClicked();
    });
}

TrayIcon::~TrayIcon()
{
    m_icon->hide();
}

void TrayIcon::Add(const std::string& tip)
{
    m_shown = true;
    m_picture = TrayPictureApp;
    m_tip = ToQString(tip);
    Show();
}

void TrayIcon::Modify(TrayPicture picture, const std::string& tip)
{
    if (!m_shown)
        return;
    m_picture = picture;
    m_tip = ToQString(tip);
    Show();
}

void TrayIcon::Remove()
{
    m_shown = false;
    m_icon->hide();
}

void TrayIcon::Show()
{
    m_icon->setIcon(TrayPictureIcon(m_picture));
    m_icon->setToolTip(m_tip);
    // Where the desktop has no notification area there is nothing to show.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
}

} // namespace zelmora
