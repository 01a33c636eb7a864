// Entry point of lumox.scr. "/s" (also "-s" or "s", any case) runs the
// saver: the saver window is created and its creation runs the whole saver.
// "/c" (any spelling) and an empty command line show the configuration
// dialog. Other switches answer with exit code -1.
#include <windows.h>

#include "host/config_dialog.h"
#include "host/win32_saver.h"

namespace {
bool IsSaverSwitch(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '/' || *text == '-') ++text;
    if (*text != 's' && *text != 'S') return false;
    ++text;
    while (*text == ' ' || *text == '\t') ++text;
    return *text == '\0';
}

bool IsConfigSwitch(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '/' || *text == '-') ++text;
    return *text == '\0' || *text == 'c' || *text == 'C';
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    if (IsConfigSwitch(commandLine)) return RunConfigDialogBox(0);
    if (!IsSaverSwitch(commandLine)) return -1;
    if (!RegisterSaverWindowClass(instance)) return 1;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    // CreateWindowExA returns when the run inside WM_CREATE has ended.
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kSaverWindowClass, "Lumox", WS_POPUP, 0, 0, width, height, nullptr,
                                  nullptr, instance, nullptr);
    if (window) DestroyWindow(window);
    // Drop the quit message the destroyed window posted.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    return 0;
}
