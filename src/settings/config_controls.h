// The controls of the configuration dialog and how each one shows a
// setting. Portable: the Win32 dialog (windows/config_dialog.cpp) and the GTK
// dialog (linux/gtk_config_dialog.cpp) only move these values in and out of
// their widgets. The settings' trackbars and check boxes are those of the
// settings table (setting_table.h); the buttons and the resolution list are
// the dialog's own.
#pragma once

#include <vector>

#include "settings/setting_table.h"
#include "settings/settings.h"

// Control ids of dialog 2003 beside the settings' (also the numbering the
// GTK dialog keeps).
enum ConfigControlId : int {
    kConfigOk = 1000,  // the default button: Enter confirms
    kConfigCancel = 2,  // also Escape and the close box
    kResolutionCombo = 1014,
};

constexpr int kConfigResolutionCount = 6;
// The combo box entries: ResolutionTable entries 0 to 5, in table order.
extern const char* const kConfigResolutionTexts[kConfigResolutionCount];

// The indexes into kSettings of the settings the dialog shows, in the order
// it initialises and reads them: the trackbars, then the check boxes, each
// in the order of their control ids.
const std::vector<size_t>& ConfigDialogSettings();

// A trackbar's range of positions: the setting's range, in tenths for a
// trackbar that counts them.
int TrackbarMinimum(const SettingSpec& setting);
int TrackbarMaximum(const SettingSpec& setting);

// What the controls show.
struct ConfigControlValues {
    // By index into kSettings: a trackbar's position, or 1 for a checked
    // check box and 0 for a clear one; 0 for a setting the dialog lacks.
    int shown[kSettingCount] = {};
    int resolutionSelection = -1;  // -1: no entry selected
};

// The control states that show settings. Trackbar positions are already
// limited to their ranges, as a trackbar keeps a position outside its range
// at the nearer end; a value that is not a number shows the minimum. An index
// outside the offered resolutions selects nothing.
ConfigControlValues ControlsFromSettings(const SaverSettings& settings);

// Stores what the controls show into the settings they edit; every other
// field keeps its contents. A selection of -1 is stored as it is.
void SettingsFromControls(const ConfigControlValues& values, SaverSettings& settings);
