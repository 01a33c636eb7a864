#include "app/saver_host.h"
#include "render/frame_rate_meter.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

SaverReaction Send(SaverMessage kind, uintptr_t wParam = 0) { return DecideSaverMessage({kind, wParam, 0, 0, false}); }
SaverReaction MoveTo(int x, int y) { return DecideSaverMessage({SaverMessage::MouseMove, 0, x, y, false}); }

class CloseRules : public ::testing::Test {
protected:
    void SetUp() override { ResetSaverHostState(); }
    void TearDown() override { ResetSaverHostState(); }
};

TEST_F(CloseRules, MouseThresholdIsASumAndSmallMovesAddUp) {
    saverHost.savedCursorX = 100;
    saverHost.savedCursorY = 100;
    EXPECT_FALSE(MoveTo(103, 101).postClose);  // 3 + 1 = 4
    EXPECT_EQ(saverHost.savedCursorX, 100);
    SaverReaction away = MoveTo(104, 101);  // 5
    EXPECT_TRUE(away.postClose);
    EXPECT_EQ(away.step, SaverStep::DefaultProcessing);
    EXPECT_EQ(saverHost.savedCursorX, 104);
    EXPECT_EQ(saverHost.savedCursorY, 101);

    // Steps of one pixel: the fifth away from where they started closes.
    ResetSaverHostState();
    EXPECT_FALSE(MoveTo(1, 0).postClose);
    EXPECT_FALSE(MoveTo(1, 1).postClose);
    EXPECT_FALSE(MoveTo(2, 1).postClose);
    EXPECT_FALSE(MoveTo(2, 2).postClose);
    EXPECT_TRUE(MoveTo(3, 2).postClose);
    // Either direction counts, and far-apart screen positions do not overflow.
    EXPECT_TRUE(MoveTo(0, 0).postClose);
    EXPECT_TRUE(MoveTo(-3, -2).postClose);
    saverHost.savedCursorX = INT_MIN;
    saverHost.savedCursorY = INT_MIN;
    EXPECT_TRUE(MoveTo(INT_MAX, INT_MAX).postClose);
}

TEST_F(CloseRules, KeysClicksPowerAndLostActivationClose) {
    for (SaverMessage kind : {SaverMessage::KeyDown, SaverMessage::ButtonDown, SaverMessage::PowerBroadcast}) {
        const SaverReaction reaction = Send(kind, 7);
        EXPECT_TRUE(reaction.postClose);
        EXPECT_EQ(reaction.step, SaverStep::DefaultProcessing);
    }
    EXPECT_TRUE(Send(SaverMessage::Power, 3).postClose);
    EXPECT_FALSE(Send(SaverMessage::Power, 1).postClose);
    EXPECT_TRUE(Send(SaverMessage::ActivateApp, 0).postClose);
    EXPECT_FALSE(Send(SaverMessage::ActivateApp, 1).postClose);
    // The activation the render window takes with it at the end of the run
    // is not the user's: the black window after the run stays.
    EXPECT_FALSE(DecideSaverMessage({SaverMessage::ActivateApp, 0, 0, 0, true}).postClose);

    const SaverReaction shown = Send(SaverMessage::ShowWindow, 1);
    EXPECT_TRUE(shown.hideCursor);
    EXPECT_FALSE(shown.postClose);
    EXPECT_FALSE(Send(SaverMessage::ShowWindow, 0).hideCursor);
    const SaverReaction cursor = Send(SaverMessage::SetCursor);
    EXPECT_TRUE(cursor.hideCursor);
    EXPECT_EQ(cursor.step, SaverStep::Return);
    EXPECT_EQ(cursor.result, 1);

    const SaverReaction other = Send(SaverMessage::Other, 1);
    EXPECT_FALSE(other.postClose || other.hideCursor);
    EXPECT_EQ(other.step, SaverStep::DefaultProcessing);
}

TEST_F(CloseRules, NothingClosesAPreviewDuringACheckOrAfterClosingWasAccepted) {
    for (int situation = 0; situation < 3; ++situation) {
        ResetSaverHostState();
        saverHost.isWindows9x = 1;
        if (situation == 0) saverHost.isPreview = 1;
        if (situation == 1) saverHost.checkingPassword = 1;
        if (situation == 2) saverHost.closeAccepted = 1;
        for (SaverMessage kind : {SaverMessage::KeyDown, SaverMessage::ButtonDown, SaverMessage::PowerBroadcast,
                                  SaverMessage::ActivateApp, SaverMessage::Power, SaverMessage::SetCursor}) {
            const SaverReaction reaction = Send(kind, kind == SaverMessage::Power ? 3 : 0);
            EXPECT_FALSE(reaction.postClose) << situation;
            EXPECT_FALSE(reaction.hideCursor) << situation;
            EXPECT_EQ(reaction.step, SaverStep::DefaultProcessing) << situation;
        }
        EXPECT_FALSE(MoveTo(500, 500).postClose) << situation;
        EXPECT_EQ(saverHost.savedCursorX, 0);
    }
    // A close request during a check still goes to the (refusing) check; a
    // preview or an accepted close is simply destroyed.
    ResetSaverHostState();
    saverHost.isWindows9x = 1;
    saverHost.checkingPassword = 1;
    EXPECT_EQ(Send(SaverMessage::Close).step, SaverStep::VerifyThenClose);
    EXPECT_EQ(BeginPasswordCheck(1000), PasswordCheck::Refuse);
    saverHost.checkingPassword = 0;
    saverHost.isPreview = 1;
    EXPECT_EQ(Send(SaverMessage::Close).step, SaverStep::DefaultProcessing);
    EXPECT_EQ(Send(SaverMessage::PasswordCheck).step, SaverStep::DefaultProcessing);
}

TEST_F(CloseRules, PasswordMessagesOnlyOnTheWindows95Family) {
    EXPECT_EQ(Send(SaverMessage::Close).step, SaverStep::DefaultProcessing);
    EXPECT_EQ(Send(SaverMessage::PasswordCheck).step, SaverStep::DefaultProcessing);
    saverHost.isWindows9x = 1;
    EXPECT_EQ(Send(SaverMessage::Close).step, SaverStep::VerifyThenClose);
    EXPECT_EQ(Send(SaverMessage::PasswordCheck).step, SaverStep::AskVerifier);
}

TEST_F(CloseRules, AutoPlayIsCancelledOnlyOnALockedDesktop) {
    SaverReaction open = Send(SaverMessage::AutoPlay);
    EXPECT_TRUE(open.postClose);
    EXPECT_EQ(open.step, SaverStep::Return);
    EXPECT_EQ(open.result, 0);
    saverHost.verifierLoaded = 1;
    saverHost.isPreview = 1;  // answered even in a preview
    SaverReaction locked = Send(SaverMessage::AutoPlay);
    EXPECT_TRUE(locked.postClose);
    EXPECT_EQ(locked.result, 1);
}

TEST_F(CloseRules, WithoutVerifierClosingIsAcceptedOnce) {
    EXPECT_EQ(BeginPasswordCheck(5), PasswordCheck::Accept);
    EXPECT_EQ(saverHost.closeAccepted, 1);
    EXPECT_EQ(BeginPasswordCheck(5000), PasswordCheck::Refuse);
}

TEST_F(CloseRules, RefusedCheckThrottlesTheNextFor200Milliseconds) {
    saverHost.verifierLoaded = 1;
    // Never checked: the first request asks at once, whatever the clock says.
    ASSERT_EQ(BeginPasswordCheck(3), PasswordCheck::AskVerifier);
    EXPECT_EQ(saverHost.checkingPassword, 1);
    EXPECT_EQ(BeginPasswordCheck(3), PasswordCheck::Refuse);  // one check at a time
    EXPECT_EQ(FinishPasswordCheck(0, 1000), 0);
    EXPECT_EQ(saverHost.checkingPassword, 0);
    EXPECT_EQ(saverHost.lastVerifyTick, 1000u);
    EXPECT_EQ(BeginPasswordCheck(1199), PasswordCheck::Refuse);
    EXPECT_EQ(saverHost.checkingPassword, 0);
    ASSERT_EQ(BeginPasswordCheck(1200), PasswordCheck::AskVerifier);
    EXPECT_EQ(FinishPasswordCheck(1, 1300), 1);
    EXPECT_EQ(saverHost.closeAccepted, 1);
    EXPECT_EQ(BeginPasswordCheck(99999), PasswordCheck::Refuse);
}

TEST_F(CloseRules, ThrottleHoldsAcrossTheTickCounterWrap) {
    saverHost.verifierLoaded = 1;
    ASSERT_EQ(BeginPasswordCheck(0), PasswordCheck::AskVerifier);
    FinishPasswordCheck(0, 0xFFFFFF9Cu);  // 100 ms before the wrap
    EXPECT_EQ(BeginPasswordCheck(0xFFFFFFFEu), PasswordCheck::Refuse);
    EXPECT_EQ(BeginPasswordCheck(99), PasswordCheck::Refuse);   // 199 ms later
    EXPECT_EQ(BeginPasswordCheck(100), PasswordCheck::AskVerifier);  // 200 ms later
}

TEST(FrameRate, FiguresAndLoadOncePerSecond) {
    FrameRateMeter meter;
    uint64_t now = 5000000;
    EXPECT_FALSE(meter.AddFrame(now, 0));
    int reports = 0;
    for (int frame = 1; frame <= 250; ++frame) {
        now += 10000;  // 100 frames a second, 4 ms of each in the pause
        if (meter.AddFrame(now, 4000)) {
            ++reports;
            EXPECT_NEAR(meter.FramesPerSecond(), 100.0, 0.01);
            EXPECT_NEAR(meter.LoadPercent(), 60.0, 0.01);
        }
    }
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(FrameRateLine(meter.FramesPerSecond()), "FPS: 100.0");
    EXPECT_EQ(LoadLine(meter.LoadPercent()), "Load: 60.0%");
    EXPECT_EQ(LoadLine(12.34), "Load: 12.3%");

    // Pauses measured longer than the second itself (a coarse clock) give
    // no load, never a negative one.
    for (int frame = 0; frame < 100; ++frame) meter.AddFrame(now += 10000, 20000);
    EXPECT_EQ(meter.LoadPercent(), 0.0);
}

}  // namespace
