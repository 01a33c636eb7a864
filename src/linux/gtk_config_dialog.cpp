// The configuration dialog on Linux: a modal GTK 3 dialog with the controls,
// texts and ranges of the Windows dialog 2003. Implements config_dialog.h;
// relies on GTK 3 (gtk_modal.h for the owner window and the modal run, which
// SIGTERM and SIGINT end as a Cancel) and on the portable conversions of
// config_controls.h, whose controls are those of the settings table.
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/config_controls.h"
#include "platform/config_dialog.h"
#include "linux/gtk_modal.h"
#include "linux/gtk_error_dialog.h"
#include "settings/setting_table.h"
#include "settings/settings.h"

namespace {

struct ConfigWidgets {
    GtkWidget* controls[kSettingCount] = {};  // by index into kSettings: a scale or a check button
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

// The label beside a control: a Windows text, whose mnemonic (if any)
// moves the focus to the control.
GtkWidget* RightLabel(const char* text, GtkWidget* control) {
    GtkWidget* label = gtk_label_new_with_mnemonic(Mnemonic(text).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 1.0f);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), control);
    return label;
}

// A scale with the trackbar's range of positions.
GtkWidget* MakeScale(const SettingSpec& setting) {
    const int minimum = TrackbarMinimum(setting), maximum = TrackbarMaximum(setting);
    const double page = maximum - minimum >= 100 ? (maximum - minimum) / 10 : 5;
    GtkAdjustment* range = gtk_adjustment_new(minimum, minimum, maximum, 1, page, 0);
    GtkWidget* scale = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, range);
    gtk_scale_set_digits(GTK_SCALE(scale), 0);  // also keeps dragged values whole
    gtk_scale_set_value_pos(GTK_SCALE(scale), GTK_POS_RIGHT);
    gtk_widget_set_hexpand(scale, TRUE);
    gtk_widget_set_size_request(scale, 260, -1);
    if (setting.tenths) g_signal_connect(scale, "format-value", G_CALLBACK(FormatTenths), nullptr);
    return scale;
}

// Lays the controls out in the order of the Windows dialog.
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

    for (size_t i : ConfigDialogSettings()) {
        const SettingSpec& setting = kSettings[i];
        w.controls[i] = setting.kind == SettingKind::Number
                            ? MakeScale(setting)
                            : gtk_check_button_new_with_mnemonic(Mnemonic(setting.label).c_str());
    }
    w.resolution = gtk_combo_box_text_new();
    for (const char* text : kConfigResolutionTexts) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.resolution), text);

    // As in dialog 2003 from top to bottom: the first trackbar, the check
    // boxes, the resolution, the other trackbars.
    std::vector<size_t> trackbars, checkBoxes;
    for (size_t i : ConfigDialogSettings())
        (kSettings[i].kind == SettingKind::Number ? trackbars : checkBoxes).push_back(i);
    int row = 0;
    auto addRow = [&](const char* label, GtkWidget* control) {
        gtk_grid_attach(GTK_GRID(grid), RightLabel(label, control), 0, row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), control, 1, row++, 1, 1);
    };
    auto addTrackbars = [&](size_t from, size_t to) {
        for (size_t n = from; n < to && n < trackbars.size(); ++n)
            addRow(kSettings[trackbars[n]].label, w.controls[trackbars[n]]);
    };
    addTrackbars(0, 1);
    for (size_t i : checkBoxes) gtk_grid_attach(GTK_GRID(grid), w.controls[i], 0, row++, 2, 1);
    addRow("Resolution:", w.resolution);
    addTrackbars(1, trackbars.size());
    gtk_widget_show_all(grid);
    return dialog;
}

void ShowValues(const ConfigWidgets& w, const ConfigControlValues& values) {
    for (size_t i : ConfigDialogSettings()) {
        if (kSettings[i].kind == SettingKind::Number)
            gtk_range_set_value(GTK_RANGE(w.controls[i]), values.shown[i]);
        else
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.controls[i]), values.shown[i] != 0);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.resolution), values.resolutionSelection);  // -1: none
}

ConfigControlValues ReadValues(const ConfigWidgets& w) {
    ConfigControlValues values{};
    for (size_t i : ConfigDialogSettings()) {
        values.shown[i] = kSettings[i].kind == SettingKind::Number
                              ? static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(w.controls[i]))))
                              : gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.controls[i]));
    }
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
