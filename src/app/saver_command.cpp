#include "app/saver_command.h"

namespace {

const char* NextByte(const char* text) { return text + 1; }

unsigned char Byte(const char* text) { return static_cast<unsigned char>(*text); }

const char* SkipSpaces(const char* text) {
    while (*text == ' ') ++text;
    return text;
}

}  // namespace

const char* SkipProgramName(const char* commandLine, NextCharacter next) {
    if (!next) next = NextByte;
    const char* text = commandLine;
    if (*text == '"') {
        do {
            text = next(text);
        } while (*text && *text != '"');
        if (*text == '"') ++text;
    } else {
        while (Byte(text) > ' ') ++text;
    }
    while (*text && Byte(text) <= ' ') ++text;
    return text;
}

NativeWindow ParseWindowHandle(const char* text) {
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        // Once past the largest handle, no further digit brings it back.
        if (value > kMaxWindowHandle) return 0;
    }
    return static_cast<NativeWindow>(value);
}

SaverCommand ParseSaverCommand(const char* text, bool isWindows9x) {
    SaverCommand command;
    for (;; ++text) {
        switch (*text) {
            case ' ':
            case '-':
            case '/':
                continue;
            case '\0':
                command.mode = SaverMode::ConfigDialog;
                return command;
            case 'S':
            case 's':
                command.mode = SaverMode::FullScreen;
                return command;
            case 'P':
            case 'p':
            case 'L':
            case 'l':
                command.mode = SaverMode::Preview;
                command.argument = SkipSpaces(text + 1);
                return command;
            case 'C':
            case 'c':
                command.mode = SaverMode::ConfigDialogForOwner;
                if (text[1] == ':') command.owner = ParseWindowHandle(text + 2);
                return command;
            case 'A':
            case 'a':
                if (isWindows9x) {
                    command.mode = SaverMode::ChangePassword;
                    command.argument = SkipSpaces(text + 1);
                }
                return command;
            default:
                return command;
        }
    }
}
