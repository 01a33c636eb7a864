// What the GTK dialogs of the Linux build share: an owner window to stay
// above, and a modal run that SIGTERM and SIGINT end as a Cancel does.
#pragma once

#include <gtk/gtk.h>

#include "platform/gl_window.h"

// Keeps dialog above the X window owner (0: none), a window of another
// program or of our own, when that window exists.
void SetDialogOwner(GtkWidget* dialog, NativeWindow owner);

// gtk_dialog_run, which also ends with GTK_RESPONSE_CANCEL once SIGTERM or
// SIGINT arrives, or without showing the dialog when one came before. The
// dialog takes the keyboard focus when it appears, also where no window
// manager would give it.
gint RunDialogUntilTerminated(GtkDialog* dialog);
