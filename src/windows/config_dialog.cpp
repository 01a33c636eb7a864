// The configuration dialog on Windows: dialog resource 2003 (lumox.rc) run
// modally with ConfigDialogProc. Implements config_dialog.h and
// windows/config_dialog.h; relies on comctl32 for the trackbars and on the
// portable conversions of config_controls.h. The controls of the settings
// are those of the settings table, by their ids in lumox.rc.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "settings/config_controls.h"
#include "platform/config_dialog.h"
#include "settings/setting_table.h"
#include "settings/settings.h"
#include "windows/config_dialog.h"

namespace {

// Shows saverSettings, freshly loaded or defaulted, in the controls.
void InitConfigDialog(HWND dialog) {
    char title[64];
    std::snprintf(title, sizeof title, "%s", "Lumox Config");
    SetWindowTextA(dialog, title);

    if (!LoadSettings()) ApplyDefaultSettings();
    const ConfigControlValues values = ControlsFromSettings(saverSettings);

    for (size_t i : ConfigDialogSettings()) {
        const SettingSpec& setting = kSettings[i];
        if (setting.kind == SettingKind::Number) {
            SendDlgItemMessageA(dialog, setting.control, TBM_SETRANGE, TRUE,
                                MAKELPARAM(TrackbarMinimum(setting), TrackbarMaximum(setting)));
            SendDlgItemMessageA(dialog, setting.control, TBM_SETPOS, TRUE, values.shown[i]);
        } else {
            CheckDlgButton(dialog, setting.control, values.shown[i] ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    for (const char* text : kConfigResolutionTexts)
        SendDlgItemMessageA(dialog, kResolutionCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    // -1 clears the selection, for a stored index the list does not offer.
    SendDlgItemMessageA(dialog, kResolutionCombo, CB_SETCURSEL, static_cast<WPARAM>(values.resolutionSelection), 0);
}

// Reads what the controls show into saverSettings.
void ReadConfigDialog(HWND dialog) {
    ConfigControlValues values{};
    for (size_t i : ConfigDialogSettings()) {
        const int id = kSettings[i].control;
        values.shown[i] = kSettings[i].kind == SettingKind::Number
                              ? static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0))
                              : IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    }
    // CB_ERR (-1) when nothing is selected, stored as it is.
    values.resolutionSelection = static_cast<int>(SendDlgItemMessageA(dialog, kResolutionCombo, CB_GETCURSEL, 0, 0));
    SettingsFromControls(values, saverSettings);
}

}  // namespace

BOOL InitDialogControls(HINSTANCE) {
    InitCommonControls();
    return TRUE;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CREATE:
            InitConfigDialog(dialog);
            return TRUE;  // the focus goes to the first control that takes it
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kConfigCancel:
                    EndDialog(dialog, 0);
                    break;
                case kConfigOk:
                    ReadConfigDialog(dialog);
                    // A save that failed is told, not passed over as if it
                    // had worked; the dialog ends all the same.
                    if (!SaveSettings()) MessageBoxA(dialog, SettingsSaveProblem(), "Error", MB_OK | MB_ICONERROR);
                    EndDialog(dialog, 0);
                    break;
                default:
                    break;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// The host has run InitDialogControls before it gets here.
int RunConfigDialogBox(NativeWindow owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(kConfigDialogResource),
                                            reinterpret_cast<HWND>(owner), ConfigDialogProc, 0));
}
