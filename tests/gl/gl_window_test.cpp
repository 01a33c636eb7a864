#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "common/gl.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "app/run.h"
#include "app/run_record.h"

namespace {

class OffscreenGL : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRun();
        ASSERT_EQ(CreateOffscreenGLWindow(640, 480, 32), 1);
    }
    void TearDown() override { DestroyGLWindow(); }

    static void Projection(float m[16]) { glGetFloatv(GL_PROJECTION_MATRIX, m); }
};

TEST_F(OffscreenGL, ProjectionIsTheFrustumOfFortyFiveDegrees) {
    EXPECT_EQ(renderWindow.fullScreenActive, 0);  // a pbuffer is never full screen
    EXPECT_EQ(renderWindow.viewportWidth, 640);
    EXPECT_EQ(renderWindow.viewportHeight, 480);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    // glFrustum(-0.0552285, 0.0552285, -0.0414214, 0.0414214, 0.1, 256).
    const double l = -0.0552285, r = 0.0552285, b = -0.0414214, t = 0.0414214, n = 0.1, f = 256.0;
    float m[16];
    Projection(m);
    EXPECT_NEAR(m[0], 2 * n / (r - l), 1e-4);
    EXPECT_NEAR(m[5], 2 * n / (t - b), 1e-4);
    EXPECT_NEAR(m[10], -(f + n) / (f - n), 1e-6);
    EXPECT_NEAR(m[11], -1.0, 1e-6);
    EXPECT_NEAR(m[14], -2 * f * n / (f - n), 1e-6);
    EXPECT_NEAR(m[8], 0.0, 1e-6);  // symmetric

    float mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(mv[i], i % 5 == 0 ? 1.0f : 0.0f);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

// The top edge of the frustum is tan(22.5 degrees) / 10 as a double, the
// bottom edge its negative rounded to a float. Mesa keeps the matrix in
// single precision, so a top edge rounded too shows only where it moves a
// rounded edge: at 3:2 and 12:1, not at 4:3.
TEST_F(OffscreenGL, ProjectionRoundsOnlyTheBottomEdge) {
    for (const auto& size : {std::pair<int, int>{640, 480}, {300, 200}, {1200, 100}, {150, 200}}) {
        ResizeGLScene(size.first, size.second);
        float resized[16];
        Projection(resized);

        const double aspect = static_cast<float>(size.first) / static_cast<float>(size.second);
        const double zNear = 0.1f;
        const double top = zNear * std::tan(45.0 * 0.008726646259971648);
        const double bottom = static_cast<float>(-top);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(bottom * aspect, top * aspect, bottom, top, zNear, 256.0);
        glMatrixMode(GL_MODELVIEW);
        float expected[16];
        Projection(expected);
        EXPECT_EQ(std::memcmp(resized, expected, sizeof expected), 0) << size.first << "x" << size.second;
    }
}

TEST_F(OffscreenGL, ZeroSizeBecomesOneByOneWithSquareAspect) {
    ResizeGLScene(0, 0);
    EXPECT_EQ(renderWindow.viewportWidth, 1);
    EXPECT_EQ(renderWindow.viewportHeight, 1);
    float m[16];
    Projection(m);
    EXPECT_NEAR(m[0], m[5], 1e-5);
    ResizeGLScene(-20, 300);
    EXPECT_EQ(renderWindow.viewportWidth, 1);
    EXPECT_EQ(renderWindow.viewportHeight, 300);
}

TEST_F(OffscreenGL, InitialStateIsTheFrameContract) {
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE));
    GLint value;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LESS);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    for (float c : clear) EXPECT_EQ(c, 0.0f);
    float depth;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
    EXPECT_EQ(depth, 1.0f);
    GLint depthBits;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(OffscreenGL, AFrameStartsFromBlack) {
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    saverSettings = SaverSettings{};
    ComposeFrame();
    SwapGLBuffers();
    unsigned char pixel[4] = {9, 9, 9, 9};
    glReadPixels(320, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 0);
}

TEST(OffscreenGLLifecycle, DestroyIsSafeAfterNothingAndTwice) {
    ResetRun();
    DestroyGLWindow();
    ASSERT_EQ(CreateOffscreenGLWindow(320, 240, 16), 1);
    EXPECT_EQ(renderWindow.viewportWidth, 320);
    DestroyGLWindow();
    DestroyGLWindow();
    EXPECT_FALSE(HasGLContext());
}

TEST(ErrorText, WithoutAWindowTheTextGoesToStderrOnly) {
    // Without a render window nothing may be shown (and nothing waits for a
    // user); the Linux build writes every message to stderr.
    ResetRun();
    testing::internal::CaptureStderr();
    ShowError("A suitable device was not found - %s.", "test");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "lumox: A suitable device was not found - test.\n");
}

}  // namespace
