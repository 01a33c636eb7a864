// The EGL back end of the Linux render window (egl_gl_window.cpp): a
// pbuffer on Mesa's surfaceless platform, for headless runs and tests.
// linux/gl_window.cpp calls it for gl_window.h's offscreen calls.
#pragma once

int EglCreateGLWindow(int width, int height, int colorBits);
int EglDestroyGLWindow();
bool EglHasGLContext();
void EglSwapBuffers();
// The largest pbuffer the open context's EGL config promises: width,
// height and pixels, 0 where EGL names no limit. false without a context.
bool EglPbufferLimits(int& maxWidth, int& maxHeight, long long& maxPixels);
