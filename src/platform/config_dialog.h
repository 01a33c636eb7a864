// The configuration dialog: shows the eleven editable settings, saves the
// whole settings record on OK (and says so in a message titled "Error" when
// it could not) and nothing on Cancel. Implemented by
// windows/config_dialog.cpp (dialog resource 2003) and gtk_config_dialog.cpp.
#pragma once

#include "platform/gl_window.h"

// Runs the modal dialog owned by owner (0: none) and returns when it ends.
// Windows: what DialogBoxParamA returns (0 once the dialog ran, -1 if it
// could not be made). Linux: 0 once the dialog ran, -1 without a display.
int RunConfigDialogBox(NativeWindow owner);
