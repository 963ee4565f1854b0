#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

#include <array>

class QLabel;

namespace zelmora {

// The labels of the main window that look and act like links: the index
// band (white on black, changes coloured by sign, a hand over the three
// index names, which report a click) and "VerUp確認" (blue, underlined while
// the mouse is over it, a click opens the product's page).
class LinkLabels : public QObject {
    Q_OBJECT
public:
    // The Nikkei 225, TOPIX, JASDAQ and futures labels and their changes.
    LinkLabels(const std::array<QLabel*, 4>& indexLabels, const std::array<QLabel*, 4>& changeLabels, QLabel& verUpLink,
               QObject* parent);

    // Light red for a rise, light cyan for a fall (a text with both signs
    // counts as a fall), white otherwise.
    static QColor ChangeColour(const QString& text);

signals:
    // A left click on the index label of the Nikkei 225 (0), TOPIX (1) or JASDAQ (2).
    void IndexClicked(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetHover(int state);
    void PaintChange(QLabel& label);

    std::array<QLabel*, 4> m_indexLabels;
    QLabel* m_verUpLink;
    QFont m_linkFont;
    int m_linkHoverState = 0; // 255 while the mouse is over the link, 50 after it left
};

} // namespace zelmora
