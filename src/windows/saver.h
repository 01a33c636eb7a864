// The screen saver host on Windows: the command line and its modes, the
// saver window of class "WindowsScreenSaverClass" with its procedure, the
// default handling that ends a saver on input, and the password lock of the
// Windows 95 family. SaverProc (windows/saver_proc.cpp) is the saver's
// own procedure, which the host's window procedure calls.
#pragma once

#include <windows.h>

#include <imm.h>

#include "platform/gl_window.h"

using VerifyScreenSavePwdFunction = BOOL(WINAPI*)(HWND);
using ImmAssociateContextFunction = HIMC(WINAPI*)(HWND, HIMC);

// The host's Win32 handles, beside the portable host state (saverHost).
struct SaverHostHandles {
    HINSTANCE saverInstance = nullptr;                        // the process module
    HMODULE passwordLibrary = nullptr;                        // the verifier library
    VerifyScreenSavePwdFunction verifyPassword = nullptr;     // its "VerifyScreenSavePwd"
    HMODULE imeLibrary = nullptr;                             // input-method library, if already loaded
    ImmAssociateContextFunction associateContext = nullptr;   // its "ImmAssociateContext"
    HIMC savedInputContext = nullptr;                         // the context detached from the saver window
};

extern SaverHostHandles saverHostHandles;

extern const char kSaverWindowClass[];     // "WindowsScreenSaverClass"
extern const char kFullScreenSaverTitle[]; // "Screen Saver"
extern const char kPreviewSaverTitle[];    // "Preview"

// The saver's message procedure; its WM_CREATE holds the whole run.
LRESULT SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The host's default handling of the saver window's messages: closing on
// input, the password check and the auto-play request.
LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The procedure of class "WindowsScreenSaverClass": settles a few messages
// itself and hands the others to SaverProc.
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "WindowsScreenSaverClass" for instance; false if that failed.
bool RegisterSaverWindowClass(HINSTANCE instance);

// The process's start: reads the command line, runs SaverMain and ends the
// process with its result.
[[noreturn]] void SaverEntry();

// Chooses and runs the mode that text (the command line without the program
// name) asks for; the result is the exit code.
int SaverMain(HINSTANCE instance, const char* text, int showCommand = SW_SHOWDEFAULT);

// The saver window full screen (parent null) or as a preview in parent, with
// its message loop. The quit code, 0 for a second full-screen instance.
int RunSaverWindow(HWND parent);
// The preview in the window whose handle text holds; -1 without one.
int RunPreview(const char* text);
// The configuration dialog owned by owner (may be null).
int RunConfigDialog(HWND owner);
// The system's password change for screen savers; always 0.
int RunChangePassword(const char* text);

// The window for handle, or the foreground window when handle is 0 or no
// window.
HWND OwnerOrForeground(NativeWindow handle);


// 1 when the saver may close (password accepted or none needed).
BOOL VerifyPassword(HWND window);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
// Tells the system whether a screen saver runs (Windows 95 family only).
void SetScreenSaverRunning(BOOL running);

// The process's unhandled-exception filter while SaverMain runs: withdraws
// the screen-saver-running notice, then hands over to the filter that was in
// place before (in the end the system's own).
LONG WINAPI SaverExceptionFilter(EXCEPTION_POINTERS* exception);
