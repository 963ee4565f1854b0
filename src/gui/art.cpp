#include "gui/art.h"

#include <array>

namespace zelmora {
namespace {

QIcon Load(const QString& name, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int size : sizes)
        icon.addFile(QStringLiteral(":/art/%1_%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

} // namespace

const QIcon& ProgramIcon()
{
    static const QIcon icon = [] {
        QIcon all = Load(QStringLiteral("tray_app"), {16, 32, 64});
        for (int size : {128, 256})
            all.addFile(QStringLiteral(":/art/zelmora_%1.png").arg(size), QSize(size, size));
        return all;
    }();
    return icon;
}

const QIcon& TrayPictureIcon(TrayPicture picture)
{
    static const std::array<QIcon, TrayPictureCount> icons = [] {
        const char* names[TrayPictureCount] = {"app", "up", "down", "flat", "up_news", "down_news", "flat_news"};
        std::array<QIcon, TrayPictureCount> all;
        for (int i = 0; i < TrayPictureCount; ++i)
            all[static_cast<std::size_t>(i)] = Load(QStringLiteral("tray_") + QLatin1String(names[i]), {16, 32, 64});
        return all;
    }();
    return icons.at(static_cast<std::size_t>(picture));
}

const QIcon& MenuMarkIcon(MenuMark mark, bool checked)
{
    static const std::array<QIcon, 6> icons = [] {
        const char* names[6] = {"up", "down", "flat", "up_checked", "down_checked", "flat_checked"};
        std::array<QIcon, 6> all;
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = Load(QStringLiteral("mark_") + QLatin1String(names[i]), {11, 22});
        return all;
    }();
    return icons.at(static_cast<std::size_t>(mark) + (checked ? 3 : 0));
}

} // namespace zelmora
