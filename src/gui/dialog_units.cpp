#include "gui/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace zelmora {
namespace {

// MulDiv rounds half away from zero.
int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (alphabet / 26 + 1) / 2;
    m_baseY = metrics.height();
}

int DialogUnits::X(int units) const
{
    return MulDiv(units, m_baseX, 4);
}

int DialogUnits::Y(int units) const
{
    return MulDiv(units, m_baseY, 8);
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const
{
    return QRect(X(x), Y(y), X(width), Y(height));
}

namespace {

// The first of the faces that is installed, else the first one (the font
// system then finds its nearest match).
QString InstalledFace(const QStringList& preferred)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& candidate : preferred) {
        if (families.contains(candidate))
            return candidate;
    }
    return preferred.front();
}

} // namespace

QFont DialogFont()
{
    QFont font(InstalledFace({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                              QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                              QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic")}));
    font.setPointSize(9);
    return font;
}

QFont LinkFont()
{
    QFont font(DialogFont().family());
    font.setPixelSize(12);
    return font;
}

} // namespace zelmora
