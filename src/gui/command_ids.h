#pragma once

namespace zelmora {

// Menu command ids; the menus and the tray send these to MainWindow::OnCommand.
enum CommandId : int {
    ID_DELETE_ITEM = 32774,
    ID_DELETE_ALL = 32775,
    ID_OPEN_MAINWINDOW = 32783,
    ID_VERSION_INFO = 32784,
    ID_LINK_URL_SETTINGS = 32787,
    ID_START_IN_TRAY = 32788,
    ID_MAIL_SETTINGS = 32789,
    ID_CLOSE = 32790,
    ID_TRAY_INDEX = 32795,
    ID_MEMO_CLEAR = 32800,
    ID_MEMO_INPUT = 32801,
    ID_OPEN_LINK = 40000,
};

} // namespace zelmora
