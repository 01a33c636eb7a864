// The controls of the configuration dialog and how each one maps to a
// setting. Portable: the Win32 dialog (windows/config_dialog.cpp) and the GTK
// dialog (gtk_config_dialog.cpp) only move these values in and out of their
// widgets.
#pragma once

#include "settings/settings.h"

// Control ids of dialog 2003 (also the numbering the GTK dialog keeps).
enum ConfigControlId : int {
    kConfigOk = 1000,  // the default button: Enter confirms
    kConfigCancel = 2,  // also Escape and the close box
    kOutwardSpeedTrackbar = 1001,
    kPulseRateTrackbar = 1002,
    kPulseObjectSizeTrackbar = 1003,
    kPulseObjectCountTrackbar = 1004,
    kExtraSaturationCheck = 1007,
    kFluctuateTunnelSpeedCheck = 1008,
    kRadialBlurCheck = 1009,
    kResolutionCombo = 1014,
    kLimitFrameRateCheck = 1015,
    kPulseSquiggleCheck = 1016,
    kPulseRotateCheck = 1017,
};

constexpr int kConfigTrackbarCount = 4;
constexpr int kConfigCheckBoxCount = 6;
constexpr int kConfigResolutionCount = 6;

struct ConfigTrackbar {
    int id = 0;
    int minimum = 0;
    int maximum = 0;
    const char* label = nullptr;  // the text of the static beside it
};

struct ConfigCheckBox {
    int id = 0;
    const char* text = nullptr;  // '&' marks the mnemonic, as in a Windows resource
};

// In the order the dialog initialises and reads them.
extern const ConfigTrackbar kConfigTrackbars[kConfigTrackbarCount];
extern const ConfigCheckBox kConfigCheckBoxes[kConfigCheckBoxCount];
// The combo box entries: ResolutionTable entries 0 to 5, in table order.
extern const char* const kConfigResolutionTexts[kConfigResolutionCount];

// What the eleven controls show, in the order of the tables above.
struct ConfigControlValues {
    int trackbarPositions[kConfigTrackbarCount] = {};
    bool checked[kConfigCheckBoxCount] = {};
    int resolutionSelection = -1;  // -1: no entry selected
};

// The control states that show settings. Trackbar positions are already
// limited to their ranges, as a trackbar keeps a position outside its range
// at the nearer end; a value that is not a number shows the minimum. An index
// outside the offered resolutions selects nothing.
ConfigControlValues ControlsFromSettings(const SaverSettings& settings);

// Stores what the controls show into the eleven settings they edit; every
// other field keeps its contents. A selection of -1 is stored as it is.
void SettingsFromControls(const ConfigControlValues& values, SaverSettings& settings);
