#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "gui/art.h"

using namespace zelmora;

namespace {

bool HasInk(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
        }
    }
    return false;
}

} // namespace

// The pictures are read when first drawn, at the size drawn for it or
// scaled from the nearest larger one, never larger than asked.
TEST(Art, EveryPictureComesAtEverySizeItIsAskedFor)
{
    struct Case {
        const char* what;
        QIcon icon;
        QList<QSize> drawn;
    };
    const Case cases[] = {
        {"program", ProgramIcon(), {QSize(16, 16), QSize(32, 32), QSize(64, 64)}},
        {"tray up with news", TrayPictureIcon(TrayPictureUpNews), {QSize(16, 16), QSize(32, 32), QSize(64, 64)}},
        {"checked fall mark", MenuMarkIcon(MenuMark::Down, true), {QSize(11, 11), QSize(22, 22)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.icon.availableSizes(), c.drawn) << c.what;
        for (int side : {8, 11, 16, 20, 32, 48, 64, 100}) {
            const QPixmap picture = c.icon.pixmap(QSize(side, side));
            ASSERT_FALSE(picture.isNull()) << c.what << " " << side;
            EXPECT_EQ(picture.width(), std::min(side, c.drawn.back().width())) << c.what << " " << side;
            EXPECT_TRUE(HasInk(picture)) << c.what << " " << side;
        }
        const QImage disabled = c.icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
        EXPECT_NE(disabled, c.icon.pixmap(QSize(16, 16)).toImage()) << c.what;
    }
}
