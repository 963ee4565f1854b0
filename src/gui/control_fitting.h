#pragma once

#include <QStringList>

class QAbstractItemView;
class QWidget;

namespace zelmora {

// Texts a control may come to show besides the ones it holds now: a status
// label's messages, the widest figure of a value. Fitting makes room for them.
void SetWidestTexts(QWidget& control, const QStringList& texts);

// The width a label, button, combo or edit needs to show `text` whole in its
// own font: the text plus the style's frame, margins and arrow. 0 for other
// widgets.
int WidthToShow(const QWidget& control, const QString& text);

// The width a cell of the view needs to show `text` whole.
int CellWidthToShow(const QAbstractItemView& view, const QString& text);

// Widens every label, button, combo and edit placed on `window` that would
// cut one of its texts (its own, its items, its widest texts); what stands
// right of a widened control in its band moves along, a frame around it
// grows with it, and controls that lined up on the left still do. Hidden
// controls take no part.
void FitControlsToTexts(QWidget& window);

// Fits the window's controls when it is first shown, once its lists are
// filled and its texts set, and widens the window as far as they need more
// than it has.
void FitControlsWhenShown(QWidget& window);

} // namespace zelmora
