// Win32 parts of the render window that other Windows units call.
#pragma once

#include <windows.h>

// The host's request to check the password (WM_APP).
constexpr UINT kPasswordCheckMessage = WM_APP;

// The window procedure of the "f_lumox" class; SaverProc also routes the
// saver window's messages through it.
LRESULT CALLBACK GLWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Size of the display-mode record a full-screen run hands to
// ChangeDisplaySettingsA: DEVMODEA up to dmReserved2, without the panning
// fields later headers add.
constexpr WORD kDisplayModeSize = 148;

// Fills mode (a whole DEVMODEA, zeroed first) with the full-screen request
// for width x height at colorBits: dmSize kDisplayModeSize, the three sizes
// and their dmFields bits, no refresh rate.
void FillDisplayMode(DEVMODEA& mode, int width, int height, int colorBits);
