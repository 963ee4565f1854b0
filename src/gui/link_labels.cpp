#include "gui/link_labels.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "core/version.h"
#include "gui/desktop_opener.h"
#include "gui/dialog_units.h"

namespace zelmora {
namespace {

constexpr int kHoverOver = 255;
constexpr int kHoverAway = 50;

const QColor kLinkBlue(50, 50, 255);
const QColor kRise(255, 64, 64);
const QColor kFall(64, 255, 255);

// The futures label opens nothing and gets no hand.
constexpr std::size_t kIndexLinks = 3;

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

LinkLabels::LinkLabels(const std::array<QLabel*, 4>& indexLabels, const std::array<QLabel*, 4>& changeLabels,
                       QLabel& verUpLink, QObject* parent)
    : QObject(parent), m_indexLabels(indexLabels), m_verUpLink(&verUpLink), m_linkFont(LinkFont())
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    for (QLabel* label : indexLabels)
        SetColours(*label, white, &black);
    for (QLabel* label : changeLabels)
        label->installEventFilter(this);
    for (std::size_t i = 0; i < kIndexLinks; ++i) {
        indexLabels[i]->setCursor(Qt::PointingHandCursor);
        indexLabels[i]->installEventFilter(this);
    }

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
    for (std::size_t i = 0; i < kIndexLinks; ++i) {
        if (watched == m_indexLabels[i]) {
            const bool click = event->type() == QEvent::MouseButtonRelease
                               && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            if (click)
                emit IndexClicked(static_cast<int>(i));
            return click;
        }
    }
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
