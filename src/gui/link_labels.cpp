#include "gui/link_labels.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "core/version.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"

namespace zelmora {
namespace {

constexpr int kHoverOver = 255;
constexpr int kHoverAway = 50;

const QColor kLinkBlue(50, 50, 255);
const QColor kRise(255, 64, 64);
const QColor kFall(64, 255, 255);

constexpr int kIndexNames[] = {IDC_INDEX1, IDC_INDEX2, IDC_INDEX3, IDC_INDEX4};
constexpr int kIndexChanges[] = {IDC_INDEX1_CHANGE, IDC_INDEX2_CHANGE, IDC_INDEX3_CHANGE, IDC_INDEX4_CHANGE};
// The futures label opens nothing and gets no hand.
constexpr int kIndexLinks[] = {IDC_INDEX1, IDC_INDEX2, IDC_INDEX3};

void SetColours(QWidget& label, const QColor& text, const QColor* background)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, text);
    if (background) {
        palette.setColor(QPalette::Window, *background);
        label.setAutoFillBackground(true);
    }
    label.setPalette(palette);
}

} // namespace

LinkLabels::LinkLabels(const std::map<int, QWidget*>& controls, QObject* parent)
    : QObject(parent), m_verUpLink(static_cast<QLabel*>(controls.at(IDC_VERUP))), m_linkFont(LinkFont())
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    for (int id : kIndexNames)
        SetColours(*controls.at(id), white, &black);
    for (int id : kIndexChanges)
        controls.at(id)->installEventFilter(this);
    for (int id : kIndexLinks)
        controls.at(id)->setCursor(Qt::PointingHandCursor);

    SetColours(*m_verUpLink, kLinkBlue, nullptr);
    m_verUpLink->setFont(m_linkFont);
    m_verUpLink->setCursor(Qt::PointingHandCursor);
    m_verUpLink->setMouseTracking(true);
    m_verUpLink->installEventFilter(this);
}

QColor LinkLabels::ChangeColour(const QString& text)
{
    if (text.contains(QLatin1Char('-')))
        return kFall;
    if (text.contains(QLatin1Char('+')))
        return kRise;
    return Qt::white;
}

bool LinkLabels::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_verUpLink) {
        switch (event->type()) {
        case QEvent::Enter:
            SetHover(kHoverOver);
            break;
        case QEvent::Leave:
            SetHover(kHoverAway);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
                && m_verUpLink->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
                OpenWebPage(ProductPageUrl());
            break;
        default:
            break;
        }
        return false;
    }
    if (event->type() == QEvent::Paint) {
        PaintChange(*static_cast<QLabel*>(watched));
        return true;
    }
    return false;
}

// The font changes only when the mouse crosses the link's edge.
void LinkLabels::SetHover(int state)
{
    if (m_linkHoverState == state)
        return;
    m_linkHoverState = state;
    m_linkFont.setUnderline(state == kHoverOver);
    m_verUpLink->setFont(m_linkFont);
    m_verUpLink->repaint();
}

// The change labels are drawn here, in the colour their text asks for.
void LinkLabels::PaintChange(QLabel& label)
{
    QPainter painter(&label);
    painter.fillRect(label.rect(), Qt::black);
    painter.setPen(ChangeColour(label.text()));
    painter.setFont(label.font());
    painter.drawText(label.contentsRect(), static_cast<int>(label.alignment()), label.text());
}

} // namespace zelmora
