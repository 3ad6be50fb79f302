// Enter and Escape never press the default button nor close a dialog: before a message
// reaches the dialog, their key-down becomes a key-down of key code 0.
#pragma once

#include <windows.h>

namespace qm::ui {

void filterDialogKeys(MSG& msg);
// The thread's message loop for a modeless dialog, with the key filter; returns the exit
// code carried by WM_QUIT.
int runDialogLoop(HWND dialog);

}  // namespace qm::ui
