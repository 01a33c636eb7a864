// Whole frames and their passes: the tunnel's enlargement, the feedback and
// blur copies, the radial blur's glow, texture names and the GL state a
// frame leaves behind.
#include "render_fixture.h"

#include <cmath>

#include "common/clock.h"
#include "render/tunnel.h"

namespace {

class FrameTest : public RenderTest {
protected:
    // A new pbuffer holds whatever its memory held before.
    void SetUp() override {
        RenderTest::SetUp();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // White, untextured rectangle in screen pixels (x0..x1 by y0..y1, y
    // from the top).
    void FillRect(int x0, int y0, int x1, int y1, float grey = 1.0f) {
        BeginOrtho();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glColor4f(grey, grey, grey, 1.0f);
        glBegin(GL_QUADS);
        glVertex2f(static_cast<float>(x0), static_cast<float>(y0));
        glVertex2f(static_cast<float>(x0), static_cast<float>(y1));
        glVertex2f(static_cast<float>(x1), static_cast<float>(y1));
        glVertex2f(static_cast<float>(x1), static_cast<float>(y0));
        glEnd();
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        EndOrtho();
        glColor4f(1, 1, 1, 1);
    }

    // Tunnel pass alone, as RenderFrame runs it, on a cleared buffer.
    void TunnelOnly() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
        DrawTunnel();
        glEnable(GL_DEPTH_TEST);
    }

    struct Centroid {
        double x, y, mass;
    };
    // Intensity-weighted centre (pixel centres at +0.5) of the red channel
    // inside the box, in screen coordinates.
    static Centroid CentroidIn(const std::vector<int>& red, int w, int x0, int y0, int x1, int y1) {
        double sx = 0, sy = 0, m = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const double v = red[static_cast<size_t>(y) * w + x];
                sx += v * (x + 0.5);
                sy += v * (y + 0.5);
                m += v;
            }
        return Centroid{m > 0 ? sx / m : -1, m > 0 ? sy / m : -1, m};
    }

    void ExpectStateListHolds() {
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
        GLint value = 0;
        glGetIntegerv(GL_MATRIX_MODE, &value);
        EXPECT_EQ(value, GL_MODELVIEW);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &value);
        EXPECT_EQ(value, 1);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &value);
        EXPECT_EQ(value, 1);
        glGetIntegerv(GL_DEPTH_FUNC, &value);
        EXPECT_EQ(value, GL_LESS);
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_EQ(mask, GL_TRUE);
        float colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(colour[i], 1.0f) << "colour " << i;
        EXPECT_FLOAT_EQ(baseBrightness, 1.0f);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
};

TEST_F(FrameTest, FirstFrameHasNoTunnel) {
    // Before any feedback copy the tunnel makes no GL call at all.
    glColor4f(0.3f, 0.2f, 0.1f, 1.0f);
    glEnable(GL_BLEND);
    DrawTunnel();
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.3f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);

    // Whatever the buffer held before, frame one is black with an empty list.
    FillRect(0, 0, width, height);
    RenderFrame();
    const std::vector<int> red = RedFrame();
    for (int v : red) ASSERT_EQ(v, 0);
    EXPECT_EQ(feedbackTexture, 3);  // blur source took 2: radialBlur is on by default
}

TEST_F(FrameTest, CentreStaysAndMarksMoveOutwardByOneEnlargement) {
    saverSettings.outwardSpeed = 10.0f;
    // 2x2 at the exact centre, 4x4 marks 200 px right of and 160 px below it.
    FillRect(319, 239, 321, 241);
    FillRect(518, 238, 522, 242);
    FillRect(318, 398, 322, 402);
    CaptureFeedback();
    TunnelOnly();
    const std::vector<int> red = RedFrame();

    const double grow = 640.0 / (640.0 - 2 * 10.0);  // d = 10 on 640 x 480
    Centroid centre = CentroidIn(red, width, 310, 230, 330, 250);
    EXPECT_NEAR(centre.x, 320.0, 0.05);
    EXPECT_NEAR(centre.y, 240.0, 0.05);
    Centroid right = CentroidIn(red, width, 500, 225, 550, 255);
    EXPECT_NEAR(right.x, 320.0 + 200.0 * grow, 0.2);
    EXPECT_NEAR(right.y, 240.0, 0.2);
    Centroid down = CentroidIn(red, width, 305, 385, 335, 430);
    EXPECT_NEAR(down.x, 320.0, 0.2);
    EXPECT_NEAR(down.y, 240.0 + 160.0 * grow, 0.2);
    // Stretching spreads the light but keeps its amount (times the area).
    EXPECT_NEAR(right.mass / (16 * 255.0), grow * grow, 0.05);
}

TEST_F(FrameTest, FluctuatingSpeedTriplesAtTheCrest) {
    saverSettings.outwardSpeed = 10.0f;
    saverSettings.fluctuateTunnelSpeed = 1;
    frameTime = 1571;  // sin(1.571) = 1: d = 30
    EXPECT_NEAR(TunnelEnlargement(), 30.0f, 1e-3f);
    FillRect(518, 238, 522, 242);
    CaptureFeedback();
    TunnelOnly();
    const std::vector<int> red = RedFrame();
    Centroid right = CentroidIn(red, width, 500, 220, 580, 260);
    EXPECT_NEAR(right.x, 320.0 + 200.0 * 640.0 / 580.0, 0.3);

    frameTime = 4712;  // sin = -1: d = 10
    EXPECT_NEAR(TunnelEnlargement(), 10.0f, 1e-3f);
    saverSettings.fluctuateTunnelSpeed = 0;
    EXPECT_EQ(TunnelEnlargement(), 10.0f);
}

TEST_F(FrameTest, PlainTunnelKeepsColoursAndSaturationLiftsMidTones) {
    FillRect(0, 0, width, height, 0.5f);
    CaptureFeedback();
    TunnelOnly();
    const int plain = Pixel(100, 100).r;
    EXPECT_NEAR(plain, 128, 1);

    // The second layer turns s into s * (1.04 - 0.04 s).
    saverSettings.extraSaturation = 1;
    FillRect(0, 0, width, height, 0.5f);
    CaptureFeedback();
    TunnelOnly();
    EXPECT_NEAR(Pixel(100, 100).r, 255 * 0.5 * (1.04 - 0.04 * 0.5), 1);
    FillRect(0, 0, width, height, 1.0f);
    CaptureFeedback();
    TunnelOnly();
    EXPECT_EQ(Pixel(100, 100).r, 255);
}

// The frame after a frame with one object: with an empty list it is the
// previous frame enlarged about the centre, nothing new.
TEST_F(FrameTest, EmptyListShowsThePreviousFrameEnlarged) {
    saverSettings.radialBlur = 0;
    saverSettings.pulseRate = 0.0f;
    AddSceneNode(PlainNode(3.0f, 1.5f, 0.3f));
    RenderFrame();
    const std::vector<int> first = RedFrame();
    RenderFrame();
    const std::vector<int> second = RedFrame();
    Centroid a = CentroidIn(first, width, 0, 0, width, height);
    Centroid b = CentroidIn(second, width, 0, 0, width, height);
    ASSERT_GT(a.mass, 0);
    const double grow = 640.0 / 620.0;
    EXPECT_NEAR(b.x - 320.0, (a.x - 320.0) * grow, 0.3);
    EXPECT_NEAR(b.y - 240.0, (a.y - 240.0) * grow, 0.3);
    EXPECT_NEAR(b.mass / a.mass, grow * grow, 0.05);
}

TEST_F(FrameTest, WithoutRadialBlurThereIsNoBlurTextureAndNoGlow) {
    saverSettings.radialBlur = 0;
    saverSettings.pulseRate = 0.0f;
    AddSceneNode(PlainNode(2.5f, 1.5f, 0.5f));
    RenderFrame();
    EXPECT_EQ(blurTexture, -1);
    EXPECT_EQ(feedbackTexture, 2);
    EXPECT_EQ(nextTextureName, 3);
    const std::vector<int> red = RedFrame();
    // Everything outside the quad (about 409..453 by 151..195) is black.
    Centroid lit = CentroidIn(red, width, 0, 0, width, height);
    EXPECT_NEAR(lit.x, 320 + 2.5 * PixelsPerUnitAt13(height), 1.0);
    int litOutside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x < 405 || x > 457 || y < 147 || y > 199) && red[static_cast<size_t>(y) * width + x] > 0)
                ++litOutside;
    EXPECT_EQ(litOutside, 0);
    RenderFrame();
    EXPECT_EQ(blurTexture, -1);
    EXPECT_EQ(nextTextureName, 3);
}

TEST_F(FrameTest, RadialBlurAddsLightOnlyOutwardOfTheObjects) {
    saverSettings.pulseRate = 0.0f;
    saverSettings.radialBlur = 0;
    AddSceneNode(PlainNode(2.5f, 1.5f, 0.5f));
    RenderFrame();
    const std::vector<int> plain = RedFrame();

    // The same frame with the blur, from a fresh start.
    ResetScreenCopies();
    nextTextureName = 2;
    saverSettings.radialBlur = 1;
    AddSceneNode(PlainNode(2.5f, 1.5f, 0.5f));
    RenderFrame();
    const std::vector<int> blurred = RedFrame();
    EXPECT_EQ(blurTexture, 2);
    EXPECT_EQ(feedbackTexture, 3);

    auto at = [&](const std::vector<int>& f, int x, int y) { return f[static_cast<size_t>(y) * width + x]; };
    // Beyond the quad, on the ray from the centre through it: light only
    // with the blur.
    EXPECT_EQ(at(plain, 470, 150), 0);
    EXPECT_GT(at(blurred, 470, 150), 20);
    // On the quad itself the glow adds to the object.
    EXPECT_GT(at(blurred, 431, 173), at(plain, 431, 173));
    // Nothing on the side of the screen away from the object, nor at the
    // centre (every layer is an enlargement about it).
    int differ = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x < 325 || y > 235) && at(blurred, x, y) != at(plain, x, y)) ++differ;
    EXPECT_EQ(differ, 0);
}

TEST_F(FrameTest, BlurLayersAddThreePointOneTimesTheSource) {
    // A uniform source: every layer adds a times it; the alphas from 0.2
    // down in steps of 1/150 sum to 3.1.
    FillRect(0, 0, width, height, 0.1f);
    CaptureBlurSource();
    // 0.1 as the copy stores it.
    std::vector<float> texels(static_cast<size_t>(width) * height * 4);
    glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(blurTexture));
    glGetTexImage(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, GL_FLOAT, texels.data());
    const double source = texels[(240 * width + 320) * 4];
    ASSERT_NEAR(source, 0.1, 0.005);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    FillRect(0, 0, width, height, 0.2f);
    DrawRadialBlur();
    EXPECT_NEAR(Pixel(320, 240).r, 255 * (0.2 + 3.1 * source), 2);
    EXPECT_NEAR(Pixel(5, 5).r, 255 * (0.2 + 3.1 * source), 2);
    ExpectStateListHolds();
}

TEST_F(FrameTest, GlowNeverFeedsBackIntoTheTunnel) {
    // Frame one has an object, frame two none: with or without the blur,
    // frame two is frame one's objects enlarged, and nothing of the glow.
    saverSettings.pulseRate = 0.0f;
    std::vector<int> second[2];
    for (int blur : {0, 1}) {
        ResetScreenCopies();
        nextTextureName = 2;
        saverSettings.radialBlur = blur;
        AddSceneNode(PlainNode(2.5f, 1.5f, 0.5f));
        RenderFrame();
        RenderFrame();
        second[blur] = RedFrame();
    }
    EXPECT_EQ(second[0], second[1]);
    Centroid lit = CentroidIn(second[1], width, 0, 0, width, height);
    EXPECT_GT(lit.mass, 0);
}

TEST_F(FrameTest, ScreenCopiesTakeTheNextNamesInOrderOfFirstUse) {
    RenderFrame();
    EXPECT_EQ(pictureTexture, 1);
    EXPECT_EQ(blurTexture, 2);
    EXPECT_EQ(feedbackTexture, 3);
    EXPECT_EQ(nextTextureName, 4);
    RenderFrame();
    RenderFrame();
    EXPECT_EQ(nextTextureName, 4);
    for (int name : {blurTexture, feedbackTexture}) {
        glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(name));
        GLint w = 0, h = 0, filter = 0, wrap = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexParameteriv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, &filter);
        glGetTexParameteriv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T, &wrap);
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_EQ(filter, GL_LINEAR);
        EXPECT_EQ(wrap, GL_CLAMP);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FrameTest, StateListHoldsAfterEveryKindOfFrame) {
    saverSettings.extraSaturation = 1;
    saverSettings.fluctuateTunnelSpeed = 1;
    float projection[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int blur : {1, 0}) {
        saverSettings.radialBlur = blur;
        for (int frame = 0; frame < 3; ++frame) {
            HoldClockAt(static_cast<uint32_t>(frame) * 40u);
            AnimateScene();
            RenderFrame();
            ExpectStateListHolds();
            EXPECT_EQ(sceneList, nullptr);
        }
    }
    ReleaseClock();
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], projection[i]);
}

TEST_F(FrameTest, PreviewSizeBlurWithCrossedLayersIsHarmless) {
    DestroyGLWindow();
    OpenContext(160, 120);
    AddSceneNode(PlainNode(0.5f, 0.5f, 1.0f));
    RenderFrame();
    RenderFrame();
    ExpectStateListHolds();
}

TEST_F(FrameTest, CopiesFollowAViewportThatGrows) {
    DestroyGLWindow();
    OpenContext(320, 240);
    RenderFrame();
    // The window grew: without new storage the copy would be refused.
    ResizeGLScene(400, 300);
    width = 400;
    height = 300;
    RenderFrame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(feedbackTexture));
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(nextTextureName, 4);  // same names, new storage
}

// The default figure after 60 frames: lit, structured, wider than the
// objects alone (the trails), and the same on every identical run.
TEST_F(FrameTest, DefaultFigureLeavesTrailsAndRepeatsExactly) {
    DestroyGLWindow();
    OpenContext(320, 240);  // 180 frames: keep them small
    auto run = [&](int radialBlur) {
        FreeSceneList();
        ResetScreenCopies();
        ResetAnimationState();
        nextTextureName = 2;
        saverSettings.radialBlur = radialBlur;
        std::srand(1);
        for (int frame = 0; frame < 60; ++frame) {
            HoldClockAt(static_cast<uint32_t>(frame) * 16u);
            AnimateScene();
            RenderFrame();
        }
        ReleaseClock();
        return RedFrame();
    };
    auto litCount = [](const std::vector<int>& f) {
        int n = 0;
        for (int v : f) n += v > 8;
        return n;
    };
    const std::vector<int> once = run(1);
    EXPECT_EQ(run(1), once);
    int lo = 255, hi = 0;
    for (int v : once) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_GT(hi, 200);
    EXPECT_GT(hi - lo, 150);  // lit and structured, not a uniform wash

    // Trails: without the blur, the sixtieth frame is lit much more widely
    // than its objects alone (a first frame at the same time).
    const std::vector<int> trails = run(0);
    FreeSceneList();
    ResetScreenCopies();
    HoldClockAt(59 * 16);
    AnimateScene();
    RenderFrame();
    ReleaseClock();
    const std::vector<int> objectsOnly = RedFrame();
    EXPECT_GT(litCount(trails), 2 * litCount(objectsOnly));
    EXPECT_GT(litCount(objectsOnly), 300);
}

}  // namespace
