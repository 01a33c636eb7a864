// The Linux build carries two render-window back ends: X11 + GLX for a real
// display, EGL pbuffers for headless runs. The entry point picks one before
// the run; gl_window.h's calls then go to it.
#pragma once

#include "host/gl_window.h"

enum class LinuxGLBackend { X11, Egl };

void SelectGLBackend(LinuxGLBackend backend);
LinuxGLBackend SelectedGLBackend();

// X11: in a captioned window of its own, q, Q and Escape end the run as in
// every XScreenSaver hack shown in a window (off by default).
void SetX11QuitKeys(bool on);

// The root window of the display's default screen; 0 without a display.
NativeWindow X11RootWindow();
// Whether window exists on the display (false without a display).
bool X11WindowExists(NativeWindow window);

int X11CreateGLWindow(NativeWindow parent, int width, int height, int colorBits, int fullScreen);
int X11DestroyGLWindow();
void X11SwapBuffers();
PumpResult X11PumpOneMessage();
// The glyphs of an X font for text over the frame (glXUseXFont).
bool X11MakeOverlayFont(OverlayFont& font);
// true while a window of our own is open on a display.
bool X11HasOwnWindow();
// A full-screen window holds the keyboard; a dialog shown over it needs the
// keyboard for the time it is up, after which the window takes it back.
void X11ReleaseKeyboardGrab();
void X11RestoreKeyboardGrab();

int EglCreateGLWindow(int width, int height, int colorBits);
// The largest pbuffer the open context's EGL config promises: width,
// height and pixels, 0 where EGL names no limit. false without a context.
bool EglPbufferLimits(int& maxWidth, int& maxHeight, int& maxPixels);
int EglDestroyGLWindow();
void EglSwapBuffers();

// A modal message dialog titled "Error" (GTK 3) over window owner (0: none);
// false if none could be shown. SIGTERM and SIGINT close it.
bool ShowErrorDialog(const char* text, NativeWindow owner);
