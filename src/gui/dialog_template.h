#pragma once

#include <QString>
#include <QWidget>

#include <span>
#include <vector>

namespace zelmora {

enum class ControlKind {
    Button,
    DefaultButton,
    Edit,
    ReadOnlyEdit,
    DropList,
    Label,
    ClickableLabel,
    SunkenLabel,
    UpDown,
    ListView,
    GroupBox,
    CheckBox,
    RadioButton,
};

// One control of a dialog, placed in dialog units: the layout of a window
// kept as data, like a form file. A control its window addresses has a
// name, which becomes its object name.
struct ControlTemplate {
    const char* name; // nullptr for labels nobody addresses
    ControlKind kind;
    int x, y, width, height;
    const char* text; // UTF-8
    bool hidden = false;
};

// The main window: 394 x 209 dialog units.
constexpr int kDialogWidth = 394;
constexpr int kDialogHeight = 209;
const std::vector<ControlTemplate>& MainDialogTemplate();

// Creates the controls of a dialog template on parent, placed in dialog
// units of parent's font. When parent is first shown, a control that would
// cut its text grows, what stands right of it moves along and parent widens
// as far as they need (see control_fitting.h).
void CreateTemplateControls(std::span<const ControlTemplate> controls, QWidget* parent);

// The control named `name` among parent's own children, if it is a `type`;
// else std::logic_error saying which control the layout lacks.
QWidget* CheckedTemplateControl(const QWidget& parent, const char* name, const QMetaObject& type);

// The named control of a template, of the type its kind creates. A name the
// layout lacks ends the program at once with the name, in every build: a
// window with a control missing would fail later and far from the cause.
QWidget* TemplateControlOrDie(const QWidget& parent, const char* name, const QMetaObject& type);
template <class Widget>
Widget* TemplateControl(const QWidget* parent, const char* name)
{
    return static_cast<Widget*>(TemplateControlOrDie(*parent, name, Widget::staticMetaObject));
}

} // namespace zelmora
