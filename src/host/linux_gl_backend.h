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

// From now on SIGTERM and SIGINT end the run cleanly: the handler only sets
// a flag, and the X11 message pump answers Quit once it is set.
void X11WatchTermination();
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

int EglCreateGLWindow(int width, int height, int colorBits);
int EglDestroyGLWindow();
void EglSwapBuffers();

// A modal message dialog titled "Error" (GTK 3); false if none could be shown.
bool ShowErrorDialog(const char* text);
