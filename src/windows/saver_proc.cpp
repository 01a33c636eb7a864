// SaverProc: routes the saver window's messages. Its WM_CREATE runs the
// whole saver (RunSaver); the password request and activation set and clear
// verifyingPassword; everything else passes through GLWindowProc to the
// host's DefaultSaverProc.
#include <windows.h>

#include "settings/settings.h"
#include "windows/wgl_gl_window.h"
#include "windows/saver.h"
#include "app/run.h"

LRESULT SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    RefreshSettingsDirectory();
    switch (message) {
        case WM_CREATE: {
            // A preview's saver window is a child of the control panel's
            // preview area: the context goes on it. Full screen, the run
            // makes a render window of its own.
            RunOptions options;
            if (GetParent(window)) {
                options.window = RunWindow::Given;
                options.givenWindow = reinterpret_cast<NativeWindow>(window);
            }
            if (videoInputEnabled) CoInitialize(nullptr);
            if (RunSaver(options) != RunEnd::Done) return 0;
            break;
        }
        case kPasswordCheckMessage:
            renderWindow.verifyingPassword = 1;
            break;
        case WM_ACTIVATE:
            renderWindow.verifyingPassword = 0;
            break;
        default:
            GLWindowProc(window, message, wParam, lParam);
            break;
    }
    return DefaultSaverProc(window, message, wParam, lParam);
}
