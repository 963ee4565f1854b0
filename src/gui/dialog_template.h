#pragma once

#include <map>
#include <span>
#include <vector>

class QWidget;

namespace zelmora {

// Ids of the main window's controls.
enum ControlId : int {
    IDC_PRICE = 1002,
    IDC_CODE = 1001,
    IDC_ADD = 1003,
    IDC_LIST = 1007,
    IDC_NAME = 1008,
    IDC_DISCONNECT = 1009,
    IDC_CONNECT = 1010,
    IDC_PROGRESS = 1011,
    IDC_PRICE_MAIL_STATUS = 1013,
    IDC_DISCLOSURE_MAIL_STATUS = 1014,
    IDC_TIME = 1016,
    IDC_CHANGE = 1017,
    IDC_RATE = 1018,
    IDC_VOLUME = 1019,
    IDC_MARKET = 1020,
    IDC_TREND = 1021,
    IDC_INTERVAL_EDIT = 1023,
    IDC_INTERVAL_SPIN = 1024,
    IDC_VERUP = 1028,
    IDC_INDEX1 = 1029,
    IDC_INDEX2 = 1030,
    IDC_INDEX3 = 1031,
    IDC_INDEX4 = 1032,
    IDC_INDEX1_CHANGE = 1035,
    IDC_INDEX2_CHANGE = 1036,
    IDC_INDEX3_CHANGE = 1037,
    IDC_INDEX4_CHANGE = 1038,
    IDC_SETTINGS = 1043,
    IDC_DATE = 1057,
    IDC_DISCLOSURE_CHECK = 1067,
    IDC_MEMO = 1068,
    IDC_STATIC = -1, // labels nobody addresses
};

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

// One control of the main dialog, placed in dialog units.
struct ControlTemplate {
    int id;
    ControlKind kind;
    int x, y, width, height;
    const char* text; // UTF-8
    bool hidden = false;
};

// The main dialog: 394 x 209 dialog units.
constexpr int kDialogWidth = 394;
constexpr int kDialogHeight = 209;
const std::vector<ControlTemplate>& MainDialogTemplate();

// Creates the controls of a dialog template on parent, placed in dialog
// units of parent's font, and returns the addressable ones by id.
std::map<int, QWidget*> CreateTemplateControls(std::span<const ControlTemplate> controls, QWidget* parent);

} // namespace zelmora
