// The X11 + GLX back end of the Linux render window (x11_gl_window.cpp): a
// window of its own or the context on a given window, for runs on a
// display. linux/gl_window.cpp calls it for gl_window.h's calls; the entry
// point also asks it about the display before a run.
#pragma once

#include "platform/gl_window.h"

int X11CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen);
int X11DestroyGLWindow();
bool X11HasGLContext();
void X11SwapBuffers();
PumpResult X11PumpOneMessage();
// true while a window of our own is open on a display.
bool X11HasOwnWindow();
// A full-screen window holds the keyboard; a dialog shown over it needs the
// keyboard for the time it is up, after which the window takes it back.
void X11ReleaseKeyboardGrab();
void X11RestoreKeyboardGrab();

// The root window of the display's default screen; 0 without a display.
NativeWindow X11RootWindow();
// Whether window exists on the display (false without a display).
bool X11WindowExists(NativeWindow window);
// The glyphs of an X font for text over the frame (glXUseXFont), on the
// current context.
bool X11MakeOverlayFont(OverlayFont& font);
