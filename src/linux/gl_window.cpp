// Implements gl_window.h's platform calls and error_display.h for Linux:
// CreateGLWindow makes the render window on the X11 + GLX back end,
// CreateOffscreenGLWindow an EGL pbuffer; the other calls go to the back end
// that made the current one.
#include "linux/egl_gl_window.h"
#include "platform/error_display.h"
#include "platform/gl_window.h"
#include "linux/gtk_error_dialog.h"
#include "linux/gl_driver.h"
#include "linux/x11_gl_window.h"

#include <cstdio>

#include "platform/termination.h"

namespace {
enum class Backend { X11, Egl };
Backend backend = Backend::X11;

int KeepDriverLoaded(int created) {
    if (created) KeepGLDriverLoaded();
    return created;
}
}  // namespace

int CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen) {
    backend = Backend::X11;
    return KeepDriverLoaded(X11CreateGLWindow(parent, width, height, colorBits, fullScreen));
}

int CreateOffscreenGLWindow(int width, int height, int colorBits) {
    backend = Backend::Egl;
    return KeepDriverLoaded(EglCreateGLWindow(width, height, colorBits));
}

int DestroyGLWindow() { return backend == Backend::Egl ? EglDestroyGLWindow() : X11DestroyGLWindow(); }

bool HasGLContext() { return backend == Backend::Egl ? EglHasGLContext() : X11HasGLContext(); }

void SwapGLBuffers() {
    if (backend == Backend::Egl)
        EglSwapBuffers();
    else
        X11SwapBuffers();
}

PumpResult PumpOneMessage() {
    if (backend == Backend::X11) return X11PumpOneMessage();
    // A pbuffer has no messages: every pass draws a frame, until the
    // process is told to end.
    return TerminationRequested() ? PumpResult::Quit : PumpResult::Empty;
}

bool OffscreenSurfaceLimits(int& maxWidth, int& maxHeight, long long& maxPixels) {
    return backend == Backend::Egl && EglPbufferLimits(maxWidth, maxHeight, maxPixels);
}

bool MakeOverlayFont(OverlayFont& font) {
    // A pbuffer has no window system and so no fonts.
    return backend == Backend::X11 && X11MakeOverlayFont(font);
}

void DisplayErrorText(const char* text) {
    std::fprintf(stderr, "lumox: %s\n", text);
    if (backend != Backend::X11 || !X11HasOwnWindow()) return;
    X11ReleaseKeyboardGrab();
    ShowErrorDialog(text, renderWindow.glWindow);
    X11RestoreKeyboardGrab();
}
