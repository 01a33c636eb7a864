// How the Linux entry point reads its command line. Long options belong to
// Linux alone and are read first; what remains is read as the Windows
// screen-saver switches (saver_command.h), with the same results. Portable,
// so that every odd command line can be tried in the unit tests.
#pragma once

#include <cstdint>
#include <string>

#include "host/gl_window.h"

enum class LinuxMode {
    Help,
    Version,
    ConfigDialog,  // no arguments, /c, /c:ID
    FullScreen,    // /s, -s, s
    Windowed,      // --window
    Preview,       // /p ID: on X11 window ID
    Hack,          // --root, --window-id ID: XScreenSaver's window (or the root window)
    Snapshot,      // --snapshot FILE.png
    Invalid,
};

struct LinuxCommand {
    LinuxMode mode = LinuxMode::ConfigDialog;
    std::string snapshotPath;
    int frames = 30;
    int width = 0;   // 0: the configured resolution
    int height = 0;
    uint32_t startMs = 0;
    uint32_t stepMs = 16;
    uint32_t seed = 1;
    bool frameRate = false;  // --fps
    // Preview and Hack: the window to draw on; 0 in Hack mode is the root
    // window of the display.
    NativeWindow window = 0;
    NativeWindow owner = 0;  // ConfigDialog: the window after /c:, 0 for none
    std::string error;       // why the command line is Invalid
};

// xscreensaverWindow is the value of $XSCREENSAVER_WINDOW (null if unset);
// --root draws on it, --window-id wins over it.
LinuxCommand ParseLinuxCommandLine(int argc, const char* const* argv, const char* xscreensaverWindow = nullptr);

// Reads "WxH" with both sides 1..16384.
bool ParseSize(const char* text, int& width, int& height);

// What an offscreen context can draw, copy into a screen texture and hold;
// 0 (or less) where there is no limit.
struct OffscreenLimits {
    int viewportWidth = 0, viewportHeight = 0;  // GL_MAX_VIEWPORT_DIMS
    int rectangleTexture = 0;                   // GL_MAX_RECTANGLE_TEXTURE_SIZE
    int pbufferWidth = 0, pbufferHeight = 0;    // EGL_MAX_PBUFFER_WIDTH, _HEIGHT
    long long pbufferPixels = 0;                // EGL_MAX_PBUFFER_PIXELS
};

// Empty when a width x height snapshot fits limits; otherwise a message
// naming the first limit it passes.
std::string SnapshotSizeProblem(int width, int height, const OffscreenLimits& limits);

// Reads an X11 window id, "0x" hexadecimal or decimal, 1..0xFFFFFFFF, with
// nothing after it.
bool ParseXWindowId(const char* text, NativeWindow& window);
