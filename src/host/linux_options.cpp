#include "host/linux_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A whole decimal number in [low, high]; nothing else may follow it.
bool ParseNumber(const char* text, unsigned long long low, unsigned long long high, unsigned long long& value) {
    if (!text || !*text || *text == '-' || *text == '+') return false;
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

LinuxCommand Invalid(const std::string& why) {
    LinuxCommand command;
    command.mode = LinuxMode::Invalid;
    command.error = why;
    return command;
}

// "/c", "-c" and "c", in either case: the configuration dialog.
bool IsConfigSwitch(const char* arg) {
    if (arg[0] == '/' || arg[0] == '-') ++arg;
    return (arg[0] == 'c' || arg[0] == 'C') && arg[1] == '\0';
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

LinuxCommand ParseLinuxCommandLine(int argc, const char* const* argv) {
    LinuxCommand command;
    if (argc <= 1) return command;
    bool modeSeen = false;
    bool snapshotOnly = false;
    auto setMode = [&](LinuxMode mode) {
        if (modeSeen && command.mode != mode) return false;
        command.mode = mode;
        modeSeen = true;
        return true;
    };
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
            if (!setMode(LinuxMode::Windowed)) return Invalid("--window cannot be combined with another mode");
        } else if (IsOption(arg, "snapshot")) {
            if (!value || !*value) return Invalid("--snapshot needs the name of the PNG file to write");
            if (!setMode(LinuxMode::Snapshot)) return Invalid("--snapshot cannot be combined with another mode");
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
        } else if ((arg[0] == '-' || arg[0] == '/') && (arg[1] == 's' || arg[1] == 'S') && arg[2] == '\0') {
            if (!setMode(LinuxMode::FullScreen)) return Invalid("-s cannot be combined with another mode");
        } else if ((arg[0] == 's' || arg[0] == 'S') && arg[1] == '\0') {
            if (!setMode(LinuxMode::FullScreen)) return Invalid("s cannot be combined with another mode");
        } else if (IsConfigSwitch(arg)) {
            if (!setMode(LinuxMode::Dialog)) return Invalid("-c cannot be combined with another mode");
        } else {
            return Invalid(std::string("unknown option \"") + arg + "\"");
        }
    }
    if (snapshotOnly && command.mode != LinuxMode::Snapshot)
        return Invalid("--frames, --size, --start-ms, --step-ms and --seed belong to --snapshot");
    return command;
}
