// The saver window of the Windows host: class "WindowsScreenSaverClass",
// whose procedure hands its messages to SaverProc, and the host's default
// handling of them.
#include <windows.h>

#include "host/win32_saver.h"

const char kSaverWindowClass[] = "WindowsScreenSaverClass";

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A destroyed saver window (a discarded preview) ends the run.
    if (message == WM_DESTROY) PostQuitMessage(0);
    return SaverProc(window, message, wParam, lParam);
}

bool RegisterSaverWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS | CS_DBLCLKS;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(102));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverWindowClass;
    return RegisterClassA(&windowClass) != 0;
}
