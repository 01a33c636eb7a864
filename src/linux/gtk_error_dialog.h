// The error dialog of the Linux build (gtk_error_dialog.cpp).
#pragma once

#include "platform/gl_window.h"

// A modal message dialog titled "Error" (GTK 3) over window owner (0: none);
// false if none could be shown. SIGTERM and SIGINT close it.
bool ShowErrorDialog(const char* text, NativeWindow owner);
