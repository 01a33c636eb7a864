// Portable half of the render window: the projection, the initial GL state,
// the input rules over the run's renderWindow, and the formatting of error
// texts.
#include "platform/gl_window.h"

#include "common/gl.h"

#include <cmath>
#include <cstdio>

void SetPerspective(float fovY, float aspect, float zNear, float zFar) {
    // pi / 360 as the double the projection has always used. The top edge
    // stays a double; only the bottom edge is held in single precision, so
    // the frustum is a hair off symmetric, as it has always been.
    const double ymax = zNear * std::tan(fovY * 0.008726646259971648);
    const float ymin = static_cast<float>(-ymax);
    const double left = static_cast<double>(ymin) * aspect;
    const double right = ymax * aspect;
    glFrustum(left, right, ymin, ymax, zNear, zFar);
}

void ResizeGLScene(int width, int height) {
    if (height <= 0) height = 1;
    if (width <= 0) width = 1;
    glViewport(0, 0, width, height);
    renderWindow.viewportWidth = width;
    renderWindow.viewportHeight = height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    SetPerspective(45.0f, static_cast<float>(width) / static_cast<float>(height), 0.1f, 256.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

int InitGLState() {
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    return 1;
}

void GLWindowKeyDown(GLKey key) {
    if (renderWindow.fullScreenActive) {
        if (key == GLKey::Escape) renderWindow.quitRequested = 1;
        return;
    }
    if (renderWindow.quitKeys && key != GLKey::Other) renderWindow.quitRequested = 1;
}

void GLWindowMouseMove(int x, int y) {
    // While the host asks for a password the mouse belongs to the user.
    if (renderWindow.verifyingPassword) return;
    if (x == renderWindow.lastMouseX && y == renderWindow.lastMouseY) return;
    renderWindow.lastMouseX = x;
    renderWindow.lastMouseY = y;
    ++renderWindow.mouseMoveCount;
    // A few positions are the jitter of a resting mouse; the sixth is a user.
    if (renderWindow.mouseMoveCount > 5 && renderWindow.fullScreenActive) renderWindow.quitRequested = 1;
}

void GLWindowPasswordRequest() { renderWindow.verifyingPassword = 1; }

void FormatErrorText(char* out, const char* format, va_list args) {
    // vsnprintf cuts at kErrorTextSize - 1 characters and always terminates.
    if (std::vsnprintf(out, kErrorTextSize, format, args) < 0) out[0] = '\0';
}
