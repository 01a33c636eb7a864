// Win32 parts of the render window that other Windows units call.
#pragma once

#include <windows.h>

// The host's request to check the password (WM_APP).
constexpr UINT kPasswordCheckMessage = WM_APP;

// The window procedure of the "f_lumox" class; SaverProc also routes the
// saver window's messages through it.
LRESULT CALLBACK GLWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
