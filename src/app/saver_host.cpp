#include "app/saver_host.h"

#include <cstdlib>

SaverHostState saverHost;

void ResetSaverHostState() { saverHost = SaverHostState{}; }

namespace {

// Input while the saver runs full screen and no check is under way.
void ApplyInputRules(const SaverMessageEvent& event, SaverReaction& reaction) {
    switch (event.kind) {
        case SaverMessage::ActivateApp:
            if (event.wParam == 0 && !event.runEndedUnseen) reaction.postClose = true;
            break;
        case SaverMessage::ShowWindow:
            if (event.wParam != 0) reaction.hideCursor = true;
            break;
        case SaverMessage::SetCursor:
            reaction.hideCursor = true;
            reaction.step = SaverStep::Return;
            reaction.result = 1;
            break;
        case SaverMessage::Power:
            if (event.wParam == 3) reaction.postClose = true;
            break;
        case SaverMessage::PowerBroadcast:
        case SaverMessage::KeyDown:
        case SaverMessage::ButtonDown:
            reaction.postClose = true;
            break;
        case SaverMessage::MouseMove: {
            // Distances are taken in 64 bits: screen coordinates are
            // ordinary ints and their difference must not overflow.
            const int64_t dx = static_cast<int64_t>(event.cursorX) - saverHost.savedCursorX;
            const int64_t dy = static_cast<int64_t>(event.cursorY) - saverHost.savedCursorY;
            // Smaller movements keep the saved position, so they add up.
            if (std::llabs(dx) + std::llabs(dy) > kMouseCloseDistance) {
                reaction.postClose = true;
                saverHost.savedCursorX = event.cursorX;
                saverHost.savedCursorY = event.cursorY;
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

SaverReaction DecideSaverMessage(const SaverMessageEvent& event) {
    SaverReaction reaction;
    if (!saverHost.isPreview && !saverHost.closeAccepted) {
        if (event.kind == SaverMessage::Close && saverHost.isWindows9x) {
            reaction.step = SaverStep::VerifyThenClose;
            return reaction;
        }
        if (event.kind == SaverMessage::PasswordCheck && saverHost.isWindows9x) {
            reaction.step = SaverStep::AskVerifier;
            return reaction;
        }
        if (!saverHost.checkingPassword) ApplyInputRules(event, reaction);
        if (reaction.step == SaverStep::Return) return reaction;
    }
    if (event.kind == SaverMessage::AutoPlay) {
        // The auto-play request is cancelled only on a locked desktop.
        reaction.postClose = true;
        reaction.step = SaverStep::Return;
        reaction.result = saverHost.verifierLoaded ? 1 : 0;
    }
    return reaction;
}

PasswordCheck BeginPasswordCheck(uint32_t now) {
    if (saverHost.checkingPassword || saverHost.closeAccepted) return PasswordCheck::Refuse;
    if (!saverHost.verifierLoaded) {
        saverHost.closeAccepted = 1;
        return PasswordCheck::Accept;
    }
    // Unsigned difference: right across the wrap of the tick count.
    if (saverHost.lastVerifyTick != kNeverVerified && now - saverHost.lastVerifyTick < kPasswordRetryMs)
        return PasswordCheck::Refuse;
    saverHost.checkingPassword = 1;
    return PasswordCheck::AskVerifier;
}

int FinishPasswordCheck(intptr_t answer, uint32_t now) {
    saverHost.closeAccepted = answer != 0 ? 1 : 0;
    saverHost.checkingPassword = 0;
    saverHost.lastVerifyTick = now;
    return saverHost.closeAccepted;
}
