#pragma once

#include <QIcon>

#include "core/tray/tray_texts.h"

namespace zelmora {

// The program's own pictures, built into the program. Each is made once,
// on first use (after the application object exists).
const QIcon& ProgramIcon();
const QIcon& TrayPictureIcon(TrayPicture picture);
const QIcon& MenuMarkIcon(MenuMark mark, bool checked);

} // namespace zelmora
