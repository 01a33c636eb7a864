// Implements gl_window.h's platform calls for Linux by forwarding to the
// back end the entry point selected (X11 + GLX by default).
#include "host/error_display.h"
#include "host/linux_gl_backend.h"

#include <cstdio>

namespace {
LinuxGLBackend backend = LinuxGLBackend::X11;
}  // namespace

void SelectGLBackend(LinuxGLBackend chosen) { backend = chosen; }
LinuxGLBackend SelectedGLBackend() { return backend; }

int CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen) {
    if (backend == LinuxGLBackend::Egl) return EglCreateGLWindow(width, height, colorBits);
    return X11CreateGLWindow(parent, width, height, colorBits, fullScreen);
}

int DestroyGLWindow() {
    return backend == LinuxGLBackend::Egl ? EglDestroyGLWindow() : X11DestroyGLWindow();
}

void SwapGLBuffers() {
    if (backend == LinuxGLBackend::Egl)
        EglSwapBuffers();
    else
        X11SwapBuffers();
}

PumpResult PumpOneMessage() {
    // A pbuffer has no messages: every pass draws a frame.
    return backend == LinuxGLBackend::Egl ? PumpResult::Empty : X11PumpOneMessage();
}

void DisplayErrorText(const char* text) {
    std::fprintf(stderr, "lumox: %s\n", text);
    if (backend == LinuxGLBackend::X11 && X11HasOwnWindow()) ShowErrorDialog(text);
}
