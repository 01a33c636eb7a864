// A command line with long options, as the Linux entry point reads it: the
// long options (those of an XScreenSaver hack among them) are read first;
// what remains is read as the Windows screen-saver switches
// (saver_command.h), with the same results. Portable, so that every odd
// command line can be tried in the unit tests.
//
// Every long option is declared once, in the table OptionTable(): the modes
// and the snapshot's options here, the settings in the settings table
// (settings/setting_table.h). The parser, --help, the man page and
// XScreenSaver's settings panel lumox.xml (option_docs.h) all follow it. The
// parser fills a plain record, CommandLine; the values it holds for the
// saver's settings (SettingOverrides, settings.h) replace the settings file's
// for one run and are never written back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/gl_window.h"
#include "settings/setting_table.h"
#include "settings/settings.h"
#include "app/run.h"

enum class RunMode {
    Help,
    Version,
    ConfigDialog,       // no arguments, /c, /c:ID
    FullScreen,         // /s, -s, s
    Windowed,           // --window
    Preview,            // /p ID: on window ID
    Hack,               // --root, --window-id ID: XScreenSaver's window (or the root window)
    Snapshot,           // --snapshot FILE.png
    AddToXScreenSaver,  // --add-to-xscreensaver
    Invalid,
};

struct CommandLine {
    RunMode mode = RunMode::ConfigDialog;
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
    SettingOverrides settings;
    std::string device;  // the camera to prefer: part of its name or device path
    std::string error;   // why the command line is Invalid
};

// xscreensaverWindow is the value of $XSCREENSAVER_WINDOW (null if unset);
// --root draws on it, --window-id wins over it.
CommandLine ParseCommandLine(int argc, const char* const* argv, const char* xscreensaverWindow = nullptr);

// How the run of a command's mode goes (FullScreen, Windowed, Preview, Hack,
// Snapshot): its window, what a picture that cannot be read does, whether
// the settings may be written, its clock, frames and seed. A hack's window
// 0 (the root window) is for the caller to find; a snapshot's lastFrame too.
// A snapshot gives a video source this long for its first frame.
constexpr uint32_t kSnapshotFirstFrameWaitMs = 5000;
RunOptions RunOptionsFor(const CommandLine& command);

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

// Reads a window id as XScreenSaver passes it, "0x" hexadecimal or
// decimal, 1..0xFFFFFFFF, with nothing after it.
bool ParseWindowId(const char* text, NativeWindow& window);

// ---- The option table ----

enum class OptionKind {
    Action,    // decides the mode alone: --help, --version, --add-to-xscreensaver
    Switch,    // a mode or a part of one, without a value: --root, --window, --fps
    Flag,      // a setting on or off; "--no-NAME" turns it off
    Number,    // a number within [low, high]
    Text,      // a file or a name
    WindowId,  // a window id, as XScreenSaver passes it
    Size,      // WIDTHxHEIGHT
};

enum class OptionGroup {
    Mode,      // what the run is
    Snapshot,  // only with --snapshot
    Setting,   // overrides the settings file for the run
};

// The options that are no setting; every setting is OptionId::Setting.
enum class OptionId {
    Help, Version, Root, WindowId, Window, Fps, Snapshot, Frames, Size, StartMs, StepMs, Seed,
    AddToXScreenSaver, Setting,
};

// A control of XScreenSaver's settings panel (lumox.xml). Its type follows
// from the option's kind: a check box for a flag or switch, a slider for a
// number, a file chooser for a FILE, a text field otherwise.
struct PanelControl {
    std::string id;  // empty: the option has no control
    std::string label;
    const char* lowLabel = nullptr;  // sliders
    const char* highLabel = nullptr;
    bool invert = false;  // slider to the right is a smaller value (a delay)
};

struct OptionSpec {
    OptionId id = OptionId::Setting;
    const char* name = nullptr;  // without dashes
    OptionKind kind = OptionKind::Switch;
    OptionGroup group = OptionGroup::Mode;
    const char* valueName = nullptr;  // "N", "FILE", ...; nullptr without a value
    const char* help = nullptr;       // one line, lower case, no full stop
    double low = 0;                   // Number: the accepted range
    double high = 0;
    bool whole = true;  // Number: only whole numbers
    int decimals = 0;   // Number: digits after the point in the panel and the docs
    const SettingSpec* setting = nullptr;  // the Setting group: its entry in the settings table
    PanelControl panel{};
};

// Every long option, in the order of --help: the modes and the snapshot's
// options, then an option for each entry of the settings table.
const OptionSpec* OptionTable(size_t& count);

// The option called name (without dashes); nullptr if there is none.
const OptionSpec* FindOption(const char* name);
