// Render window on X11 with GLX. Implements x11_gl_window.h: a window of its own (captioned, or covering the screen
// with the keyboard grabbed when full screen), or the context put on a given
// window (a preview or XScreenSaver's window), whose size it follows.
//
// There is no display-mode change on X11: "full screen" is an
// override-redirect window the size of the screen. A window we were given is
// never destroyed: it belongs to whoever passed it, and it may vanish at any
// moment (the XScreenSaver daemon or a previewing program destroys it), so
// X errors about it end the run instead of the program. A lost connection
// to the server ends the program at once; SIGTERM and SIGINT (termination.h)
// end the waits of start-up, and the message pump turns them into the quit
// message.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "platform/termination.h"
#include "linux/x11_gl_window.h"

namespace {
Display* display = nullptr;
GLXContext context = nullptr;
Window window = 0;
bool ownWindow = false;
Colormap colormap = 0;
Cursor blankCursor = 0;
Atom deleteWindowAtom = 0;

bool windowLost = false;
bool probing = false;

int OnXError(Display* errorDisplay, XErrorEvent* error) {
    if (probing) return 0;
    if (window && !ownWindow && error->resourceid == window &&
        (error->error_code == BadWindow || error->error_code == BadDrawable)) {
        windowLost = true;
        return 0;
    }
    char text[256] = {};
    XGetErrorText(errorDisplay, error->error_code, text, sizeof text);
    std::fprintf(stderr, "lumox: X error %s (request %d)\n", text, error->request_code);
    return 0;
}

[[noreturn]] int OnXIOError(Display*) {
    std::fprintf(stderr, "lumox: lost the connection to the X server\n");
    _exit(1);
}

void InstallXErrorHandlers() {
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
}

// One connection for the whole run: the probes before the run use the one
// the run then draws through. (Closing the only connection would let a
// server without other clients reset under the next one.)
bool OpenDisplay() {
    if (display) return true;
    InstallXErrorHandlers();
    display = XOpenDisplay(nullptr);
    return display != nullptr;
}

XVisualInfo* ChooseVisual(int colorBits) {
    // Double-buffered RGBA at the configured depth with a 16-bit depth buffer.
    const int channel = colorBits >= 24 ? 8 : 5;
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, channel, GLX_GREEN_SIZE, channel,
                        GLX_BLUE_SIZE, channel, GLX_DEPTH_SIZE, 16, None};
    return glXChooseVisual(display, DefaultScreen(display), attributes);
}

// The visual of a window we were given, so the context matches it.
XVisualInfo* VisualOfWindow(Window target) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, target, &attributes)) return nullptr;
    XVisualInfo pattern;
    pattern.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    return XGetVisualInfo(display, VisualIDMask, &pattern, &count);
}

void HideCursor() {
    static const char empty[1] = {0};
    Pixmap pixmap = XCreateBitmapFromData(display, window, empty, 1, 1);
    XColor black = {};
    blankCursor = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display, pixmap);
    XDefineCursor(display, window, blankCursor);
}

// Until the window is mapped, or the process is told to end.
void WaitForMap() {
    XEvent event;
    for (;;) {
        while (XCheckWindowEvent(display, window, StructureNotifyMask, &event))
            if (event.type == MapNotify) return;
        if (TerminationRequested()) return;
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {TerminationFd(), POLLIN, 0}};
        poll(fds, TerminationFd() >= 0 ? 2 : 1, 100);
    }
}

bool GrabKeyboard() {
    // A window manager may still be mapping us; try for a moment.
    for (int attempt = 0; attempt < 100 && !TerminationRequested(); ++attempt) {
        if (XGrabKeyboard(display, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess)
            return true;
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return false;
}

bool CreateOwnWindow(XVisualInfo* visual, int width, int height) {
    const int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    XSetWindowAttributes attributes = {};
    attributes.colormap = colormap;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.border_pixel = 0;
    attributes.event_mask = KeyPressMask | StructureNotifyMask | PointerMotionMask | ExposureMask;
    unsigned long mask = CWColormap | CWBackPixel | CWBorderPixel | CWEventMask;
    if (renderWindow.fullScreenActive) {
        attributes.override_redirect = True;
        mask |= CWOverrideRedirect;
        width = DisplayWidth(display, screen);
        height = DisplayHeight(display, screen);
    }
    window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                           visual->depth, InputOutput, visual->visual, mask, &attributes);
    if (!window) return false;
    ownWindow = true;
    XStoreName(display, window, "Lumox");
    XClassHint classHint = {const_cast<char*>("lumox"), const_cast<char*>("Lumox")};
    XSetClassHint(display, window, &classHint);
    if (!renderWindow.fullScreenActive) {
        // A fixed client area, like a window without a sizing border.
        XSizeHints* hints = XAllocSizeHints();
        hints->flags = PPosition | PMinSize | PMaxSize;
        hints->x = hints->y = 0;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
        deleteWindowAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteWindowAtom, 1);
    }
    return true;
}
}  // namespace

NativeWindow X11RootWindow() {
    if (!OpenDisplay()) return 0;
    return static_cast<NativeWindow>(DefaultRootWindow(display));
}

bool X11WindowExists(NativeWindow target) {
    if (!OpenDisplay()) return false;
    probing = true;
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(display, static_cast<Window>(target), &attributes) != 0;
    XSync(display, False);
    probing = false;
    return exists;
}

bool X11HasOwnWindow() { return display && ownWindow && window; }

void X11ReleaseKeyboardGrab() {
    if (display && renderWindow.fullScreenActive) {
        XUngrabKeyboard(display, CurrentTime);
        XFlush(display);
    }
}

void X11RestoreKeyboardGrab() {
    // As at creation: without the keyboard, an ordinary window's rules.
    if (display && window && renderWindow.fullScreenActive && !GrabKeyboard()) renderWindow.fullScreenActive = 0;
}

int X11CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen) {
    renderWindow.fullScreenActive = parent ? 0 : fullScreen;
    windowLost = false;
    if (!OpenDisplay()) return 0;

    XVisualInfo* visual = parent ? VisualOfWindow(static_cast<Window>(parent)) : ChooseVisual(colorBits);
    if (!visual) {
        X11DestroyGLWindow();
        return 0;
    }
    if (parent) {
        window = static_cast<Window>(parent);
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        width = attributes.width;
        height = attributes.height;
        // Follow the size of the window and notice its end.
        XSelectInput(display, window, StructureNotifyMask | ExposureMask);
    } else if (!CreateOwnWindow(visual, width, height)) {
        XFree(visual);
        X11DestroyGLWindow();
        return 0;
    }
    renderWindow.glWindow = static_cast<NativeWindow>(window);

    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
    if (!context || !glXMakeCurrent(display, window, context)) {
        X11DestroyGLWindow();
        return 0;
    }

    if (ownWindow) {
        XMapRaised(display, window);
        WaitForMap();
        if (renderWindow.fullScreenActive) {
            HideCursor();
            // Without the keyboard Escape could not end the run: fall back
            // to an ordinary window's rules, as a refused mode change does.
            if (!GrabKeyboard()) renderWindow.fullScreenActive = 0;
            XWindowAttributes attributes;
            XGetWindowAttributes(display, window, &attributes);
            width = attributes.width;
            height = attributes.height;
        }
    }
    ResizeGLScene(width, height);
    if (!InitGLState()) {
        X11DestroyGLWindow();
        return 0;
    }
    return 1;
}

namespace {
// Mesa's glXUseXFont compiles a glyph without ink (the space) into a
// bitmap of no size, whose advance its display lists drop: "FPS: 9" would
// read "FPS:9". Such glyphs get a one-pixel bitmap without a set bit,
// which moves the raster position by the glyph's width and draws nothing.
void KeepBlankGlyphsAdvancing(const XFontStruct* xfont, GLuint base) {
    if (!xfont->per_char) return;  // every glyph has the font's own metrics
    static const GLubyte blank[4] = {0, 0, 0, 0};  // one row at any unpack alignment
    for (unsigned c = xfont->min_char_or_byte2; c <= xfont->max_char_or_byte2 && c < kOverlayFontGlyphs; ++c) {
        const XCharStruct& glyph = xfont->per_char[c - xfont->min_char_or_byte2];
        const bool ink = glyph.rbearing > glyph.lbearing && glyph.ascent + glyph.descent > 0;
        if (ink || glyph.width <= 0) continue;
        glNewList(base + c, GL_COMPILE);
        glBitmap(1, 1, 0, 0, glyph.width, 0, blank);
        glEndList();
    }
}
}  // namespace

bool X11MakeOverlayFont(OverlayFont& font) {
    if (!display || !context) return false;
    // XScreenSaver's own choice for its frame-rate figures first; "fixed"
    // is built into every X server.
    const char* const names[] = {"-*-courier-bold-r-normal-*-*-180-*-*-*-*-iso8859-1",
                                 "-*-helvetica-bold-r-normal-*-*-180-*-*-*-*-iso8859-1", "fixed"};
    XFontStruct* xfont = nullptr;
    for (const char* name : names)
        if ((xfont = XLoadQueryFont(display, name))) break;
    if (!xfont) return false;
    const GLuint base = glGenLists(kOverlayFontGlyphs);
    if (base) {
        glXUseXFont(xfont->fid, 0, kOverlayFontGlyphs, static_cast<int>(base));
        KeepBlankGlyphsAdvancing(xfont, base);
    }
    font.listBase = base;
    font.ascent = xfont->ascent;
    font.descent = xfont->descent;
    // The display lists hold copies of the glyphs.
    XFreeFont(display, xfont);
    return base != 0;
}

int X11DestroyGLWindow() {
    if (display) {
        if (renderWindow.fullScreenActive) {
            XUngrabKeyboard(display, CurrentTime);
            if (window) XUndefineCursor(display, window);
        }
        if (context) {
            glXMakeCurrent(display, None, nullptr);
            glXDestroyContext(display, context);
        }
        if (blankCursor) XFreeCursor(display, blankCursor);
        if (ownWindow && window) XDestroyWindow(display, window);
        if (colormap) XFreeColormap(display, colormap);
        XCloseDisplay(display);
    }
    display = nullptr;
    context = nullptr;
    window = 0;
    ownWindow = false;
    colormap = 0;
    blankCursor = 0;
    renderWindow.glWindow = 0;
    return 1;
}

bool X11HasGLContext() { return context != nullptr; }

void X11SwapBuffers() {
    if (display && window) glXSwapBuffers(display, window);
}

PumpResult X11PumpOneMessage() {
    if (TerminationRequested() || windowLost) return PumpResult::Quit;
    if (!display || !XPending(display)) return PumpResult::Empty;
    XEvent event;
    XNextEvent(display, &event);
    switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == window) ResizeGLScene(event.xconfigure.width, event.xconfigure.height);
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            GLWindowKeyDown(key == XK_Escape               ? GLKey::Escape
                            : key == XK_q || key == XK_Q ? GLKey::Q
                                                           : GLKey::Other);
            break;
        }
        case MotionNotify:
            GLWindowMouseMove(event.xmotion.x, event.xmotion.y);
            break;
        case ClientMessage:
            // The window manager's close: the run ends, like WM_CLOSE.
            if (deleteWindowAtom && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindowAtom)
                return PumpResult::Quit;
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) {
                window = 0;
                ownWindow = false;
                return PumpResult::Quit;
            }
            break;
        default:
            break;
    }
    return PumpResult::Handled;
}
