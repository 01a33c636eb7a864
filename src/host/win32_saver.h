// The saver window's side on Windows: SaverProc and the host's procedures.
#pragma once

#include <windows.h>

extern const char kSaverWindowClass[];  // "WindowsScreenSaverClass"

// The saver's message procedure; its WM_CREATE holds the whole run.
LRESULT SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The host's default handling of the saver window's messages.
LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The saver window's class procedure: passes its messages to SaverProc.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the saver window class for instance; false if that failed.
bool RegisterSaverWindowClass(HINSTANCE instance);
