#pragma once

#include <QFont>
#include <QRect>

namespace zelmora {

// Converts dialog units to pixels from the dialog font's metrics the way
// Windows does: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

    int X(int units) const;
    int Y(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

// The dialog font: "ＭＳ Ｐゴシック" 9 pt, or the platform's Japanese
// proportional gothic face where that font is missing.
QFont DialogFont();

// The font of the "VerUp確認" link: the dialog face, 12 pixels high. A face
// of its own (a fixed-pitch gothic) would hold another font file in memory
// for one word.
QFont LinkFont();

} // namespace zelmora
