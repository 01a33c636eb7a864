// The render passes' savings keep every pixel: the same frames drawn the
// plain way and with the savings are compared byte for byte, frame after
// frame, over settings that reach the edge cases: crossed blur layers below
// 600 pixels wide, a tunnel speed of 0 and of 90 with fluctuation and
// saturation, a figure larger than the screen, quads that reach past the
// near plane, 1600x1200 and the preview's 160x120.
#include <cstdint>
#include <cstdlib>

#include "common/clock.h"
#include "render_fixture.h"

namespace {

struct Case {
    const char* name;
    int width, height, frames;
    int objects = 50;
    int blur = 1;
    float speed = 10.0f;
    int fluctuateAndSaturate = 0;
    int squiggle = 1;
    float objectSize = 0.5f;
    // What the case is there for, checked so that it cannot pass unseen:
    // a figure bounded in some frame (the blur drew less than everything),
    // a corner nearer than the near plane in some frame.
    bool expectBounded = true;
    bool expectNearPlane = false;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// What one run drew: a digest per frame, the last frame whole, and what
// the savings reported.
struct Frames {
    std::vector<uint64_t> digests;
    std::vector<unsigned char> last;
    int boundedFrames = 0, nearPlaneFrames = 0;
};

uint64_t Digest(const std::vector<unsigned char>& bytes) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

class SamePixelsTest : public RenderTest, public ::testing::WithParamInterface<Case> {
protected:
    Frames Draw(bool savings) {
        const Case& c = GetParam();
        DestroyGLWindow();
        OpenContext(c.width, c.height);
        saverSettings.pulseObjectCount = c.objects;
        saverSettings.radialBlur = c.blur;
        saverSettings.outwardSpeed = c.speed;
        saverSettings.fluctuateTunnelSpeed = c.fluctuateAndSaturate;
        saverSettings.extraSaturation = c.fluctuateAndSaturate;
        saverSettings.pulseSquiggle = c.squiggle;
        saverSettings.pulseObjectSize = c.objectSize;
        // A picture with texels of every brightness, so that the figure's
        // edges and the blur's fading layers take many values.
        std::vector<unsigned char> texels(64 * 64 * 4);
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<unsigned char>((i * 37) ^ (i >> 7));
        MakeTexture(1, 64, 64, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

        frameSavings = savings;
        std::srand(7);
        Frames run;
        for (int frame = 0; frame < c.frames; ++frame) {
            HoldClockAt(123456u + 16u * static_cast<uint32_t>(frame));
            AnimateScene();
            RenderFrame();
            run.last = Frame();
            run.digests.push_back(Digest(run.last));
            run.boundedFrames += c.blur && frameSavingsReport.blurPixels < 30LL * c.width * c.height;
            // Without the savings the report always names the whole screen.
            run.nearPlaneFrames += savings && c.blur && frameSavingsReport.figure.unbounded;
        }
        ReleaseClock();
        frameSavings = true;
        return run;
    }
};

TEST_P(SamePixelsTest, SavingsDrawTheSameFramesAsThePlainWay) {
    const Case& c = GetParam();
    const Frames plain = Draw(false);
    const Frames saving = Draw(true);
    ASSERT_EQ(plain.digests.size(), saving.digests.size());
    for (size_t frame = 0; frame < plain.digests.size(); ++frame) {
        if (plain.digests[frame] != saving.digests[frame]) {
            ADD_FAILURE() << c.name << ": frame " << frame << " of " << c.frames << " differs";
            break;
        }
    }
    size_t differing = 0;
    for (size_t i = 0; i < plain.last.size(); ++i) differing += plain.last[i] != saving.last[i];
    EXPECT_EQ(differing, 0u) << c.name << ": bytes of the last frame";
    if (c.expectBounded) {
        EXPECT_GT(saving.boundedFrames, 0) << c.name << ": the blur never drew less";
    }
    if (c.expectNearPlane) {
        EXPECT_GT(saving.nearPlaneFrames, 0) << c.name << ": no corner reached the near plane";
    }
}

Case Sized(const char* name, int w, int h, int frames) { return Case{name, w, h, frames}; }

Case WithObjects(Case c, int objects, bool bounded) {
    c.objects = objects;
    c.expectBounded = bounded;
    return c;
}

// One object, up and right of the centre: a footprint put in the wrong place
// would cut its glow.
Case OffCentre() {
    Case c{"OffCentre", 640, 480, 16};
    c.objects = 1;
    c.objectSize = 2.0f;
    return c;
}

Case Tunnel(const char* name, int w, int h, float speed) {
    Case c{name, w, h, 24};
    c.speed = speed;
    c.fluctuateAndSaturate = 1;
    return c;
}

Case Large(const char* name, int squiggle, int w, int h) {
    Case c{name, w, h, 20};
    c.squiggle = squiggle;
    c.objectSize = 10.0f;
    c.expectBounded = false;  // quads of 20 units fill the screen
    c.expectNearPlane = squiggle != 0;
    return c;
}

Case BlurOff() {
    Case c{"BlurOff", 640, 480, 30};
    c.blur = 0;
    c.expectBounded = false;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SamePixelsTest,
    ::testing::Values(Sized("Defaults", 640, 480, 30), WithObjects(Sized("Objects1000", 640, 480, 12), 1000, false),
                      BlurOff(), OffCentre(), Sized("Crossed320", 320, 240, 60), Sized("Crossed512", 512, 384, 40),
                      Tunnel("Speed0", 640, 480, 0.0f), Tunnel("Speed90", 640, 480, 90.0f),
                      Tunnel("Speed0Crossed", 320, 240, 0.0f), Sized("Large1600", 1600, 1200, 6),
                      Large("SquiggleOffSize10", 0, 640, 480), Large("SquiggleOnSize10", 1, 512, 384),
                      Sized("Preview160", 160, 120, 60)),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
