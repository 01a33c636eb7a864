// Headless render window: an EGL pbuffer on Mesa's surfaceless platform, so
// snapshots and the GL tests need no display. Implements egl_gl_window.h;
// the pbuffer is never "full screen" and has no window.
#include "linux/egl_gl_window.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "common/gl.h"
#include "platform/gl_window.h"

namespace {
EGLDisplay eglDisplay = EGL_NO_DISPLAY;
EGLSurface eglSurface = EGL_NO_SURFACE;
EGLContext eglContext = EGL_NO_CONTEXT;
EGLConfig eglConfig = nullptr;

EGLDisplay OpenSurfacelessDisplay() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}
}  // namespace

int EglCreateGLWindow(int width, int height, int colorBits) {
    renderWindow.fullScreenActive = 0;
    if (width <= 0) width = 1;
    if (height <= 0) height = 1;
    eglDisplay = OpenSurfacelessDisplay();
    if (eglDisplay == EGL_NO_DISPLAY || !eglInitialize(eglDisplay, nullptr, nullptr)) {
        eglDisplay = EGL_NO_DISPLAY;
        return 0;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        EglDestroyGLWindow();
        return 0;
    }
    // The render window's format: RGBA at the configured depth, 16-bit depth.
    const EGLint channel = colorBits >= 24 ? 8 : 5;
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE, channel, EGL_GREEN_SIZE, channel, EGL_BLUE_SIZE, channel,
                                       EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(eglDisplay, configAttributes, &config, 1, &count) || count < 1) {
        EglDestroyGLWindow();
        return 0;
    }
    eglConfig = config;
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    eglSurface = eglCreatePbufferSurface(eglDisplay, config, surfaceAttributes);
    if (eglSurface == EGL_NO_SURFACE) {
        EglDestroyGLWindow();
        return 0;
    }
    eglContext = eglCreateContext(eglDisplay, config, EGL_NO_CONTEXT, nullptr);
    if (eglContext == EGL_NO_CONTEXT || !eglMakeCurrent(eglDisplay, eglSurface, eglSurface, eglContext)) {
        EglDestroyGLWindow();
        return 0;
    }
    ResizeGLScene(width, height);
    if (!InitGLState()) {
        EglDestroyGLWindow();
        return 0;
    }
    return 1;
}

int EglDestroyGLWindow() {
    if (eglDisplay != EGL_NO_DISPLAY) {
        eglMakeCurrent(eglDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (eglContext != EGL_NO_CONTEXT) eglDestroyContext(eglDisplay, eglContext);
        if (eglSurface != EGL_NO_SURFACE) eglDestroySurface(eglDisplay, eglSurface);
        eglTerminate(eglDisplay);
    }
    eglContext = EGL_NO_CONTEXT;
    eglSurface = EGL_NO_SURFACE;
    eglDisplay = EGL_NO_DISPLAY;
    eglConfig = nullptr;
    return 1;
}

bool EglHasGLContext() { return eglContext != EGL_NO_CONTEXT; }

bool EglPbufferLimits(int& maxWidth, int& maxHeight, long long& maxPixels) {
    if (eglContext == EGL_NO_CONTEXT) return false;
    EGLint width = 0, height = 0, pixels = 0;
    eglGetConfigAttrib(eglDisplay, eglConfig, EGL_MAX_PBUFFER_WIDTH, &width);
    eglGetConfigAttrib(eglDisplay, eglConfig, EGL_MAX_PBUFFER_HEIGHT, &height);
    eglGetConfigAttrib(eglDisplay, eglConfig, EGL_MAX_PBUFFER_PIXELS, &pixels);
    maxWidth = width;
    maxHeight = height;
    maxPixels = pixels;
    return true;
}

void EglSwapBuffers() {
    // A pbuffer has one buffer; finishing makes the frame readable.
    glFinish();
}
