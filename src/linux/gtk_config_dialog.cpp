// The configuration dialog on Linux: a modal GTK 3 dialog with the controls,
// texts and ranges of the Windows dialog 2003. Implements config_dialog.h;
// relies on GTK 3 (gtk_modal.h for the owner window and the modal run, which
// SIGTERM and SIGINT end as a Cancel) and on the portable conversions of
// config_controls.h.
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "settings/config_controls.h"
#include "platform/config_dialog.h"
#include "linux/gtk_modal.h"
#include "linux/gtk_error_dialog.h"
#include "settings/settings.h"

namespace {

struct ConfigWidgets {
    GtkWidget* trackbars[kConfigTrackbarCount] = {};
    GtkWidget* checkBoxes[kConfigCheckBoxCount] = {};
    GtkWidget* resolution = nullptr;
};

// A Windows control text with GTK's mnemonic mark: '&' becomes '_', and a
// literal '_' is doubled.
std::string Mnemonic(const char* text) {
    std::string result;
    for (const char* c = text; *c; ++c) {
        if (*c == '&') {
            result += '_';
        } else {
            if (*c == '_') result += '_';
            result += *c;
        }
    }
    return result;
}

// The size trackbar counts tenths of the object size; it shows the size.
gchar* FormatTenths(GtkScale*, gdouble value, gpointer) { return g_strdup_printf("%.1f", value / 10.0); }

// Enter confirms wherever the focus is, as the default button of a Windows
// dialog does (a focused check box would otherwise take it as a toggle).
gboolean OnKeyPress(GtkWidget* dialog, GdkEventKey* event, gpointer) {
    const guint key = event->keyval;
    if (key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter) {
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        return TRUE;
    }
    return FALSE;
}

GtkWidget* RightLabel(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 1.0f);
    return label;
}

// Lays the controls out in the order of the Windows dialog, top to bottom:
// outward speed, the six options, resolution, pulse rate, size and number.
GtkWidget* BuildDialog(ConfigWidgets& w) {
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), "Lumox Config");
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Cancel", GTK_RESPONSE_CANCEL);
    GtkWidget* ok = gtk_dialog_add_button(GTK_DIALOG(dialog), "OK", GTK_RESPONSE_OK);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_widget_grab_focus(ok);
    g_signal_connect(dialog, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 10);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid);

    for (int i = 0; i < kConfigTrackbarCount; ++i) {
        const ConfigTrackbar& bar = kConfigTrackbars[i];
        const double page = bar.maximum - bar.minimum >= 100 ? (bar.maximum - bar.minimum) / 10 : 5;
        GtkAdjustment* range = gtk_adjustment_new(bar.minimum, bar.minimum, bar.maximum, 1, page, 0);
        GtkWidget* scale = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, range);
        gtk_scale_set_digits(GTK_SCALE(scale), 0);  // also keeps dragged values whole
        gtk_scale_set_value_pos(GTK_SCALE(scale), GTK_POS_RIGHT);
        gtk_widget_set_hexpand(scale, TRUE);
        gtk_widget_set_size_request(scale, 260, -1);
        if (bar.id == kPulseObjectSizeTrackbar) g_signal_connect(scale, "format-value", G_CALLBACK(FormatTenths), nullptr);
        w.trackbars[i] = scale;
    }
    for (int i = 0; i < kConfigCheckBoxCount; ++i)
        w.checkBoxes[i] = gtk_check_button_new_with_mnemonic(Mnemonic(kConfigCheckBoxes[i].text).c_str());
    w.resolution = gtk_combo_box_text_new();
    for (const char* text : kConfigResolutionTexts) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.resolution), text);

    int row = 0;
    auto addTrackbar = [&](int index) {
        gtk_grid_attach(GTK_GRID(grid), RightLabel(kConfigTrackbars[index].label), 0, row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), w.trackbars[index], 1, row++, 1, 1);
    };
    addTrackbar(0);
    for (GtkWidget* check : w.checkBoxes) gtk_grid_attach(GTK_GRID(grid), check, 0, row++, 2, 1);
    gtk_grid_attach(GTK_GRID(grid), RightLabel("Resolution:"), 0, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), w.resolution, 1, row++, 1, 1);
    for (int i = 1; i < kConfigTrackbarCount; ++i) addTrackbar(i);
    gtk_widget_show_all(grid);
    return dialog;
}

void ShowValues(const ConfigWidgets& w, const ConfigControlValues& values) {
    for (int i = 0; i < kConfigTrackbarCount; ++i)
        gtk_range_set_value(GTK_RANGE(w.trackbars[i]), values.trackbarPositions[i]);
    for (int i = 0; i < kConfigCheckBoxCount; ++i)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.checkBoxes[i]), values.checked[i]);
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.resolution), values.resolutionSelection);  // -1: none
}

ConfigControlValues ReadValues(const ConfigWidgets& w) {
    ConfigControlValues values{};
    for (int i = 0; i < kConfigTrackbarCount; ++i)
        values.trackbarPositions[i] = static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(w.trackbars[i]))));
    for (int i = 0; i < kConfigCheckBoxCount; ++i)
        values.checked[i] = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.checkBoxes[i]));
    values.resolutionSelection = gtk_combo_box_get_active(GTK_COMBO_BOX(w.resolution));
    return values;
}

}  // namespace

int RunConfigDialogBox(NativeWindow owner) {
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "lumox: cannot open the configuration dialog (is DISPLAY set?)\n");
        return -1;
    }
    if (!LoadSettings()) ApplyDefaultSettings();

    ConfigWidgets widgets{};
    GtkWidget* dialog = BuildDialog(widgets);
    ShowValues(widgets, ControlsFromSettings(saverSettings));
    SetDialogOwner(dialog, owner);

    // Escape, the close box and a signal answer with other responses: they
    // cancel.
    const bool confirmed = RunDialogUntilTerminated(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
    if (confirmed) SettingsFromControls(ReadValues(widgets), saverSettings);
    gtk_widget_destroy(dialog);
    // A save that failed is told, not passed over as if it had worked.
    if (confirmed && !SaveSettings()) {
        std::fprintf(stderr, "lumox: %s\n", SettingsSaveProblem());
        ShowErrorDialog(SettingsSaveProblem(), owner);
    }
    while (gtk_events_pending()) gtk_main_iteration();
    return 0;
}
