#include "gui/art.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <array>
#include <map>
#include <vector>

namespace zelmora {
namespace {

// A picture of the program at the sizes drawn for it, each read from the
// program's resources the first time something draws it at that size. Where
// nothing draws a picture (no tray, no window icon on the platform), it
// costs no memory, and no image reader is set up for it.
class ArtEngine : public QIconEngine {
public:
    ArtEngine(QString name, std::vector<int> sizes) : m_name(std::move(name)), m_sizes(std::move(sizes)) {}

    QIconEngine* clone() const override { return new ArtEngine(*this); }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : m_sizes)
            sizes << QSize(side, side);
        return sizes;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = BestSide(size);
        return QSize(side, side).boundedTo(size);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        QPixmap picture = Picture(BestSide(size));
        if (picture.width() > size.width() || picture.height() > size.height())
            picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (mode == QIcon::Normal)
            return picture;
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, picture, &option);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * scale, mode, state);
        picture.setDevicePixelRatio(scale);
        painter->drawPixmap(rect, picture);
    }

private:
    // The smallest size that covers the wanted one, else the largest.
    int BestSide(const QSize& size) const
    {
        const int wanted = std::max(size.width(), size.height());
        for (int side : m_sizes) {
            if (side >= wanted)
                return side;
        }
        return m_sizes.back();
    }

    const QPixmap& Picture(int side)
    {
        QPixmap& picture = m_pictures[side];
        if (picture.isNull())
            picture.load(QStringLiteral(":/art/%1_%2.png").arg(m_name).arg(side), "PNG");
        return picture;
    }

    QString m_name;
    std::vector<int> m_sizes; // ascending
    std::map<int, QPixmap> m_pictures;
};

QIcon Art(const QString& name, std::vector<int> sizes)
{
    return QIcon(new ArtEngine(name, std::move(sizes)));
}

} // namespace

// The desktop entry's icon serves the desktop at larger sizes.
const QIcon& ProgramIcon()
{
    static const QIcon icon = Art(QStringLiteral("tray_app"), {16, 32, 64});
    return icon;
}

const QIcon& TrayPictureIcon(TrayPicture picture)
{
    static const std::array<QIcon, TrayPictureCount> icons = [] {
        const char* names[TrayPictureCount] = {"app", "up", "down", "flat", "up_news", "down_news", "flat_news"};
        std::array<QIcon, TrayPictureCount> all;
        for (int i = 0; i < TrayPictureCount; ++i)
            all[static_cast<std::size_t>(i)] = Art(QStringLiteral("tray_") + QLatin1String(names[i]), {16, 32, 64});
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
            all[i] = Art(QStringLiteral("mark_") + QLatin1String(names[i]), {11, 22});
        return all;
    }();
    return icons.at(static_cast<std::size_t>(mark) + (checked ? 3 : 0));
}

} // namespace zelmora
