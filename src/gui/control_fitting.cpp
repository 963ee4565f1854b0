#include "gui/control_fitting.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace zelmora {
namespace {

constexpr char kWidestTextsProperty[] = "zelmoraWidestTexts";

// QLineEdit keeps this margin left and right of its text, and room for the
// cursor after it.
constexpr int kLineEditTextMargin = 2;
constexpr int kLineEditCursor = 1;

int TextWidth(const QFontMetrics& metrics, const QString& text)
{
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width());
}

// Frame, margins and the indent a framed label gives its text.
int LabelWidth(const QLabel& label, int textWidth)
{
    int extra = label.width() - label.contentsRect().width() + 2 * label.margin();
    if (label.indent() >= 0)
        extra += label.indent();
    else if (label.frameWidth() > 0)
        extra += std::max(0, label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - label.margin());
    return textWidth + extra;
}

int PushButtonWidth(const QPushButton& button, QSize textSize)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    if (button.isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    if (button.autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    // The option leaves the text out: the least width some styles give any
    // labelled button is no need of the text.
    return button.style()->sizeFromContents(QStyle::CT_PushButton, &option, textSize, &button).width();
}

int CheckWidth(const QAbstractButton& button, const QString& text, QSize textSize, QStyle::ContentsType type)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = text;
    return button.style()->sizeFromContents(type, &option, textSize, &button).width();
}

int ComboWidth(const QComboBox& combo, const QString& text, QSize textSize)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    option.currentText = text;
    return combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, textSize, &combo).width();
}

int LineEditWidth(const QLineEdit& edit, QSize textSize)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    const QFontMetrics metrics = edit.fontMetrics();
    const QMargins margins = edit.textMargins();
    // Glyphs that reach past their advance scroll the text too.
    const int bearings = std::max(0, -metrics.minLeftBearing()) + std::max(0, -metrics.minRightBearing());
    const int width = textSize.width() + bearings + kLineEditCursor + 2 * kLineEditTextMargin + margins.left()
                      + margins.right();
    return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, textSize.height()), &edit).width();
}

// Every text the control shows now or may show.
QStringList TextsOf(const QWidget& control)
{
    QStringList texts = control.property(kWidestTextsProperty).toStringList();
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        texts << label->text();
    else if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
        texts << button->text();
    else if (const auto* edit = qobject_cast<const QLineEdit*>(&control))
        texts << edit->text();
    else if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        texts << combo->currentText();
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    }
    return texts;
}

int WidestNeed(const QWidget& control)
{
    int widest = 0;
    for (const QString& text : TextsOf(control))
        widest = std::max(widest, WidthToShow(control, text));
    return widest;
}

bool ShareABand(const QRect& a, const QRect& b)
{
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

// A control placed on the window: where the template put it, how far it
// moves right and how much it grows.
struct Placement {
    QWidget* control;
    QRect placed;
    int shift = 0;
    int growth = 0;

    int RightMove() const { return shift + growth; }
};

// Moves and growths until every control clears its grown left neighbours,
// every frame encloses what it enclosed and moves what it holds, and
// controls that lined up on the left still do. Each round only raises
// values, so it settles.
void Settle(std::vector<Placement>& placements)
{
    const auto raise = [](int& value, int atLeast) {
        if (value >= atLeast)
            return false;
        value = atLeast;
        return true;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (const Placement& moved : placements) {
            if (moved.RightMove() == 0)
                continue;
            for (Placement& other : placements) {
                if (&other == &moved)
                    continue;
                if (other.placed.contains(moved.placed)) {
                    changed |= raise(other.growth, moved.RightMove() - other.shift);
                } else if (moved.placed.contains(other.placed) || other.placed.left() == moved.placed.left()) {
                    changed |= raise(other.shift, moved.shift);
                } else if (other.placed.left() > moved.placed.left() && ShareABand(other.placed, moved.placed)) {
                    changed |= raise(other.shift, moved.RightMove());
                }
            }
        }
    }
}

std::vector<QWidget*> PlacedControls(const QWidget& window)
{
    std::vector<QWidget*> controls;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->isVisibleTo(&window))
            controls.push_back(child);
    }
    return controls;
}

int Reach(const QWidget& window)
{
    int reach = 0;
    for (const QWidget* control : PlacedControls(window))
        reach = std::max(reach, control->geometry().right());
    return reach;
}

// Keeps the margin the window had right of its controls when they were
// placed: it widens only as far as the fitted controls need.
class FitOnFirstShow : public QObject {
public:
    explicit FitOnFirstShow(QWidget& window)
        : QObject(&window), m_window(window), m_rightMargin(window.width() - Reach(window))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            m_window.removeEventFilter(this);
            FitControlsToTexts(m_window);
            Widen(Reach(m_window) + m_rightMargin);
            deleteLater();
        }
        return false;
    }

private:
    void Widen(int width)
    {
        if (m_window.minimumWidth() == m_window.maximumWidth()) {
            if (width > m_window.width())
                m_window.setFixedWidth(width);
            return;
        }
        m_window.setMinimumWidth(std::max(m_window.minimumWidth(), width));
        m_window.resize(std::max(m_window.width(), width), m_window.height());
    }

    QWidget& m_window;
    int m_rightMargin;
};

} // namespace

void SetWidestTexts(QWidget& control, const QStringList& texts)
{
    control.setProperty(kWidestTextsProperty, texts);
}

int WidthToShow(const QWidget& control, const QString& text)
{
    const QFontMetrics metrics = control.fontMetrics();
    const QSize textSize(TextWidth(metrics, text), metrics.height());
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return LabelWidth(*label, textSize.width());
    if (const auto* button = qobject_cast<const QPushButton*>(&control))
        return PushButtonWidth(*button, textSize);
    if (const auto* check = qobject_cast<const QCheckBox*>(&control))
        return CheckWidth(*check, text, textSize, QStyle::CT_CheckBox);
    if (const auto* radio = qobject_cast<const QRadioButton*>(&control))
        return CheckWidth(*radio, text, textSize, QStyle::CT_RadioButton);
    if (const auto* combo = qobject_cast<const QComboBox*>(&control))
        return ComboWidth(*combo, text, textSize);
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control))
        return LineEditWidth(*edit, textSize);
    return 0;
}

void FitControlsToTexts(QWidget& window)
{
    std::vector<Placement> placements;
    for (QWidget* control : PlacedControls(window))
        placements.push_back({control, control->geometry()});
    for (Placement& p : placements)
        p.growth = std::max(0, WidestNeed(*p.control) - p.placed.width());
    Settle(placements);

    for (const Placement& p : placements)
        p.control->setGeometry(p.placed.translated(p.shift, 0).adjusted(0, 0, p.growth, 0));
}

int CellWidthToShow(const QAbstractItemView& view, const QString& text)
{
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.widget = &view;
    option.font = view.font();
    option.fontMetrics = view.fontMetrics();
    option.text = text;
    option.features = QStyleOptionViewItem::HasDisplay;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    return view.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &view).width();
}

void FitControlsWhenShown(QWidget& window)
{
    new FitOnFirstShow(window);
}

} // namespace zelmora
