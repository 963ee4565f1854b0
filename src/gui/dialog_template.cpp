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

#include "gui/dialog_units.h"

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
        auto* button = new QPushButton(text, parent);
        button->setDefault(t.kind == ControlKind::DefaultButton);
        button->setAutoDefault(t.kind == ControlKind::DefaultButton);
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

std::map<int, QWidget*> CreateTemplateControls(std::span<const ControlTemplate> controls, QWidget* parent)
{
    const DialogUnits units(parent->font());
    std::map<int, QWidget*> byId;
    for (const ControlTemplate& t : controls) {
        QWidget* control = CreateControl(t, parent);
        const int height = t.kind == ControlKind::DropList ? kClosedComboHeight : t.height;
        control->setGeometry(units.ToPixels(t.x, t.y, t.width, height));
        control->setHidden(t.hidden);
        if (t.id != IDC_STATIC) {
            control->setObjectName(QStringLiteral("ctl%1").arg(t.id));
            byId[t.id] = control;
        }
    }
    return byId;
}

const std::vector<ControlTemplate>& MainDialogTemplate()
{
    using K = ControlKind;
    static const std::vector<ControlTemplate> controls = {
        {IDC_SETTINGS, K::Button, 5, 0, 39, 13, "設定"},
        {IDC_ADD, K::DefaultButton, 5, 14, 73, 14, "リストへ追加"},
        {IDC_CONNECT, K::Button, 82, 10, 24, 16, "接続", true},
        {IDC_DISCONNECT, K::Button, 103, 9, 24, 16, "切断", true},
        {IDC_INTERVAL_EDIT, K::Edit, 110, 3, 15, 14, "", true},
        {IDC_INTERVAL_SPIN, K::UpDown, 108, 2, 10, 14, "", true},
        {IDC_STATIC, K::Label, 78, 7, 30, 9, "更新時間", true},
        {IDC_STATIC, K::Label, 109, 8, 8, 8, "s", true},
        {IDC_INDEX1, K::ClickableLabel, 105, 0, 85, 14, "日経平均株価"},
        {IDC_INDEX4, K::Label, 105, 14, 85, 14, ""},
        {IDC_INDEX1_CHANGE, K::Label, 190, 0, 35, 14, ""},
        {IDC_INDEX4_CHANGE, K::Label, 190, 14, 35, 14, ""},
        {IDC_INDEX2, K::ClickableLabel, 224, 0, 85, 14, "TOPIX"},
        {IDC_INDEX3, K::ClickableLabel, 224, 14, 85, 14, "JASDAQ"},
        {IDC_INDEX2_CHANGE, K::Label, 309, 0, 35, 14, ""},
        {IDC_INDEX3_CHANGE, K::Label, 309, 14, 35, 14, ""},
        {IDC_CODE, K::Edit, 5, 29, 21, 13, ""},
        {IDC_NAME, K::ReadOnlyEdit, 26, 29, 76, 13, ""},
        {IDC_MARKET, K::DropList, 103, 29, 27, 84, ""},
        {IDC_TIME, K::ReadOnlyEdit, 129, 29, 25, 13, ""},
        {IDC_PRICE, K::ReadOnlyEdit, 155, 29, 32, 13, ""},
        {IDC_CHANGE, K::ReadOnlyEdit, 187, 29, 30, 13, ""},
        {IDC_RATE, K::ReadOnlyEdit, 217, 29, 28, 13, ""},
        {IDC_VOLUME, K::ReadOnlyEdit, 245, 29, 38, 13, ""},
        {IDC_TREND, K::ReadOnlyEdit, 284, 29, 14, 13, ""},
        {IDC_DATE, K::DropList, 299, 29, 43, 64, ""},
        {IDC_MEMO, K::Edit, 341, 29, 50, 13, ""},
        {IDC_LIST, K::ListView, 5, 44, 386, 146, ""},
        {IDC_PRICE_MAIL_STATUS, K::SunkenLabel, 7, 194, 73, 13, "ステータス"},
        {IDC_DISCLOSURE_MAIL_STATUS, K::SunkenLabel, 82, 194, 73, 13, "ステータス"},
        {IDC_PROGRESS, K::SunkenLabel, 246, 194, 46, 13, "ステータス"},
        {IDC_DISCLOSURE_CHECK, K::Button, 293, 194, 51, 13, "適時開示確認"},
        {IDC_VERUP, K::ClickableLabel, 347, 194, 44, 14, "VerUp確認"},
    };
    return controls;
}

} // namespace zelmora
