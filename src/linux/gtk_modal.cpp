// Implements gtk_modal.h with GDK's X11 back end (for a foreign owner) and
// the termination descriptor of termination.h, watched by the dialog's own
// main loop.
#include "linux/gtk_modal.h"

#include <gdk/gdkx.h>
#include <glib-unix.h>

#include "platform/termination.h"

namespace {

gboolean CancelOnTermination(gpointer dialog) {
    if (!TerminationRequested()) return G_SOURCE_CONTINUE;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return G_SOURCE_REMOVE;
}

gboolean CancelOnTerminationFd(gint, GIOCondition, gpointer dialog) { return CancelOnTermination(dialog); }

// Without a window manager nobody gives a new window the focus, and keys
// would go to whatever lies under the pointer.
gboolean FocusOnMap(GtkWidget* dialog, GdkEvent*, gpointer) {
    gtk_window_present(GTK_WINDOW(dialog));
    return FALSE;
}

}  // namespace

void SetDialogOwner(GtkWidget* dialog, NativeWindow owner) {
    GdkDisplay* display = gdk_display_get_default();
    if (!owner || !GDK_IS_X11_DISPLAY(display)) return;
    GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(owner));
    if (!foreign) return;
    gtk_widget_realize(dialog);
    gdk_window_set_transient_for(gtk_widget_get_window(dialog), foreign);
    g_object_unref(foreign);
}

gint RunDialogUntilTerminated(GtkDialog* dialog) {
    if (TerminationRequested()) return GTK_RESPONSE_CANCEL;
    // The descriptor stays readable once a signal came, so a signal between
    // the look above and the loop's first poll is not missed. Without one,
    // the flag is looked at a few times a second.
    const int fd = TerminationFd();
    GSource* watch = fd >= 0 ? g_unix_fd_source_new(fd, G_IO_IN) : g_timeout_source_new(100);
    if (fd >= 0)
        g_source_set_callback(watch, G_SOURCE_FUNC(CancelOnTerminationFd), dialog, nullptr);
    else
        g_source_set_callback(watch, CancelOnTermination, dialog, nullptr);
    g_source_attach(watch, nullptr);
    const gulong focus = g_signal_connect(dialog, "map-event", G_CALLBACK(FocusOnMap), nullptr);
    const gint response = gtk_dialog_run(dialog);
    g_signal_handler_disconnect(dialog, focus);
    g_source_destroy(watch);
    g_source_unref(watch);
    return response;
}
