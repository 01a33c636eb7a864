// How the screen saver host reads its command line: the program name that
// leads it, the mode switch and the window handles that follow the switches.
// Portable: the Windows and Linux entry points carry out what it decides.
#pragma once

#include <cstdint>

#include "platform/gl_window.h"

// Advances from one character to the next (CharNextA on Windows).
using NextCharacter = const char* (*)(const char*);

// The text after the program name and the blanks that follow it. A quoted
// name ends at the closing quote (or the end); an unquoted one at the first
// byte that is a space or a control character.
const char* SkipProgramName(const char* commandLine, NextCharacter next = nullptr);

enum class SaverMode {
    ConfigDialog,          // no switch: the dialog without an owner
    ConfigDialogForOwner,  // C: owned by the window after "C:", else by the foreground window
    FullScreen,      // S
    Preview,         // P or L: argument holds the text of the window handle
    ChangePassword,  // A on the Windows 95 family: argument holds the owner's text
    Refused,         // anything else: the program ends with -1
};

struct SaverCommand {
    SaverMode mode = SaverMode::Refused;
    const char* argument = nullptr;  // Preview, ChangePassword: the text after the letter and its spaces
    NativeWindow owner = 0;          // ConfigDialogForOwner: the handle after "C:", 0 when none was given
};

// Reads the switch from text (what follows the program name): spaces, '-'
// and '/' are passed over and the first other byte decides; the rest of the
// text is read only for the argument of that switch.
SaverCommand ParseSaverCommand(const char* text, bool isWindows9x);

// The largest value a window handle given on the command line may have:
// window handles are 32-bit on Windows and X11 alike.
constexpr uint64_t kMaxWindowHandle = 0xFFFFFFFFu;

// The decimal number at the start of text, up to the first byte that is not
// a digit; 0 without digits, and 0 for a number above kMaxWindowHandle (no
// window has it), never a wrapped value.
NativeWindow ParseWindowHandle(const char* text);
