// Render window on Win32 with WGL: the "f_lumox" window class, the optional
// display-mode change with its silent fall-back to a captioned window, the
// pixel format, the context, GLWindowProc, teardown in order, and the
// message box of ShowError. Implements gl_window.h and error_display.h.
#include <windows.h>

#include <cstddef>

#include "common/gl.h"
#include "platform/error_display.h"
#include "platform/gl_window.h"
#include "windows/wgl_gl_window.h"

namespace {
const char kGLWindowClass[] = "f_lumox";

PIXELFORMATDESCRIPTOR pixelFormat = {};

// The render window's Win32 handles; the window itself is renderWindow's
// glWindow.
struct Win32RenderWindow {
    HDC deviceContext = nullptr;
    HGLRC context = nullptr;
    HINSTANCE moduleInstance = nullptr;
};
Win32RenderWindow win32Window;

HWND Hwnd() { return reinterpret_cast<HWND>(renderWindow.glWindow); }
}  // namespace

static_assert(offsetof(DEVMODEA, dmPanningWidth) == kDisplayModeSize, "the display-mode record ends at dmReserved2");

void FillDisplayMode(DEVMODEA& mode, int width, int height, int colorBits) {
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = kDisplayModeSize;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(colorBits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
}

int CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen) {
    RECT rect = {0, 0, width, height};
    renderWindow.fullScreenActive = fullScreen;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    win32Window.moduleInstance = instance;

    if (!parent) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = GLWindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(102));
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kGLWindowClass;
        if (!RegisterClassA(&windowClass)) return 0;
    }

    if (renderWindow.fullScreenActive) {
        DEVMODEA mode;
        FillDisplayMode(mode, width, height, colorBits);
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
            renderWindow.fullScreenActive = 0;  // silently windowed
        else
            ShowCursor(FALSE);
    }

    DWORD style, exStyle;
    if (renderWindow.fullScreenActive) {
        style = WS_POPUP;
        exStyle = WS_EX_APPWINDOW;
    } else {
        style = WS_CAPTION | WS_SYSMENU;
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    }
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    if (parent) {
        renderWindow.glWindow = parent;
    } else {
        HWND window = CreateWindowExA(exStyle, kGLWindowClass, "Lumox", style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                                      0, rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance,
                                      nullptr);
        if (!window) {
            DestroyGLWindow();
            return 0;
        }
        renderWindow.glWindow = reinterpret_cast<NativeWindow>(window);
    }

    pixelFormat.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pixelFormat.nVersion = 1;
    pixelFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pixelFormat.iPixelType = PFD_TYPE_RGBA;
    pixelFormat.cColorBits = static_cast<BYTE>(colorBits);
    pixelFormat.cDepthBits = 16;
    pixelFormat.iLayerType = PFD_MAIN_PLANE;

    HDC deviceContext = GetDC(Hwnd());
    if (!deviceContext) {
        DestroyGLWindow();
        return 0;
    }
    win32Window.deviceContext = deviceContext;
    int format = ChoosePixelFormat(deviceContext, &pixelFormat);
    if (!format || !SetPixelFormat(deviceContext, format, &pixelFormat)) {
        DestroyGLWindow();
        return 0;
    }
    HGLRC context = wglCreateContext(deviceContext);
    if (!context) {
        DestroyGLWindow();
        return 0;
    }
    win32Window.context = context;
    if (!wglMakeCurrent(deviceContext, context)) {
        DestroyGLWindow();
        return 0;
    }

    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
    SetFocus(Hwnd());
    ResizeGLScene(width, height);
    if (!InitGLState()) {
        DestroyGLWindow();
        return 0;
    }
    return 1;
}

int DestroyGLWindow() {
    if (renderWindow.fullScreenActive) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (win32Window.context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(win32Window.context);
        win32Window.context = nullptr;
    }
    if (win32Window.deviceContext) {
        ReleaseDC(Hwnd(), win32Window.deviceContext);
        win32Window.deviceContext = nullptr;
    }
    if (renderWindow.glWindow) {
        DestroyWindow(Hwnd());
        renderWindow.glWindow = 0;
    }
    return UnregisterClassA(kGLWindowClass, win32Window.moduleInstance) ? 1 : 0;
}

// The Windows build draws on screen only: snapshots are the Linux build's.
int CreateOffscreenGLWindow(int, int, int) { return 0; }

bool OffscreenSurfaceLimits(int&, int&, long long&) { return false; }

bool HasGLContext() { return win32Window.context != nullptr; }

void SwapGLBuffers() { SwapBuffers(win32Window.deviceContext); }

PumpResult PumpOneMessage() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Empty;
    if (message.message == WM_QUIT) return PumpResult::Quit;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return PumpResult::Handled;
}

LRESULT CALLBACK GLWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            ResizeGLScene(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ACTIVATE:
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            GLWindowKeyDown(wParam == VK_ESCAPE ? GLKey::Escape : GLKey::Other);
            return 0;
        case WM_KEYUP:
            return 0;
        case WM_SYSCOMMAND:
            // Neither another screen saver nor monitor power-down while we run.
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        case WM_MOUSEMOVE:
            GLWindowMouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case kPasswordCheckMessage:
            GLWindowPasswordRequest();
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DisplayErrorText(const char* text) {
    if (renderWindow.glWindow) MessageBoxA(Hwnd(), text, "Error", MB_OK);
}

// The Windows saver's command line has no --fps: nothing asks for text.
bool MakeOverlayFont(OverlayFont&) { return false; }
