#pragma once

class QDialog;

namespace zelmora {

// Gives a dialog or message box of the program the frame of a dialog: a
// title bar with a close button only (no minimise or maximise), the dialog
// face, and a width that leaves its title whole in the title bar.
void GiveDialogFrame(QDialog& dialog);

} // namespace zelmora
