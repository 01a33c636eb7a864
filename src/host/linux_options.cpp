#include "host/linux_options.h"

#include "common/printable_text.h"
#include "host/saver_command.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A whole decimal number in [low, high]: digits only, nothing before or
// after them (strtoull alone would skip blanks and take a sign).
bool ParseNumber(const char* text, unsigned long long low, unsigned long long high, unsigned long long& value) {
    if (!text || !std::isdigit(static_cast<unsigned char>(*text))) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno || *end || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

// "--name" and "-name" are the same option, as in every XScreenSaver hack.
bool IsOption(const char* arg, const char* name) {
    if (arg[0] != '-') return false;
    const char* rest = arg[1] == '-' ? arg + 2 : arg + 1;
    return std::strcmp(rest, name) == 0;
}

// A dash followed by a word of two or more letters is a long option; "-s",
// "--s" and "-c:1234" are screen-saver switches.
bool LooksLikeLongOption(const char* arg) {
    if (arg[0] != '-') return false;
    const char* rest = arg[1] == '-' ? arg + 2 : arg + 1;
    return std::isalpha(static_cast<unsigned char>(rest[0])) && std::isalpha(static_cast<unsigned char>(rest[1]));
}

LinuxCommand Invalid(const std::string& why) {
    LinuxCommand command;
    command.mode = LinuxMode::Invalid;
    command.error = why;
    return command;
}

}  // namespace

bool ParseSize(const char* text, int& width, int& height) {
    if (!text) return false;
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    std::string left(text, static_cast<size_t>(x - text));
    unsigned long long w = 0, h = 0;
    if (!ParseNumber(left.c_str(), 1, 16384, w) || !ParseNumber(x + 1, 1, 16384, h)) return false;
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
    bool windowed = false, snapshot = false, root = false, snapshotOnly = false;
    NativeWindow windowId = 0;
    std::string switches;  // what is left for the screen-saver switches
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long number = 0;
        if (IsOption(arg, "help") || std::strcmp(arg, "-h") == 0) {
            command.mode = LinuxMode::Help;
            return command;
        } else if (IsOption(arg, "version")) {
            command.mode = LinuxMode::Version;
            return command;
        } else if (IsOption(arg, "window")) {
            windowed = true;
        } else if (IsOption(arg, "root")) {
            root = true;
        } else if (IsOption(arg, "window-id")) {
            if (!ParseXWindowId(value, windowId))
                return Invalid("--window-id needs an X window id (decimal or 0x hexadecimal)");
            ++i;
        } else if (IsOption(arg, "fps")) {
            command.frameRate = true;
        } else if (IsOption(arg, "snapshot")) {
            if (!value || !*value) return Invalid("--snapshot needs the name of the PNG file to write");
            snapshot = true;
            command.snapshotPath = value;
            ++i;
        } else if (IsOption(arg, "frames")) {
            if (!ParseNumber(value, 1, 100000, number)) return Invalid("--frames needs a number from 1 to 100000");
            command.frames = static_cast<int>(number);
            snapshotOnly = true;
            ++i;
        } else if (IsOption(arg, "size")) {
            if (!ParseSize(value, command.width, command.height))
                return Invalid("--size needs WIDTHxHEIGHT, each from 1 to 16384");
            snapshotOnly = true;
            ++i;
        } else if (IsOption(arg, "start-ms") || IsOption(arg, "step-ms") || IsOption(arg, "seed")) {
            if (!ParseNumber(value, 0, 0xffffffffull, number))
                return Invalid(std::string(arg) + " needs a number from 0 to 4294967295");
            uint32_t& field = IsOption(arg, "start-ms") ? command.startMs
                              : IsOption(arg, "step-ms") ? command.stepMs
                                                         : command.seed;
            field = static_cast<uint32_t>(number);
            snapshotOnly = true;
            ++i;
        } else if (LooksLikeLongOption(arg)) {
            return Invalid("unknown option \"" + PrintableText(arg) + "\"");
        } else {
            if (!switches.empty()) switches += ' ';
            switches += arg;
        }
    }

    const bool hack = root || windowId != 0;
    const int modes = (windowed ? 1 : 0) + (snapshot ? 1 : 0) + (hack ? 1 : 0) + (switches.empty() ? 0 : 1);
    if (modes > 1) return Invalid("--window, --snapshot, --root/--window-id and the saver switches exclude each other");
    if (snapshotOnly && !snapshot) return Invalid("--frames, --size, --start-ms, --step-ms and --seed belong to --snapshot");
    if (snapshot) {
        command.mode = LinuxMode::Snapshot;
    } else if (windowed) {
        command.mode = LinuxMode::Windowed;
    } else if (hack) {
        command.mode = LinuxMode::Hack;
        command.window = windowId;
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
    }
    return command;
}
