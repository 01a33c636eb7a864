// The window the saver draws into and its OpenGL context: creation (with the
// optional full-screen mode), the initial GL state and projection, the input
// rules that end a full-screen run, teardown and error reporting.
//
// The state and the decisions are portable (gl_window_state.cpp); creating
// windows and contexts is done by one platform unit per back end
// (win32_gl_window.cpp; x11_gl_window.cpp and egl_gl_window.cpp on Linux).
#pragma once

#include <cstdarg>
#include <cstdint>

// A window handle as it crosses the portable boundary: an HWND on Windows,
// an X11 Window id on Linux. 0 means none.
using NativeWindow = uintptr_t;

struct RenderWindowState {
    NativeWindow glWindow;      // the window carrying the context
    uintptr_t glDeviceContext;  // HDC on Windows; unused elsewhere
    uintptr_t glContext;        // HGLRC, GLXContext or EGLContext
    uintptr_t moduleInstance;   // HINSTANCE on Windows
    int32_t fullScreenActive;   // 1 while the display runs in our mode
    int32_t viewportWidth;
    int32_t viewportHeight;
    int32_t quitRequested;
    int32_t verifyingPassword;
    int32_t lastMouseX;
    int32_t lastMouseY;
    int32_t mouseMoveCount;
};

extern RenderWindowState renderWindow;

// Puts the render-window state back as it is at process start.
void ResetRenderWindowState();

// Opens the render window and its context. With parent 0 a window of its
// own is made (full screen when fullScreen is set and the mode change works,
// otherwise a captioned window); with a parent the context goes on that
// window. 1 when window, context and initial GL state are ready.
int CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen);

// Restores the display mode, deletes the context and destroys the window;
// safe after a partial creation and when nothing was made.
int DestroyGLWindow();

// Shows the back buffer.
void SwapGLBuffers();

enum class PumpResult { Empty, Handled, Quit };

// Takes at most one pending window-system message and handles it, without
// waiting. Quit: the quit message was taken (it is not dispatched).
PumpResult PumpOneMessage();

// Viewport, projection and model-view for a client area of width x height.
void ResizeGLScene(int width, int height);

// ResizeGLScene for a window whose client area is now width x height (a
// resize event, not the window's opening). When the viewport's size changes
// while the context exists, the render passes are told (OnViewportResized)
// and the result is true.
bool FollowWindowSize(int width, int height);

// Multiplies the current matrix by a perspective frustum.
void SetPerspective(float fovY, float aspect, float zNear, float zFar);

// The GL state every frame starts from. Always 1.
int InitGLState();

// Glyphs of a font of the window system as GL display lists: character c
// (0 to 127) is list listBase + c. Metrics in pixels.
struct OverlayFont {
    uint32_t listBase = 0;
    int ascent = 0;
    int descent = 0;
};
constexpr int kOverlayFontGlyphs = 128;

// Makes the glyphs for text over the frame on the current context. false
// where the window system offers no fonts (an EGL pbuffer; the Windows
// build, which has no --fps).
bool MakeOverlayFont(OverlayFont& font);

// Input rules of the render window, called by the platform units.
enum class GLKey { Escape, Other };
void GLWindowKeyDown(GLKey key);
void GLWindowMouseMove(int x, int y);
// The host's password-check request reached the render window.
void GLWindowPasswordRequest();

// printf-style report to the user, titled "Error". Shown only while a render
// window exists (Linux also writes it to stderr). Never overflows: longer
// texts are cut.
void ShowError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

constexpr int kErrorTextSize = 1024;
// Formats like ShowError into out (kErrorTextSize bytes), cutting long texts.
// Exposed for the platform units and tests.
void FormatErrorText(char* out, const char* format, va_list args);
