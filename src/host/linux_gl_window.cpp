// Implements gl_window.h's platform calls for Linux by forwarding to the
// back end the entry point selected (X11 + GLX by default).
#include "host/error_display.h"
#include "host/linux_gl_backend.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstring>

namespace {
LinuxGLBackend backend = LinuxGLBackend::X11;

// Mesa unloads its driver when the last display is closed. What the driver
// still held then is unreachable, and LeakSanitizer reports it as our leak
// at exit; a second context would also load and initialise it all again.
// Once a context works, the driver that serves it stays loaded for the rest
// of the process.
int PinDriverModule(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name;
    if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium"))) {
        // RTLD_NOLOAD: only modules already loaded; the handle is kept on purpose.
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

int KeepDriverLoaded(int created) {
    if (created) dl_iterate_phdr(PinDriverModule, nullptr);
    return created;
}
}  // namespace

void SelectGLBackend(LinuxGLBackend chosen) { backend = chosen; }
LinuxGLBackend SelectedGLBackend() { return backend; }

int CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen) {
    if (backend == LinuxGLBackend::Egl) return KeepDriverLoaded(EglCreateGLWindow(width, height, colorBits));
    return KeepDriverLoaded(X11CreateGLWindow(parent, width, height, colorBits, fullScreen));
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

bool MakeOverlayFont(OverlayFont& font) {
    // A pbuffer has no window system and so no fonts.
    return backend == LinuxGLBackend::X11 && X11MakeOverlayFont(font);
}

void DisplayErrorText(const char* text) {
    std::fprintf(stderr, "lumox: %s\n", text);
    if (backend != LinuxGLBackend::X11 || !X11HasOwnWindow()) return;
    X11ReleaseKeyboardGrab();
    ShowErrorDialog(text, renderWindow.glWindow);
    X11RestoreKeyboardGrab();
}
