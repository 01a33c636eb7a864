// The Win32 side of the configuration dialog (dialog resource 2003).
#pragma once

#include <windows.h>

constexpr int kConfigDialogResource = 2003;

// Registers the common controls the dialog needs (the trackbar class).
// TRUE when the dialog can be shown.
BOOL InitDialogControls(HINSTANCE instance);

// The procedure of dialog 2003: loads the settings into the controls, and on
// OK reads them back and saves the record (a message box titled "Error" says
// when it could not be saved). Ends the dialog with 0.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
