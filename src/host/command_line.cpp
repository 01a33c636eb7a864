#include "host/command_line.h"

#include "common/printable_text.h"
#include "host/saver_command.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// The table's entries, one maker per kind of option.
OptionSpec ModeOption(OptionId id, const char* name, OptionKind kind, const char* valueName, const char* help,
                      OptionGroup group = OptionGroup::Mode) {
    OptionSpec spec{id, name, kind, group, valueName, help};
    return spec;
}

OptionSpec WholeOption(OptionId id, const char* name, const char* valueName, double low, double high,
                       const char* help, OptionGroup group = OptionGroup::Snapshot) {
    OptionSpec spec{id, name, OptionKind::Number, group, valueName, help};
    spec.low = low;
    spec.high = high;
    return spec;
}

OptionSpec FlagSetting(OptionId id, const char* name, int32_t SaverSettings::*field,
                       std::optional<int32_t> SettingOverrides::*given, const char* help, const char* panelId,
                       const char* label) {
    OptionSpec spec{id, name, OptionKind::Flag, OptionGroup::Setting, nullptr, help};
    spec.intField = field;
    spec.intOverride = given;
    spec.panel = PanelControl{panelId, label};
    return spec;
}

OptionSpec NumberSetting(OptionId id, const char* name, double low, double high, const char* help,
                         PanelControl panel) {
    OptionSpec spec = WholeOption(id, name, "N", low, high, help, OptionGroup::Setting);
    spec.panel = panel;
    return spec;
}

OptionSpec DecimalSetting(OptionId id, const char* name, float SaverSettings::*field,
                          std::optional<float> SettingOverrides::*given, double low, double high, int decimals,
                          const char* help, PanelControl panel) {
    OptionSpec spec = NumberSetting(id, name, low, high, help, panel);
    spec.whole = false;
    spec.decimals = decimals;
    spec.floatField = field;
    spec.floatOverride = given;
    return spec;
}

OptionSpec CountSetting(OptionId id, const char* name, int32_t SaverSettings::*field,
                        std::optional<int32_t> SettingOverrides::*given, double low, double high, const char* help,
                        PanelControl panel) {
    OptionSpec spec = NumberSetting(id, name, low, high, help, panel);
    spec.intField = field;
    spec.intOverride = given;
    return spec;
}

OptionSpec TextSetting(OptionId id, const char* name, const char* valueName, const char* help,
                       PanelControl panel) {
    OptionSpec spec{id, name, OptionKind::Text, OptionGroup::Setting, valueName, help};
    spec.panel = panel;
    return spec;
}

using O = SettingOverrides;
using S = SaverSettings;

const OptionSpec kOptions[] = {
    ModeOption(OptionId::Help, "help", OptionKind::Action, nullptr, "show the options and what they do"),
    ModeOption(OptionId::Version, "version", OptionKind::Action, nullptr, "show the version"),
    ModeOption(OptionId::Root, "root", OptionKind::Switch, nullptr,
               "run as an XScreenSaver hack: on the window in $XSCREENSAVER_WINDOW, else on the root "
               "window; SIGTERM ends the run"),
    ModeOption(OptionId::WindowId, "window-id", OptionKind::WindowId, "ID",
               "run on window ID (decimal or 0x hexadecimal); wins over the window of --root"),
    ModeOption(OptionId::Window, "window", OptionKind::Switch, nullptr,
               "run in a window of its own (q, Q or Escape quits)"),
    [] {
        OptionSpec fps = ModeOption(OptionId::Fps, "fps", OptionKind::Switch, nullptr,
                                    "draw the frame rate and the load bottom left");
        fps.panel = PanelControl{"showfps", "Show frame rate"};
        return fps;
    }(),
    ModeOption(OptionId::Snapshot, "snapshot", OptionKind::Text, "FILE.png",
               "render offscreen without a display and write the last frame as PNG"),
    WholeOption(OptionId::Frames, "frames", "N", 1, 100000, "snapshot: frames to render (30)"),
    ModeOption(OptionId::Size, "size", OptionKind::Size, "WxH",
               "snapshot: image size (the configured resolution), at most what the offscreen OpenGL draws "
               "(4096x4096 with Mesa)", OptionGroup::Snapshot),
    WholeOption(OptionId::StartMs, "start-ms", "T", 0, 4294967295.0,
                "snapshot: frame time of the first frame in milliseconds (0)"),
    WholeOption(OptionId::StepMs, "step-ms", "S", 0, 4294967295.0,
                "snapshot: frame time added per frame in milliseconds (16)"),
    WholeOption(OptionId::Seed, "seed", "N", 0, 4294967295.0, "snapshot: seed of the random generator (1)"),
    ModeOption(OptionId::AddToXScreenSaver, "add-to-xscreensaver", OptionKind::Action, nullptr,
               "add \"GL: lumox --root\" to the programs list of ~/.xscreensaver, once"),

    DecimalSetting(OptionId::Speed, "speed", &S::outwardSpeed, &O::outwardSpeed, 5, 90, 0,
                   "outward speed of the tunnel", {"speed", "Outward speed", "Slow", "Fast"}),
    FlagSetting(OptionId::Fluctuate, "fluctuate", &S::fluctuateTunnelSpeed, &O::fluctuateTunnelSpeed,
                "fluctuate the tunnel's speed", "fluctuate", "Fluctuate tunnel speed"),
    FlagSetting(OptionId::Saturation, "saturation", &S::extraSaturation, &O::extraSaturation,
                "extra saturation on the tunnel pass", "saturation", "Extra saturation on tunnel pass"),
    FlagSetting(OptionId::Blur, "blur", &S::radialBlur, &O::radialBlur,
                "radial blur on The Thing (costly: a complete fillrate killer)", "blur",
                "Radial blur processing on The Thing"),
    FlagSetting(OptionId::LimitFrameRate, "limit-frame-rate", &S::limitFrameRate, &O::limitFrameRate,
                "pause 10 ms after each frame (as --delay 10000)", "limitframerate", "Limit framerate"),
    DecimalSetting(OptionId::PulseRate, "pulse-rate", &S::pulseRate, &O::pulseRate, 1, 10000, 0,
                   "speed of the pulse objects' brightness pulse", {"pulserate", "Pulse rate", "Slow", "Fast"}),
    FlagSetting(OptionId::Squiggle, "squiggle", &S::pulseSquiggle, &O::pulseSquiggle,
                "the pulse objects tumble and breathe", "squiggle", "Pulse objects squiggle"),
    FlagSetting(OptionId::Rotate, "rotate", &S::pulseRotate, &O::pulseRotate, "the pulse objects spin", "rotate",
                "Pulse objects rotate"),
    CountSetting(OptionId::Count, "count", &S::pulseObjectCount, &O::pulseObjectCount, 1, 1000,
                 "number of pulse objects", {"count", "Pulse objects", "Few", "Many"}),
    DecimalSetting(OptionId::ObjectSize, "object-size", &S::pulseObjectSize, &O::pulseObjectSize, 0.1, 10.0, 1,
                   "size of the pulse objects and of their paths", {"objectsize", "Pulse object size", "Small",
                                                                    "Large"}),
    [] {
        OptionSpec delay = NumberSetting(OptionId::Delay, "delay", 0, 100000,
                                         "pause after each frame in microseconds; wins over --limit-frame-rate",
                                         {"delay", "Frame rate", "Low", "High", true});
        delay.valueName = "USEC";
        return delay;
    }(),
    TextSetting(OptionId::Picture, "picture", "FILE",
                "show FILE, a 24-bit uncompressed bitmap, instead of lumox.bmp", {"picture", "Picture"}),
    TextSetting(OptionId::Device, "device", "NAME",
                "the camera whose name or device path contains NAME, ignoring case (else the first one)", {"device", "Camera"}),
};

// A whole decimal number in [low, high]; nothing else may follow it.
bool ParseWhole(const char* text, unsigned long long low, unsigned long long high, unsigned long long& value) {
    if (!text || !*text) return false;
    const char* end = text + std::strlen(text);
    unsigned long long parsed = 0;
    const auto result = std::from_chars(text, end, parsed, 10);
    if (result.ec != std::errc() || result.ptr != end || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

// A decimal number such as "12", "0.5" or "1e1" in [low, high], read the
// same in every locale; nothing else may follow it.
bool ParseDecimal(const char* text, double low, double high, float& value) {
    if (!text || !*text) return false;
    const char* end = text + std::strlen(text);
    float parsed = 0;
    const auto result = std::from_chars(text, end, parsed);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    // The bounds as the float the panel and the dialog would store.
    if (parsed < static_cast<float>(low) || parsed > static_cast<float>(high)) return false;
    value = parsed;
    return true;
}

// The option named by arg ("--name" or "-name", as in every XScreenSaver
// hack); negated is set for "--no-name" of a flag.
const OptionSpec* MatchOption(const char* arg, bool& negated) {
    negated = false;
    if (arg[0] != '-') return nullptr;
    const char* rest = arg[1] == '-' ? arg + 2 : arg + 1;
    if (const OptionSpec* spec = FindLinuxOption(rest)) return spec;
    if (std::strncmp(rest, "no-", 3) == 0) {
        const OptionSpec* spec = FindLinuxOption(rest + 3);
        if (spec && spec->kind == OptionKind::Flag) {
            negated = true;
            return spec;
        }
    }
    return nullptr;
}

// Dashes followed by a word of two or more letters are a long option, known
// or not ("---count" is not one, and no switch either); "-s", "--s" and
// "-c:1234" are screen-saver switches.
bool LooksLikeLongOption(const char* arg) {
    if (arg[0] != '-') return false;
    const char* rest = arg;
    while (*rest == '-') ++rest;
    return std::isalpha(static_cast<unsigned char>(rest[0])) && std::isalpha(static_cast<unsigned char>(rest[1]));
}

LinuxCommand Invalid(const std::string& why) {
    LinuxCommand command;
    command.mode = LinuxMode::Invalid;
    command.error = why;
    return command;
}

std::string FormatBound(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// "--speed needs a number from 5 to 90", and what was given instead.
std::string NumberError(const OptionSpec& spec, const char* given) {
    std::string why = std::string("--") + spec.name + " needs " + (spec.whole ? "a whole number" : "a number") +
                      " from " + FormatBound(spec.low, spec.decimals) + " to " + FormatBound(spec.high, spec.decimals);
    if (given) why += ", not \"" + PrintableText(given) + "\"";
    return why;
}

// What the command line chose, before the mode is decided.
struct Choices {
    bool windowed = false, snapshot = false, root = false, snapshotOnly = false, runOnly = false;
    NativeWindow windowId = 0;
};

// Takes the value of a Number option into the command.
void StoreNumber(const OptionSpec& spec, unsigned long long whole, float decimal, LinuxCommand& command) {
    SettingOverrides& settings = command.settings;
    if (spec.floatOverride) {
        settings.*spec.floatOverride = decimal;
        return;
    }
    if (spec.intOverride) {
        settings.*spec.intOverride = static_cast<int32_t>(whole);
        return;
    }
    switch (spec.id) {
        case OptionId::Frames: command.frames = static_cast<int>(whole); break;
        case OptionId::StartMs: command.startMs = static_cast<uint32_t>(whole); break;
        case OptionId::StepMs: command.stepMs = static_cast<uint32_t>(whole); break;
        case OptionId::Seed: command.seed = static_cast<uint32_t>(whole); break;
        case OptionId::Delay: settings.delayMicroseconds = static_cast<uint32_t>(whole); break;
        default: break;
    }
}

// Takes one option (and its value, at argv[i + 1]) into the command; an
// error text when it cannot. i is moved past a value taken.
std::string TakeOption(const OptionSpec& spec, bool negated, int argc, const char* const* argv, int& i,
                       LinuxCommand& command, Choices& choices) {
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (spec.group == OptionGroup::Snapshot) choices.snapshotOnly = true;
    if (spec.group == OptionGroup::Setting || spec.id == OptionId::Fps) choices.runOnly = true;
    switch (spec.kind) {
        case OptionKind::Action:
            return "";  // decided by the caller
        case OptionKind::Switch:
            if (spec.id == OptionId::Root) choices.root = true;
            if (spec.id == OptionId::Window) choices.windowed = true;
            if (spec.id == OptionId::Fps) command.frameRate = true;
            return "";
        case OptionKind::Flag:
            command.settings.*spec.intOverride = negated ? 0 : 1;
            return "";
        case OptionKind::Number: {
            unsigned long long whole = 0;
            float decimal = 0;
            const bool ok = spec.whole ? ParseWhole(value, static_cast<unsigned long long>(spec.low),
                                                    static_cast<unsigned long long>(spec.high), whole)
                                       : ParseDecimal(value, spec.low, spec.high, decimal);
            if (!ok) return NumberError(spec, value);
            StoreNumber(spec, whole, decimal, command);
            ++i;
            return "";
        }
        case OptionKind::Text:
            if (!value || !*value)
                return std::string("--") + spec.name + " needs " +
                       (spec.id == OptionId::Snapshot ? "the name of the PNG file to write"
                        : spec.id == OptionId::Device ? "a part of the camera's name or device path"
                                                      : "the name of a file");
            if (spec.id == OptionId::Snapshot) {
                choices.snapshot = true;
                command.snapshotPath = value;
            } else if (spec.id == OptionId::Picture) {
                command.settings.picture = value;
            } else {
                command.device = value;
            }
            ++i;
            return "";
        case OptionKind::WindowId:
            if (!ParseXWindowId(value, choices.windowId))
                return "--window-id needs an X window id (decimal or 0x hexadecimal)";
            ++i;
            return "";
        case OptionKind::Size:
            if (!ParseSize(value, command.width, command.height))
                return "--size needs WIDTHxHEIGHT, each from 1 to 16384";
            ++i;
            return "";
    }
    return "";
}

}  // namespace

const OptionSpec* LinuxOptionTable(size_t& count) {
    count = std::size(kOptions);
    return kOptions;
}

const OptionSpec* FindLinuxOption(const char* name) {
    for (const OptionSpec& spec : kOptions)
        if (std::strcmp(spec.name, name) == 0) return &spec;
    return nullptr;
}

double SettingValueOf(const OptionSpec& option, const SaverSettings& settings) {
    if (option.intField) return settings.*option.intField;
    if (option.floatField) return settings.*option.floatField;
    if (option.id == OptionId::Delay) return FramePauseMicroseconds(nullptr, settings);
    return 0;
}

void ApplySettingOverrides(const SettingOverrides& overrides, SaverSettings& settings) {
    for (const OptionSpec& spec : kOptions) {
        if (spec.intOverride && overrides.*spec.intOverride) settings.*spec.intField = *(overrides.*spec.intOverride);
        if (spec.floatOverride && overrides.*spec.floatOverride)
            settings.*spec.floatField = *(overrides.*spec.floatOverride);
    }
}

uint32_t FramePauseMicroseconds(const SettingOverrides* overrides, const SaverSettings& settings) {
    if (overrides && overrides->delayMicroseconds) return *overrides->delayMicroseconds;
    return settings.limitFrameRate ? kLimitedFramePauseMicroseconds : 0;
}

bool ParseSize(const char* text, int& width, int& height) {
    if (!text) return false;
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    std::string left(text, static_cast<size_t>(x - text));
    unsigned long long w = 0, h = 0;
    if (!ParseWhole(left.c_str(), 1, 16384, w) || !ParseWhole(x + 1, 1, 16384, h)) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

std::string SnapshotSizeProblem(int width, int height, const OffscreenLimits& limits) {
    struct Limit {
        int width, height;
        const char* name;
    };
    const Limit sides[] = {
        {limits.pbufferWidth, limits.pbufferHeight, "EGL_MAX_PBUFFER_WIDTH x EGL_MAX_PBUFFER_HEIGHT"},
        {limits.viewportWidth, limits.viewportHeight, "GL_MAX_VIEWPORT_DIMS"},
        {limits.rectangleTexture, limits.rectangleTexture, "GL_MAX_RECTANGLE_TEXTURE_SIZE"},
    };
    const std::string asked =
        "a " + std::to_string(width) + "x" + std::to_string(height) + " snapshot is more than this OpenGL can draw "
        "offscreen: at most ";
    for (const Limit& side : sides) {
        if ((side.width > 0 && width > side.width) || (side.height > 0 && height > side.height))
            return asked + std::to_string(side.width) + "x" + std::to_string(side.height) + " (" + side.name + ")";
    }
    const long long pixels = static_cast<long long>(width) * height;
    if (limits.pbufferPixels > 0 && pixels > limits.pbufferPixels)
        return asked + std::to_string(limits.pbufferPixels) + " pixels (EGL_MAX_PBUFFER_PIXELS)";
    return std::string();
}

bool ParseXWindowId(const char* text, NativeWindow& window) {
    if (!text) return false;
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text) return false;
    unsigned long long value = 0;
    for (; *text; ++text) {
        const unsigned char c = static_cast<unsigned char>(*text);
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && std::isxdigit(c))
            digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        else
            return false;
        value = value * base + digit;
        if (value > kMaxWindowHandle) return false;
    }
    if (value == 0) return false;
    window = static_cast<NativeWindow>(value);
    return true;
}

LinuxCommand ParseLinuxCommandLine(int argc, const char* const* argv, const char* xscreensaverWindow) {
    LinuxCommand command;
    Choices choices;
    bool addToXScreenSaver = false;
    std::string switches;  // what is left for the screen-saver switches
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool negated = false;
        const OptionSpec* spec = MatchOption(arg, negated);
        if (!spec && std::strcmp(arg, "-h") == 0) spec = FindLinuxOption("help");
        if (spec) {
            if (spec->id == OptionId::Help || spec->id == OptionId::Version) {
                command.mode = spec->id == OptionId::Help ? LinuxMode::Help : LinuxMode::Version;
                return command;
            }
            if (spec->id == OptionId::AddToXScreenSaver) addToXScreenSaver = true;
            const std::string error = TakeOption(*spec, negated, argc, argv, i, command, choices);
            if (!error.empty()) return Invalid(error);
        } else if (LooksLikeLongOption(arg)) {
            return Invalid("unknown option \"" + PrintableText(arg) + "\"");
        } else {
            if (!switches.empty()) switches += ' ';
            switches += arg;
        }
    }

    const bool hack = choices.root || choices.windowId != 0;
    const int modes = (choices.windowed ? 1 : 0) + (choices.snapshot ? 1 : 0) + (hack ? 1 : 0) +
                      (addToXScreenSaver ? 1 : 0) + (switches.empty() ? 0 : 1);
    if (modes > 1)
        return Invalid(
            "--window, --snapshot, --root/--window-id, --add-to-xscreensaver and the saver switches exclude each "
            "other");
    if (choices.snapshotOnly && !choices.snapshot)
        return Invalid("--frames, --size, --start-ms, --step-ms and --seed belong to --snapshot");
    if (addToXScreenSaver) {
        if (choices.runOnly) return Invalid("--add-to-xscreensaver takes no other option");
        command.mode = LinuxMode::AddToXScreenSaver;
    } else if (choices.snapshot) {
        command.mode = LinuxMode::Snapshot;
    } else if (choices.windowed) {
        command.mode = LinuxMode::Windowed;
    } else if (hack) {
        command.mode = LinuxMode::Hack;
        command.window = choices.windowId;
        if (!command.window && xscreensaverWindow && *xscreensaverWindow &&
            !ParseXWindowId(xscreensaverWindow, command.window))
            return Invalid("XSCREENSAVER_WINDOW is not a window id: \"" + PrintableText(xscreensaverWindow) + "\"");
    } else {
        const SaverCommand saver = ParseSaverCommand(switches.c_str(), false);
        switch (saver.mode) {
            case SaverMode::ConfigDialog:
                command.mode = LinuxMode::ConfigDialog;
                break;
            case SaverMode::ConfigDialogForOwner:
                command.mode = LinuxMode::ConfigDialog;
                command.owner = saver.owner;
                break;
            case SaverMode::FullScreen:
                command.mode = LinuxMode::FullScreen;
                break;
            case SaverMode::Preview:
                command.window = ParseWindowHandle(saver.argument);
                if (!command.window) return Invalid("/p needs the decimal id of the window to draw in");
                command.mode = LinuxMode::Preview;
                break;
            case SaverMode::ChangePassword:
            case SaverMode::Refused:
                return Invalid("unknown option \"" + PrintableText(switches) + "\"");
        }
        // The dialog edits the settings file; values for a run mean nothing
        // to it.
        if (command.mode == LinuxMode::ConfigDialog && choices.runOnly)
            return Invalid(
                "settings and --fps apply to a run of the saver (-s, --window, --root, /p or --snapshot), not "
                "to the configuration dialog");
    }
    return command;
}

RunOptions RunOptionsFor(const LinuxCommand& command) {
    RunOptions options;
    options.frameRateReport = command.frameRate;
    options.settings = command.settings;
    switch (command.mode) {
        case LinuxMode::Windowed:
            options.windowed = true;
            options.quitKeys = true;
            break;
        case LinuxMode::Hack:
            // Never ended by a picture it cannot read: the daemon would show
            // a crash box and start it again.
            options.pictureFailureEndsRun = false;
            options.maySaveSettings = false;
            options.window = RunWindow::Given;
            options.givenWindow = command.window;
            break;
        case LinuxMode::Preview:
            options.window = RunWindow::Given;
            options.givenWindow = command.window;
            break;
        case LinuxMode::Snapshot:
            options.window = RunWindow::Offscreen;
            options.offscreenWidth = command.width;
            options.offscreenHeight = command.height;
            options.maySaveSettings = false;
            options.holdClock = true;
            options.clockStartMs = command.startMs;
            options.clockStepMs = command.stepMs;
            options.frames = command.frames;
            options.fixedSeed = true;
            options.seed = command.seed;
            options.pauseAfterFrame = false;
            options.firstFrameWaitMs = kSnapshotFirstFrameWaitMs;
            // Drawn without a window system, whose fonts the overlay needs.
            options.frameRateReport = false;
            break;
        default:
            break;
    }
    return options;
}
