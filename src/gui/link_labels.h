#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

#include <map>

class QLabel;

namespace zelmora {

// The labels of the main window that look and act like links: the index
// band (white on black, changes coloured by sign, a hand over the three
// index names) and "VerUp確認" (blue, underlined while the mouse is over it,
// a click opens the product's page).
class LinkLabels : public QObject {
    Q_OBJECT
public:
    // Takes the window's labels by control id.
    LinkLabels(const std::map<int, QWidget*>& controls, QObject* parent);

    // Light red for a rise, light cyan for a fall (a text with both signs
    // counts as a fall), white otherwise.
    static QColor ChangeColour(const QString& text);

    bool VerUpUnderlined() const { return m_linkFont.underline(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetHover(int state);
    void PaintChange(QLabel& label);

    QLabel* m_verUpLink;
    QFont m_linkFont;
    int m_linkHoverState = 0; // 255 while the mouse is over the link, 50 after it left
};

} // namespace zelmora
