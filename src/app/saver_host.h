// The screen saver host's state and the rules by which its saver window
// closes: input that ends a run, the password check and its throttle.
// Portable: the platform unit classifies each message, asks these functions,
// and carries out what they answer (posting the close, hiding the cursor,
// calling the verifier). The platform's handles (the module, the verifier
// library and function, the input method) stay in the platform unit.
#pragma once

#include <cstdint>

#include "platform/gl_window.h"

// lastVerifyTick while no password check has ended.
constexpr uint32_t kNeverVerified = 0xFFFFFFFFu;

struct SaverHostState {
    NativeWindow saverWindow = 0;
    int32_t isWindows9x = 0;           // password and auto-play handling only then
    int32_t isPreview = 0;
    int32_t closeAccepted = 0;         // from then on input is no longer interpreted
    int32_t checkingPassword = 0;
    int32_t verifierLoaded = 0;        // the password verifier's function is at hand
    uint32_t lastVerifyTick = kNeverVerified;  // end of the last check
    uint32_t autoPlayMessage = 0;      // "QueryCancelAutoPlay" on the Windows 95 family, else 0
    int32_t savedCursorX = 0;          // screen position mouse movement is measured from
    int32_t savedCursorY = 0;
};

extern SaverHostState saverHost;

// Mouse movement closes the saver once |dx| + |dy| from the saved position
// exceeds this many pixels.
constexpr int kMouseCloseDistance = 4;
// Minimum time between the end of one password check and the next.
constexpr uint32_t kPasswordRetryMs = 200;

// Puts the host state back as it is at process start.
void ResetSaverHostState();

// The saver-window messages the default handling tells apart.
enum class SaverMessage {
    Close,           // WM_CLOSE
    PasswordCheck,   // WM_APP, the host's own password request
    ActivateApp,     // wParam 0: the saver loses activation
    ShowWindow,      // wParam non-zero: being shown
    SetCursor,
    Power,           // wParam 3: about to suspend
    PowerBroadcast,
    KeyDown,         // WM_KEYDOWN, WM_SYSKEYDOWN
    ButtonDown,      // left, right or middle button
    MouseMove,       // with the cursor's screen position
    AutoPlay,        // the registered auto-play message (only when it is not 0)
    Other,
};

struct SaverMessageEvent {
    SaverMessage kind = SaverMessage::Other;
    uintptr_t wParam = 0;
    int32_t cursorX = 0;  // MouseMove: the cursor's screen position
    int32_t cursorY = 0;
    // The saver's run has ended and its window is not shown yet: activation
    // lost now went with the saver's own render window, not to the user.
    bool runEndedUnseen = false;
};

enum class SaverStep {
    DefaultProcessing,  // the system's default handling with the four values
    Return,             // return result, no default handling
    VerifyThenClose,    // ask VerifyPassword: refused, re-arm the cursor and return 0;
                        // accepted, default processing (which destroys the window)
    AskVerifier,        // return the verifier's answer for the window, 1 without one
};

struct SaverReaction {
    SaverStep step = SaverStep::DefaultProcessing;
    intptr_t result = 0;     // Return: the message result
    bool postClose = false;  // post WM_CLOSE to the saver window (the handling goes on)
    bool hideCursor = false;
};

// The default handling of one saver-window message. Updates the saved
// cursor position when a movement closes the saver.
SaverReaction DecideSaverMessage(const SaverMessageEvent& event);

// The first half of VerifyPassword, at tick count now.
enum class PasswordCheck {
    Refuse,       // a check is running, closing was accepted, or the last check is too recent
    Accept,       // no verifier: closing is accepted (closeAccepted is set)
    AskVerifier,  // checkingPassword is set: ask the verifier, then FinishPasswordCheck
};
PasswordCheck BeginPasswordCheck(uint32_t now);

// The verifier answered (non-zero: accepted) and the check ended at now.
// Returns closeAccepted.
int FinishPasswordCheck(intptr_t answer, uint32_t now);
