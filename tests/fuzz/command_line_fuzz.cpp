// libFuzzer target: both readers of the command line.
//
// The first input byte holds flags (bit 0: the Windows 95 family; bit 1:
// step over the program name by double-byte characters, as CharNextA does
// on a DBCS code page; bit 2: the last argument is $XSCREENSAVER_WINDOW
// instead). The rest, split at its NUL bytes, is the argv of the long options; with the
// NUL bytes read as blanks it is the Windows command line. Every string
// lies in a heap block that ends with its terminator, so a read past a
// terminator is caught by AddressSanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/command_line.h"
#include "app/saver_command.h"

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "command_line_fuzz: %s\n", what);
    __builtin_trap();
}

// A heap copy of bytes with a terminator and nothing after it.
std::unique_ptr<char[]> Terminated(const uint8_t* bytes, size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size) std::memcpy(text.get(), bytes, size);
    text[size] = '\0';
    return text;
}

// CharNextA on a double-byte code page (932): a lead byte and the byte after
// it are one character, unless that byte ends the text; the terminator is
// never passed.
const char* NextDoubleByteCharacter(const char* text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (!lead) return text;
    const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    return isLead && text[1] ? text + 2 : text + 1;
}

bool Within(const char* p, const char* begin, const char* end) { return p >= begin && p <= end; }

void CheckWindowsWalk(const uint8_t* bytes, size_t size, bool isWindows9x, bool doubleByte) {
    std::unique_ptr<char[]> line = Terminated(bytes, size);
    for (size_t i = 0; i < size; ++i)
        if (!line[i]) line[i] = ' ';
    const char* end = line.get() + size;

    const char* text = SkipProgramName(line.get(), doubleByte ? NextDoubleByteCharacter : nullptr);
    Require(Within(text, line.get(), end), "the program name was skipped past the terminator");
    const SaverCommand command = ParseSaverCommand(text, isWindows9x);
    switch (command.mode) {
        case SaverMode::Preview:
        case SaverMode::ChangePassword:
            Require(command.argument && Within(command.argument, text, end), "the switch's argument lies outside the text");
            Require(ParseWindowHandle(command.argument) <= kMaxWindowHandle, "a window handle out of range");
            Require(command.mode != SaverMode::ChangePassword || isWindows9x, "a password change outside Windows 95");
            Require(command.owner == 0, "an owner for a switch that takes none");
            break;
        case SaverMode::ConfigDialogForOwner:
            Require(!command.argument && command.owner <= kMaxWindowHandle, "a dialog owner out of range");
            break;
        case SaverMode::ConfigDialog:
        case SaverMode::FullScreen:
        case SaverMode::Refused:
            Require(!command.argument && command.owner == 0, "a value for a switch that takes none");
            break;
        default:
            Require(false, "a mode that does not exist");
    }
}

void CheckOptions(const std::vector<std::unique_ptr<char[]>>& pieces, bool lastIsEnvironment) {
    size_t argc = pieces.size();
    const char* environment = nullptr;
    if (lastIsEnvironment && argc) environment = pieces[--argc].get();
    std::vector<const char*> argv;
    for (size_t i = 0; i < argc; ++i) argv.push_back(pieces[i].get());
    argv.push_back(nullptr);

    const CommandLine command = ParseCommandLine(static_cast<int>(argc), argv.data(), environment);
    Require((command.mode == RunMode::Invalid) == !command.error.empty(), "a refusal without a reason, or the reverse");
    Require(command.window <= kMaxWindowHandle && command.owner <= kMaxWindowHandle, "a window id out of range");
    switch (command.mode) {
        case RunMode::Preview:
            Require(command.window != 0, "a preview without a window");
            break;
        case RunMode::Snapshot:
            Require(!command.snapshotPath.empty(), "a snapshot without a file");
            Require(command.frames >= 1 && command.frames <= 100000, "a frame count out of range");
            Require((command.width == 0) == (command.height == 0), "a snapshot size with one side");
            Require(command.width >= 0 && command.width <= 16384 && command.height >= 0 && command.height <= 16384,
                    "a snapshot size out of range");
            break;
        case RunMode::Help:
        case RunMode::Version:
        case RunMode::ConfigDialog:
        case RunMode::FullScreen:
        case RunMode::Windowed:
        case RunMode::Hack:
        case RunMode::AddToXScreenSaver:
        case RunMode::Invalid:
            break;
            // No default: a new mode must be named here (-Wswitch).
    }

    // A value given for a run lies in its setting's range (as the float a
    // number with decimals becomes) and goes into the record.
    SaverSettings run{};
    ApplySettingOverrides(command.settings, run);
    for (const SettingOverrides::Given& given : command.settings.fields) {
        Require(given.setting != nullptr, "a value for no setting");
        const SettingSpec& setting = *given.setting;
        if (setting.kind == SettingKind::Flag)
            Require(given.value == 0 || given.value == 1, "a flag neither on nor off");
        else
            Require(given.value >= static_cast<float>(setting.low) && given.value <= static_cast<float>(setting.high),
                    "a setting's value outside its range");
    }
    Require(!command.settings.delayMicroseconds || *command.settings.delayMicroseconds <= FindSetting("delay")->high,
            "a delay outside its range");

    // The value readers on every argument alone.
    for (size_t i = 0; i < pieces.size(); ++i) {
        NativeWindow window = 0;
        if (ParseWindowId(pieces[i].get(), window))
            Require(window >= 1 && window <= kMaxWindowHandle, "an X window id out of range");
        int width = 0, height = 0;
        if (ParseSize(pieces[i].get(), width, height))
            Require(width >= 1 && width <= 16384 && height >= 1 && height <= 16384, "a size out of range");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const uint8_t* rest = data + 1;
    const size_t length = size - 1;

    CheckWindowsWalk(rest, length, flags & 1, flags & 2);

    std::vector<std::unique_ptr<char[]>> pieces;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i == length || rest[i] == 0) {
            if (i > start || i < length) pieces.push_back(Terminated(rest + start, i - start));
            start = i + 1;
        }
    }
    CheckOptions(pieces, flags & 4);
    return 0;
}
