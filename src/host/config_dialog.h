// The configuration dialog, as the host starts it: modal, owned by owner
// (0: no owner). Returns what the dialog returns when it ends (0 after OK or
// Cancel); -1 when it could not be shown at all.
#pragma once

#include "host/gl_window.h"

int RunConfigDialogBox(NativeWindow owner);
