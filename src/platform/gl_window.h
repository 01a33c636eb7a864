// The window the saver draws into and its OpenGL context: creation (with the
// optional full-screen mode), the initial GL state and projection, the input
// rules that end a full-screen run, teardown and error reporting.
//
// The decisions are portable (render/gl_window_state.cpp, and
// common/show_error.cpp for ShowError's formatting), and the state is the
// run's (renderWindow); creating windows and contexts, and showing an error,
// is done by the platform: windows/wgl_gl_window.cpp on Windows,
// linux/gl_window.cpp on Linux (a switch over x11_gl_window.cpp and
// egl_gl_window.cpp). The platform's handles (device context, context,
// module) stay in those units.
#pragma once

#include <cstdarg>
#include <cstdint>

// A window handle as it crosses the portable boundary: an HWND on Windows,
// an X11 Window id on Linux. 0 means none.
using NativeWindow = uintptr_t;

// The render window as the run sees it. It is a part of the one run record,
// which the run owns and puts back at its start; the platform units fill in
// the window and the full-screen mode, the render passes read the viewport.
struct RenderWindowState {
    NativeWindow glWindow = 0;     // the window carrying the context; 0 while none
    int32_t fullScreenActive = 0;  // 1 while the display runs in our mode
    int32_t viewportWidth = 0;     // set only by ResizeGLScene
    int32_t viewportHeight = 0;
    int32_t quitRequested = 0;     // ends the run; never cleared while it runs
    int32_t verifyingPassword = 0; // the host asks for a password: the mouse is the user's
    int32_t lastMouseX = -1;       // last mouse position seen, client coordinates
    int32_t lastMouseY = -1;
    int32_t mouseMoveCount = 0;    // distinct positions seen
    // A captioned window of its own also ends on q, Q and Escape, as every
    // XScreenSaver hack shown in a window does (the Linux --window).
    int32_t quitKeys = 0;
};

extern RenderWindowState& renderWindow;

// Whether the render window's OpenGL context exists: made by CreateGLWindow
// and not yet deleted by DestroyGLWindow.
bool HasGLContext();

// Opens the render window and its context. With parent 0 a window of its
// own is made (full screen when fullScreen is set and the mode change works,
// otherwise a captioned window); with a parent the context goes on that
// window. 1 when window, context and initial GL state are ready.
int CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen);

// Opens an offscreen surface of width x height with its context instead of
// a window, for headless runs and tests: no input, never full screen. 1 when
// surface, context and initial GL state are ready; 0 where the platform has
// none (Windows).
int CreateOffscreenGLWindow(int width, int height, int colorBits);

// The largest offscreen surface the platform promises for the current
// context: width, height and pixels, 0 where it names no limit. false
// without an offscreen context.
bool OffscreenSurfaceLimits(int& maxWidth, int& maxHeight, long long& maxPixels);

// Restores the display mode, deletes the context and destroys the window
// (or the offscreen surface); safe after a partial creation and when nothing
// was made.
int DestroyGLWindow();

// Shows the back buffer.
void SwapGLBuffers();

enum class PumpResult { Empty, Handled, Quit };

// Takes at most one pending window-system message and handles it, without
// waiting. Quit: the quit message was taken (it is not dispatched).
PumpResult PumpOneMessage();

// Viewport, projection and model-view for a client area of width x height;
// called when the window opens and on every change of its size. The render
// passes read the viewport's size each frame (the screen copies take a new
// size on their next copy), so nothing else follows a resize.
void ResizeGLScene(int width, int height);

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
enum class GLKey { Escape, Q, Other };  // Q: q or Q
void GLWindowKeyDown(GLKey key);
void GLWindowMouseMove(int x, int y);
// The host's password-check request reached the render window.
void GLWindowPasswordRequest();

// printf-style report to the user, titled "Error". Shown only while a render
// window exists (Linux also writes it to stderr). Never overflows: longer
// texts are cut. The formatted text goes to the platform's DisplayErrorText
// (error_display.h).
void ShowError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

constexpr int kErrorTextSize = 1024;
// Formats like ShowError into out (kErrorTextSize bytes), cutting long texts.
// Exposed for the platform units and tests.
void FormatErrorText(char* out, const char* format, va_list args);
