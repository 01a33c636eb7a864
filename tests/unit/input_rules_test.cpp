#include "platform/gl_window.h"
#include "app/run_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class InputRules : public ::testing::Test {
protected:
    void SetUp() override { ResetRun(); }
    void MoveThrough(int count, int start = 10) {
        for (int i = 0; i < count; ++i) GLWindowMouseMove(start + i, 2 * (start + i));
    }
};

TEST_F(InputRules, QuitKeysEndOnlyAWindowThatAsksForThem) {
    for (GLKey key : {GLKey::Escape, GLKey::Q, GLKey::Other}) {
        ResetRun();
        GLWindowKeyDown(key);
        EXPECT_EQ(renderWindow.quitRequested, 0);  // a plain window
        renderWindow.quitKeys = 1;
        GLWindowKeyDown(key);
        EXPECT_EQ(renderWindow.quitRequested, key == GLKey::Other ? 0 : 1);
    }
    // Full screen only Escape ends the run, as ever.
    ResetRun();
    renderWindow.quitKeys = 1;
    renderWindow.fullScreenActive = 1;
    GLWindowKeyDown(GLKey::Q);
    EXPECT_EQ(renderWindow.quitRequested, 0);
}

TEST_F(InputRules, EscapeEndsOnlyAFullScreenRun) {
    renderWindow.fullScreenActive = 1;
    GLWindowKeyDown(GLKey::Other);
    EXPECT_EQ(renderWindow.quitRequested, 0);
    GLWindowKeyDown(GLKey::Escape);
    EXPECT_EQ(renderWindow.quitRequested, 1);

    ResetRun();
    GLWindowKeyDown(GLKey::Escape);
    EXPECT_EQ(renderWindow.quitRequested, 0);
}

TEST_F(InputRules, SixthDistinctPositionEndsFullScreenRun) {
    renderWindow.fullScreenActive = 1;
    MoveThrough(5);
    EXPECT_EQ(renderWindow.mouseMoveCount, 5);
    EXPECT_EQ(renderWindow.quitRequested, 0);
    // The same position again is not a move.
    GLWindowMouseMove(14, 28);
    EXPECT_EQ(renderWindow.mouseMoveCount, 5);
    EXPECT_EQ(renderWindow.quitRequested, 0);
    GLWindowMouseMove(100, 100);
    EXPECT_EQ(renderWindow.quitRequested, 1);
}

TEST_F(InputRules, FirstPositionCountsEvenAtMinusOneStart) {
    // Positions start at -1, -1: a first report of 0, 0 is a move, and
    // negative client coordinates (a mouse left of the window) count too.
    GLWindowMouseMove(0, 0);
    GLWindowMouseMove(-5, -7);
    EXPECT_EQ(renderWindow.mouseMoveCount, 2);
    EXPECT_EQ(renderWindow.lastMouseX, -5);
    EXPECT_EQ(renderWindow.lastMouseY, -7);
}

TEST_F(InputRules, WindowedRunCountsButNeverEnds) {
    MoveThrough(50);
    EXPECT_EQ(renderWindow.mouseMoveCount, 50);
    EXPECT_EQ(renderWindow.quitRequested, 0);
}

TEST_F(InputRules, PasswordCheckFreezesTheMouseRule) {
    renderWindow.fullScreenActive = 1;
    MoveThrough(3);
    GLWindowPasswordRequest();
    EXPECT_EQ(renderWindow.verifyingPassword, 1);
    MoveThrough(20, 500);
    EXPECT_EQ(renderWindow.mouseMoveCount, 3);
    EXPECT_EQ(renderWindow.lastMouseX, 12);
    EXPECT_EQ(renderWindow.quitRequested, 0);
    // Escape still ends the run while the password is asked for.
    GLWindowKeyDown(GLKey::Escape);
    EXPECT_EQ(renderWindow.quitRequested, 1);
}

TEST(ErrorText, LongTextIsCutToTheBuffer) {
    std::string path(5000, 'p');
    char text[kErrorTextSize + 16];
    std::memset(text, '#', sizeof text);
    auto format = [&](const char* f, ...) {
        va_list args;
        va_start(args, f);
        FormatErrorText(text, f, args);
        va_end(args);
    };
    format("Image load failed: %s", path.c_str());
    EXPECT_EQ(std::strlen(text), static_cast<size_t>(kErrorTextSize - 1));
    EXPECT_EQ(std::strncmp(text, "Image load failed: ppp", 22), 0);
    EXPECT_EQ(text[kErrorTextSize], '#');  // nothing written past the buffer

    format("%d of %s", 3, "five");
    EXPECT_STREQ(text, "3 of five");
}

}  // namespace
