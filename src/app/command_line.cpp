#include "app/command_line.h"

#include "common/printable_text.h"
#include "app/saver_command.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The table's entries, one maker per kind of option.
OptionSpec ModeOption(OptionId id, const char* name, OptionKind kind, const char* valueName, const char* help,
                      OptionGroup group = OptionGroup::Mode) {
    OptionSpec spec;
    spec.id = id;
    spec.name = name;
    spec.kind = kind;
    spec.group = group;
    spec.valueName = valueName;
    spec.help = help;
    return spec;
}

OptionSpec WholeOption(OptionId id, const char* name, const char* valueName, double low, double high,
                       const char* help) {
    OptionSpec spec = ModeOption(id, name, OptionKind::Number, valueName, help, OptionGroup::Snapshot);
    spec.low = low;
    spec.high = high;
    return spec;
}

// The option of an entry of the settings table, with its panel control.
OptionSpec SettingOption(const SettingSpec& setting) {
    const OptionKind kind = setting.kind == SettingKind::Flag     ? OptionKind::Flag
                            : setting.kind == SettingKind::Number ? OptionKind::Number
                                                                  : OptionKind::Text;
    OptionSpec spec = ModeOption(OptionId::Setting, setting.option, kind, setting.valueName, setting.help,
                                 OptionGroup::Setting);
    spec.low = setting.low;
    spec.high = setting.high;
    spec.whole = !setting.floatField;  // a float field takes decimals
    spec.decimals = setting.decimals;
    spec.setting = &setting;
    for (const char* c = setting.option; *c; ++c)
        if (*c != '-') spec.panel.id += *c;
    spec.panel.label = PanelLabel(setting);
    spec.panel.lowLabel = setting.lowLabel;
    spec.panel.highLabel = setting.highLabel;
    spec.panel.invert = setting.invert;
    return spec;
}

std::vector<OptionSpec> MakeOptions() {
    OptionSpec fps = ModeOption(OptionId::Fps, "fps", OptionKind::Switch, nullptr,
                                "draw the frame rate and the load bottom left");
    fps.panel.id = "showfps";
    fps.panel.label = "Show frame rate";
    std::vector<OptionSpec> options = {
        ModeOption(OptionId::Help, "help", OptionKind::Action, nullptr, "show the options and what they do"),
        ModeOption(OptionId::Version, "version", OptionKind::Action, nullptr, "show the version"),
        ModeOption(OptionId::Root, "root", OptionKind::Switch, nullptr,
                   "run as an XScreenSaver hack: on the window in $XSCREENSAVER_WINDOW, else on the root "
                   "window; SIGTERM ends the run"),
        ModeOption(OptionId::WindowId, "window-id", OptionKind::WindowId, "ID",
                   "run on window ID (decimal or 0x hexadecimal); wins over the window of --root"),
        ModeOption(OptionId::Window, "window", OptionKind::Switch, nullptr,
                   "run in a window of its own (q, Q or Escape quits)"),
        fps,
        ModeOption(OptionId::Snapshot, "snapshot", OptionKind::Text, "FILE.png",
                   "render offscreen without a display and write the last frame as PNG"),
        WholeOption(OptionId::Frames, "frames", "N", 1, 100000, "snapshot: frames to render (30)"),
        ModeOption(OptionId::Size, "size", OptionKind::Size, "WxH",
                   "snapshot: image size (the configured resolution), at most what the offscreen OpenGL draws "
                   "(4096x4096 with Mesa)",
                   OptionGroup::Snapshot),
        WholeOption(OptionId::StartMs, "start-ms", "T", 0, 4294967295.0,
                    "snapshot: frame time of the first frame in milliseconds (0)"),
        WholeOption(OptionId::StepMs, "step-ms", "S", 0, 4294967295.0,
                    "snapshot: frame time added per frame in milliseconds (16)"),
        WholeOption(OptionId::Seed, "seed", "N", 0, 4294967295.0, "snapshot: seed of the random generator (1)"),
        ModeOption(OptionId::AddToXScreenSaver, "add-to-xscreensaver", OptionKind::Action, nullptr,
                   "add \"GL: lumox --root\" to the programs list of ~/.xscreensaver, once"),
    };
    for (const SettingSpec& setting : kSettings) options.push_back(SettingOption(setting));
    return options;
}

// Made on first use, so that no other unit's start-up can find it unmade.
const std::vector<OptionSpec>& Options() {
    static const std::vector<OptionSpec> options = MakeOptions();
    return options;
}

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
    if (const OptionSpec* spec = FindOption(rest)) return spec;
    if (std::strncmp(rest, "no-", 3) == 0) {
        const OptionSpec* spec = FindOption(rest + 3);
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

CommandLine Invalid(const std::string& why) {
    CommandLine command;
    command.mode = RunMode::Invalid;
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
void StoreNumber(const OptionSpec& spec, unsigned long long whole, float decimal, CommandLine& command) {
    if (const SettingSpec* setting = spec.setting) {
        if (setting->target == SettingTarget::FramePause)
            command.settings.delayMicroseconds = static_cast<uint32_t>(whole);
        else
            command.settings.fields.push_back({setting, spec.whole ? static_cast<double>(whole) : decimal});
        return;
    }
    switch (spec.id) {
        case OptionId::Frames: command.frames = static_cast<int>(whole); break;
        case OptionId::StartMs: command.startMs = static_cast<uint32_t>(whole); break;
        case OptionId::StepMs: command.stepMs = static_cast<uint32_t>(whole); break;
        case OptionId::Seed: command.seed = static_cast<uint32_t>(whole); break;
        default: break;
    }
}

// Takes the value of a Text option into the command.
void StoreText(const OptionSpec& spec, const char* value, CommandLine& command, Choices& choices) {
    if (!spec.setting) {  // --snapshot
        choices.snapshot = true;
        command.snapshotPath = value;
    } else if (spec.setting->target == SettingTarget::Picture) {
        command.settings.picture = value;
    } else {
        command.device = value;
    }
}

// What a Text option wants when it is given none.
const char* TextWanted(const OptionSpec& spec) {
    if (!spec.setting) return "the name of the PNG file to write";
    if (spec.setting->target == SettingTarget::Camera) return "a part of the camera's name or device path";
    return "the name of a file";
}

// Takes one option (and its value, at argv[i + 1]) into the command; an
// error text when it cannot. i is moved past a value taken.
std::string TakeOption(const OptionSpec& spec, bool negated, int argc, const char* const* argv, int& i,
                       CommandLine& command, Choices& choices) {
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
            command.settings.fields.push_back({spec.setting, negated ? 0.0 : 1.0});
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
            if (!value || !*value) return std::string("--") + spec.name + " needs " + TextWanted(spec);
            StoreText(spec, value, command, choices);
            ++i;
            return "";
        case OptionKind::WindowId:
            if (!ParseWindowId(value, choices.windowId))
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

const OptionSpec* OptionTable(size_t& count) {
    count = Options().size();
    return Options().data();
}

const OptionSpec* FindOption(const char* name) {
    for (const OptionSpec& spec : Options())
        if (std::strcmp(spec.name, name) == 0) return &spec;
    return nullptr;
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

bool ParseWindowId(const char* text, NativeWindow& window) {
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

CommandLine ParseCommandLine(int argc, const char* const* argv, const char* xscreensaverWindow) {
    CommandLine command;
    Choices choices;
    bool addToXScreenSaver = false;
    std::string switches;  // what is left for the screen-saver switches
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool negated = false;
        const OptionSpec* spec = MatchOption(arg, negated);
        if (!spec && std::strcmp(arg, "-h") == 0) spec = FindOption("help");
        if (spec) {
            if (spec->id == OptionId::Help || spec->id == OptionId::Version) {
                command.mode = spec->id == OptionId::Help ? RunMode::Help : RunMode::Version;
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
        command.mode = RunMode::AddToXScreenSaver;
    } else if (choices.snapshot) {
        command.mode = RunMode::Snapshot;
    } else if (choices.windowed) {
        command.mode = RunMode::Windowed;
    } else if (hack) {
        command.mode = RunMode::Hack;
        command.window = choices.windowId;
        if (!command.window && xscreensaverWindow && *xscreensaverWindow &&
            !ParseWindowId(xscreensaverWindow, command.window))
            return Invalid("XSCREENSAVER_WINDOW is not a window id: \"" + PrintableText(xscreensaverWindow) + "\"");
    } else {
        const SaverCommand saver = ParseSaverCommand(switches.c_str(), false);
        switch (saver.mode) {
            case SaverMode::ConfigDialog:
                command.mode = RunMode::ConfigDialog;
                break;
            case SaverMode::ConfigDialogForOwner:
                command.mode = RunMode::ConfigDialog;
                command.owner = saver.owner;
                break;
            case SaverMode::FullScreen:
                command.mode = RunMode::FullScreen;
                break;
            case SaverMode::Preview:
                command.window = ParseWindowHandle(saver.argument);
                if (!command.window) return Invalid("/p needs the decimal id of the window to draw in");
                command.mode = RunMode::Preview;
                break;
            case SaverMode::ChangePassword:
            case SaverMode::Refused:
                return Invalid("unknown option \"" + PrintableText(switches) + "\"");
        }
        // The dialog edits the settings file; values for a run mean nothing
        // to it.
        if (command.mode == RunMode::ConfigDialog && choices.runOnly)
            return Invalid(
                "settings and --fps apply to a run of the saver (-s, --window, --root, /p or --snapshot), not "
                "to the configuration dialog");
    }
    return command;
}

RunOptions RunOptionsFor(const CommandLine& command) {
    RunOptions options;
    options.frameRateReport = command.frameRate;
    options.settings = command.settings;
    switch (command.mode) {
        case RunMode::Windowed:
            options.windowed = true;
            options.quitKeys = true;
            break;
        case RunMode::Hack:
            // Never ended by a picture it cannot read: the daemon would show
            // a crash box and start it again.
            options.pictureFailureEndsRun = false;
            options.maySaveSettings = false;
            options.window = RunWindow::Given;
            options.givenWindow = command.window;
            break;
        case RunMode::Preview:
            options.window = RunWindow::Given;
            options.givenWindow = command.window;
            break;
        case RunMode::Snapshot:
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
