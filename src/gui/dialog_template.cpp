#include "gui/dialog_template.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>

#include "gui/control_fitting.h"
#include "gui/dialog_units.h"

#include <stdexcept>
#include <string>

namespace zelmora {
namespace {

// Combo boxes take the height of their closed box, not of the drop list.
constexpr int kClosedComboHeight = 13;

QWidget* CreateControl(const ControlTemplate& t, QWidget* parent)
{
    const QString text = QString::fromUtf8(t.text);
    switch (t.kind) {
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
        // In a dialog every button is an auto-default one, so Enter presses
        // the focused button; only when none has the focus the default.
        auto* button = new QPushButton(text, parent);
        button->setDefault(t.kind == ControlKind::DefaultButton);
        return button;
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(text, parent);
        edit->setReadOnly(t.kind == ControlKind::ReadOnlyEdit);
        return edit;
    }
    case ControlKind::DropList:
        return new QComboBox(parent);
    case ControlKind::Label:
    case ControlKind::ClickableLabel:
        return new QLabel(text, parent);
    case ControlKind::SunkenLabel: {
        auto* label = new QLabel(text, parent);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    }
    case ControlKind::UpDown:
        return new QSpinBox(parent);
    case ControlKind::ListView:
        return new QTableView(parent);
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::RadioButton:
        return new QRadioButton(text, parent);
    }
    return nullptr;
}

} // namespace

void CreateTemplateControls(std::span<const ControlTemplate> controls, QWidget* parent)
{
    const DialogUnits units(parent->font());
    for (const ControlTemplate& t : controls) {
        QWidget* control = CreateControl(t, parent);
        const int height = t.kind == ControlKind::DropList ? kClosedComboHeight : t.height;
        control->setGeometry(units.ToPixels(t.x, t.y, t.width, height));
        control->setHidden(t.hidden);
        if (t.name)
            control->setObjectName(QString::fromLatin1(t.name));
    }
    FitControlsWhenShown(*parent);
}

const std::vector<ControlTemplate>& MainDialogTemplate()
{
    using K = ControlKind;
    static const std::vector<ControlTemplate> controls = {
        {"settingsButton", K::Button, 5, 0, 39, 13, "設定"},
        {"addButton", K::DefaultButton, 5, 14, 73, 14, "リストへ追加"},
        {"connectButton", K::Button, 82, 10, 24, 16, "接続", true},
        {"disconnectButton", K::Button, 103, 9, 24, 16, "切断", true},
        {"intervalEdit", K::Edit, 110, 3, 15, 14, "", true},
        {"intervalSpin", K::UpDown, 108, 2, 10, 14, "", true},
        {nullptr, K::Label, 78, 7, 30, 9, "更新時間", true},
        {nullptr, K::Label, 109, 8, 8, 8, "s", true},
        {"nikkeiLabel", K::ClickableLabel, 105, 0, 85, 14, "日経平均株価"},
        {"futuresLabel", K::Label, 105, 14, 85, 14, ""},
        {"nikkeiChangeLabel", K::Label, 190, 0, 35, 14, ""},
        {"futuresChangeLabel", K::Label, 190, 14, 35, 14, ""},
        {"topixLabel", K::ClickableLabel, 224, 0, 85, 14, "TOPIX"},
        {"jasdaqLabel", K::ClickableLabel, 224, 14, 85, 14, "JASDAQ"},
        {"topixChangeLabel", K::Label, 309, 0, 35, 14, ""},
        {"jasdaqChangeLabel", K::Label, 309, 14, 35, 14, ""},
        {"codeEdit", K::Edit, 5, 29, 21, 13, ""},
        {"nameEdit", K::ReadOnlyEdit, 26, 29, 76, 13, ""},
        {"marketCombo", K::DropList, 103, 29, 27, 84, ""},
        {"timeEdit", K::ReadOnlyEdit, 129, 29, 25, 13, ""},
        {"priceEdit", K::ReadOnlyEdit, 155, 29, 32, 13, ""},
        {"changeEdit", K::ReadOnlyEdit, 187, 29, 30, 13, ""},
        {"rateEdit", K::ReadOnlyEdit, 217, 29, 28, 13, ""},
        {"volumeEdit", K::ReadOnlyEdit, 245, 29, 38, 13, ""},
        {"trendEdit", K::ReadOnlyEdit, 284, 29, 14, 13, ""},
        {"dateCombo", K::DropList, 299, 29, 43, 64, ""},
        {"memoEdit", K::Edit, 341, 29, 50, 13, ""},
        {"watchList", K::ListView, 5, 44, 386, 146, ""},
        {"priceMailStatusLabel", K::SunkenLabel, 7, 194, 73, 13, "ステータス"},
        {"disclosureMailStatusLabel", K::SunkenLabel, 82, 194, 73, 13, "ステータス"},
        {"statusLabel", K::SunkenLabel, 246, 194, 46, 13, "ステータス"},
        {"disclosureCheckButton", K::Button, 293, 194, 51, 13, "適時開示確認"},
        {"verUpLabel", K::ClickableLabel, 347, 194, 44, 14, "VerUp確認"},
    };
    return controls;
}

QWidget* CheckedTemplateControl(const QWidget& parent, const char* name, const QMetaObject& type)
{
    QWidget* control = parent.findChild<QWidget*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    if (control && type.cast(control))
        return control;
    std::string message = std::string("control '") + name + "' of type " + type.className() + " is not in the layout";
    if (control)
        message += std::string(" (it is a ") + control->metaObject()->className() + ")";
    throw std::logic_error(message);
}

// Controls are looked up while windows are built, often inside a slot, where
// an exception could not leave through the event loop.
QWidget* TemplateControlOrDie(const QWidget& parent, const char* name, const QMetaObject& type)
{
    try {
        return CheckedTemplateControl(parent, name, type);
    } catch (const std::logic_error& error) {
        qFatal("%s", error.what());
    }
}

} // namespace zelmora
