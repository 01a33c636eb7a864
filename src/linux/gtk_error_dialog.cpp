// The error dialog of the Linux build: a modal GTK 3 message box titled
// "Error" with one OK button. Implements gtk_error_dialog.h.
#include "linux/gtk_error_dialog.h"

#include <gtk/gtk.h>

#include "linux/gtk_modal.h"

bool ShowErrorDialog(const char* text, NativeWindow owner) {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), "Error");
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    SetDialogOwner(dialog, owner);
    RunDialogUntilTerminated(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
