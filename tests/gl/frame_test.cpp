// Whole frames and their passes: the tunnel's enlargement, the screen
// copies, the radial blur's glow, texture names and the GL state a frame
// leaves behind.
#include <algorithm>
#include <cstdlib>

#include "common/clock.h"
#include "render/text_overlay.h"
#include "render/tunnel.h"
#include "render_fixture.h"

namespace {

class FrameTest : public RenderTest {
protected:
    // An untextured grey rectangle, screen pixels x0..x1 by y0..y1 from the top.
    void FillRect(int x0, int y0, int x1, int y1, float grey = 1.0f) {
        BeginOrtho();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glColor4f(grey, grey, grey, 1.0f);
        glRecti(x0, y0, x1, y1);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        EndOrtho();
        glColor4f(1, 1, 1, 1);
    }
    // The tunnel pass as RenderFrame runs it, on a cleared buffer.
    void TunnelOnly() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
        DrawTunnel();
        glEnable(GL_DEPTH_TEST);
    }
    struct Centroid {
        double x, y, mass;
    };
    // Red-weighted centre of the box (pixel centres at +0.5).
    Centroid CentroidIn(const std::vector<unsigned char>& f, int x0, int y0, int x1, int y1) const {
        double sx = 0, sy = 0, m = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const double v = f[(static_cast<size_t>(y) * width + x) * 4];
                sx += v * (x + 0.5);
                sy += v * (y + 0.5);
                m += v;
            }
        return Centroid{sx / m, sy / m, m};
    }
    void ExpectStateListHolds() {
        for (GLenum on : {GL_TEXTURE_2D, GL_DEPTH_TEST}) EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
        for (GLenum off : {GL_TEXTURE_RECTANGLE, GL_BLEND, GL_CULL_FACE, GL_ALPHA_TEST, GL_SCISSOR_TEST})
            EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
        const std::pair<GLenum, GLint> values[] = {{GL_MATRIX_MODE, GL_MODELVIEW}, {GL_PROJECTION_STACK_DEPTH, 1},
                                                   {GL_MODELVIEW_STACK_DEPTH, 1},  {GL_DEPTH_FUNC, GL_LESS},
                                                   {GL_DEPTH_WRITEMASK, GL_TRUE}};
        for (const auto& [what, value] : values) {
            GLint actual = -1;
            glGetIntegerv(what, &actual);
            EXPECT_EQ(actual, value) << std::hex << what;
        }
        float colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        for (float c : colour) EXPECT_FLOAT_EQ(c, 1.0f);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
};

TEST_F(FrameTest, FirstFrameHasNoTunnel) {
    // Before the first feedback copy the tunnel makes no GL call at all.
    glColor4f(0.3f, 0.2f, 0.1f, 1.0f);
    DrawTunnel();
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.3f);
    // Whatever the buffer held, frame one with an empty list is black.
    FillRect(0, 0, width, height);
    RenderFrame();
    const std::vector<unsigned char> f = Frame();
    int lit = 0;
    for (size_t i = 0; i < f.size(); ++i) lit += i % 4 != 3 && f[i] != 0;  // no alpha plane: alpha reads 255
    EXPECT_EQ(lit, 0);
}

TEST_F(FrameTest, CentreStaysAndMarksMoveOutwardByOneEnlargement) {
    FillRect(319, 239, 321, 241);  // at the exact centre
    FillRect(518, 238, 522, 242);  // 200 px right of it
    FillRect(318, 398, 322, 402);  // 160 px below it
    CaptureFeedback();
    TunnelOnly();
    std::vector<unsigned char> f = Frame();
    const double grow = 640.0 / 620.0;  // outwardSpeed 10 cuts 10 px a side
    Centroid centre = CentroidIn(f, 310, 230, 330, 250), right = CentroidIn(f, 500, 225, 550, 255),
             down = CentroidIn(f, 305, 385, 335, 430);
    EXPECT_NEAR(centre.x, 320.0, 0.05);
    EXPECT_NEAR(centre.y, 240.0, 0.05);
    EXPECT_NEAR(right.x, 320.0 + 200.0 * grow, 0.2);
    EXPECT_NEAR(right.y, 240.0, 0.2);
    EXPECT_NEAR(down.y, 240.0 + 160.0 * grow, 0.2);
    EXPECT_NEAR(right.mass / (16 * 255.0), grow * grow, 0.05);  // stretched, not lost

    // A fluctuating speed triples at the crest of its sine (t = 1571 ms).
    saverSettings.fluctuateTunnelSpeed = 1;
    frameTime = 1571;
    EXPECT_NEAR(TunnelEnlargement(), 30.0f, 1e-3f);
    glClear(GL_COLOR_BUFFER_BIT);
    FillRect(518, 238, 522, 242);
    CaptureFeedback();
    TunnelOnly();
    f = Frame();
    EXPECT_NEAR(CentroidIn(f, 500, 220, 580, 260).x, 320.0 + 200.0 * 640.0 / 580.0, 0.3);
}

TEST_F(FrameTest, PlainTunnelKeepsColoursAndSaturationLiftsMidTones) {
    FillRect(0, 0, width, height, 0.5f);
    CaptureFeedback();
    TunnelOnly();
    EXPECT_NEAR(At(100, 100), 128, 1);
    // The second layer turns s into s (1.04 - 0.04 s); full white stays.
    saverSettings.extraSaturation = 1;
    for (float grey : {0.5f, 1.0f}) {
        FillRect(0, 0, width, height, grey);
        CaptureFeedback();
        TunnelOnly();
        EXPECT_NEAR(At(100, 100), 255 * grey * (1.04 - 0.04 * grey), 1);
    }
}

// One object (about 409..453 by 151..195, up and right of the centre) in
// frame one, none in frame two, with and without the blur.
TEST_F(FrameTest, RadialBlurGlowsOutwardOfTheObjectsOnlyAndNeverFeedsBack) {
    saverSettings.pulseRate = 0.0f;
    std::vector<unsigned char> first[2], second[2];
    for (int blur : {0, 1}) {
        saverRun.screenCopies = ScreenCopies{};
        nextTextureName = 2;
        saverSettings.radialBlur = blur;
        AddSceneNode(PlainNode(2.5f, 1.5f, 0.5f));
        RenderFrame();
        first[blur] = Frame();
        EXPECT_EQ(blurTexture, blur ? 2 : -1);  // never made without the blur
        EXPECT_EQ(feedbackTexture, blur ? 3 : 2);
        RenderFrame();
        second[blur] = Frame();
    }
    auto red = [&](const std::vector<unsigned char>& f, int x, int y) { return f[(y * width + x) * 4]; };
    int outsideLit = 0, differAway = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            outsideLit += (x < 405 || x > 457 || y < 147 || y > 199) && red(first[0], x, y) > 0;
            differAway += (x < 325 || y > 235) && red(first[0], x, y) != red(first[1], x, y);
        }
    EXPECT_EQ(outsideLit, 0);  // no glow without the blur
    EXPECT_EQ(differAway, 0);  // none on the side away from the object
    EXPECT_EQ(red(first[0], 470, 150), 0);
    EXPECT_GT(red(first[1], 470, 150), 20);  // outward on the ray through it
    EXPECT_GT(red(first[1], 431, 173), red(first[0], 431, 173));
    EXPECT_EQ(second[0], second[1]);  // the feedback copy precedes the glow
}

TEST_F(FrameTest, BlurLayersAddThreePointOneTimesTheSource) {
    FillRect(0, 0, width, height, 0.1f);
    CaptureBlurSource();
    std::vector<float> texels(static_cast<size_t>(width) * height * 4);
    glGetTexImage(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, GL_FLOAT, texels.data());
    const double source = texels[(240 * width + 320) * 4];  // 0.1 as the copy stores it
    FillRect(0, 0, width, height, 0.2f);
    DrawRadialBlur();
    // Alphas 0.2 down by 1/150 over 30 layers sum to 3.1.
    EXPECT_NEAR(At(320, 240), 255 * (0.2 + 3.1 * source), 2);
    EXPECT_NEAR(At(5, 5), 255 * (0.2 + 3.1 * source), 2);
    ExpectStateListHolds();
}

TEST_F(FrameTest, ScreenCopiesTakeTheNextNamesAtTheViewportSize) {
    for (int frame = 0; frame < 3; ++frame) RenderFrame();
    EXPECT_EQ(pictureTexture, 1);
    EXPECT_EQ(blurTexture, 2);
    EXPECT_EQ(feedbackTexture, 3);
    EXPECT_EQ(nextTextureName, 4);
    for (int name : {blurTexture, feedbackTexture}) {
        glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(name));
        GLint w = 0, h = 0, filter = 0, wrap = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexParameteriv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, &filter);
        glGetTexParameteriv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T, &wrap);
        EXPECT_TRUE(w == 640 && h == 480 && filter == GL_LINEAR && wrap == GL_CLAMP) << name;
    }
    // A resized window reaches the passes with the next frame: the copies
    // get new storage of the new size under the same names, whether the
    // window grows or shrinks.
    for (const auto& [newWidth, newHeight] : {std::pair{800, 600}, std::pair{200, 100}}) {
        ResizeGLScene(newWidth, newHeight);
        RenderFrame();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        for (int name : {blurTexture, feedbackTexture}) {
            GLint w = 0, h = 0;
            glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(name));
            glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_HEIGHT, &h);
            EXPECT_EQ(w, newWidth) << name;
            EXPECT_EQ(h, newHeight) << name;
        }
        EXPECT_EQ(nextTextureName, 4);
    }
}

TEST_F(FrameTest, StateListHoldsAfterEveryKindOfFrame) {
    float projection[16], after[16];
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{160, 120}}) {  // 160: crossed blur layers
        DestroyGLWindow();
        OpenContext(w, h);
        saverSettings.extraSaturation = 1;
        saverSettings.fluctuateTunnelSpeed = 1;
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        for (int frame = 0; frame < 6; ++frame) {
            saverSettings.radialBlur = frame < 3;
            HoldClockAt(static_cast<uint32_t>(frame) * 40u);
            AnimateScene();
            RenderFrame();
            ExpectStateListHolds();
            EXPECT_EQ(sceneList, nullptr);
        }
        ReleaseClock();
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], projection[i]);
    }
}

// The default figure with a picture: lit and structured, wider than its
// objects alone (the trails), and the same on every identical run.
TEST_F(FrameTest, DefaultFigureLeavesTrailsAndRepeatsExactly) {
    DestroyGLWindow();
    OpenContext(320, 240);
    auto run = [&](int radialBlur, int frames) {
        FreeSceneList();
        saverRun.screenCopies = ScreenCopies{};
        saverRun.animation = AnimationState{};
        saverSettings.radialBlur = radialBlur;
        std::srand(1);
        for (int frame = 60 - frames; frame < 60; ++frame) {
            HoldClockAt(static_cast<uint32_t>(frame) * 16u);
            AnimateScene();
            RenderFrame();
        }
        ReleaseClock();
        return Frame();
    };
    auto lit = [](const std::vector<unsigned char>& f) {
        int n = 0;
        for (size_t i = 0; i < f.size(); i += 4) n += f[i] > 8;
        return n;
    };
    const std::vector<unsigned char> once = run(1, 60);
    EXPECT_EQ(run(1, 60), once);
    int lo = 255, hi = 0;
    for (size_t i = 0; i < once.size(); i += 4) lo = std::min<int>(lo, once[i]), hi = std::max<int>(hi, once[i]);
    EXPECT_GT(hi - lo, 150);
    const int trails = lit(run(0, 60)), objects = lit(run(0, 1));
    EXPECT_GT(objects, 300);
    EXPECT_GT(trails, 2 * objects);
}

// Glyphs for the overlay tests, as the window system would make them: every
// character a solid 6 x 10 block on the baseline, 8 pixels apart.
OverlayFont BlockFont() {
    static const unsigned char block[10] = {0xfc, 0xfc, 0xfc, 0xfc, 0xfc, 0xfc, 0xfc, 0xfc, 0xfc, 0xfc};
    OverlayFont font;
    font.listBase = glGenLists(kOverlayFontGlyphs);
    font.ascent = 10;
    font.descent = 2;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int c = 0; c < kOverlayFontGlyphs; ++c) {
        glNewList(font.listBase + static_cast<GLuint>(c), GL_COMPILE);
        glBitmap(6, 10, 0, 0, 8, 0, block);
        glEndList();
    }
    return font;
}

// The figures go bottom left, white over a black shadow, restore the state
// every pass expects, and are gone from the next frame: they are drawn after
// the feedback copy.
TEST_F(FrameTest, OverlayTextSitsBottomLeftAndNeverEntersTheTunnel) {
    const OverlayFont font = BlockFont();
    FillRect(0, 0, width, height, 0.5f);  // grey shows the shadow
    const char* const lines[] = {"FPS: 9", "Load: 1%"};
    glColor4f(baseBrightness, baseBrightness, baseBrightness, 1.0f);
    DrawOverlayText(font, lines, 2);
    ExpectStateListHolds();
    GLint listBase = -1;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 0);

    // Bottom line: 8 glyphs from x = 10, its 10 rows standing on y = 467
    // (12 px above the bottom edge: margin 10 and descent 2); the line above
    // 12 px higher. Shadows one pixel right and down.
    const std::vector<unsigned char> f = Frame();
    auto grey = [&](int x, int y) { return f[(static_cast<size_t>(y) * width + x) * 4]; };
    EXPECT_EQ(grey(10, 467), 255);
    EXPECT_EQ(grey(10, 458), 255);
    EXPECT_EQ(grey(15 + 7 * 8, 467), 255);  // the eighth glyph
    EXPECT_EQ(grey(16, 468), 0);             // shadow below the first glyph's right edge
    EXPECT_EQ(grey(10, 455), 255);           // the upper line's lowest row
    EXPECT_EQ(grey(10 + 6 * 8, 455), 128);   // "FPS: 9" is two glyphs shorter
    EXPECT_EQ(grey(9, 467), 128);
    EXPECT_EQ(grey(10, 469), 128);
    EXPECT_EQ(grey(320, 240), 128);

    // With the overlay over the first frame, the second is as black as
    // without it: the feedback copy was taken before the text.
    for (int withText : {1, 0}) {
        saverRun.screenCopies = ScreenCopies{};
        nextTextureName = 2;
        RenderFrame();
        if (withText) DrawOverlayText(font, lines, 2);
        EXPECT_EQ(At(10, 467), withText ? 255 : 0);
        RenderFrame();
        const std::vector<unsigned char> next = Frame();
        int lit = 0;
        for (size_t i = 0; i < next.size(); ++i) lit += i % 4 != 3 && next[i] != 0;
        EXPECT_EQ(lit, 0) << "text in the frame after, withText " << withText;
    }
    glDeleteLists(font.listBase, kOverlayFontGlyphs);
}

}  // namespace
