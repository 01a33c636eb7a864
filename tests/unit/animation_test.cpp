// The pulse objects' arithmetic: counts at and beyond the edges, positions
// on the curve and the circles, orientations for each setting, the spin's
// random walk and the 32-bit tick wrap.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/clock.h"
#include "common/gl.h"
#include "app/run_record.h"
#include "settings/settings.h"
#include "scene/animation.h"
#include "scene/scene_list.h"
#include "video/texture_upload.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Angle of a circling object: atan2(x, y), reduced like the phase.
double CircleAngle(const SceneNode& node) { return std::atan2(node.x, node.y); }
double Reduced(double radians) { return std::remainder(radians, kTwoPi); }

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRun();
        ApplyDefaultSettings();
        std::srand(1);
    }
    void TearDown() override { ReleaseClock(); }

    // One frame at time t: the nodes it added; the list is emptied again.
    static std::vector<SceneNode> Frame(uint32_t t) {
        HoldClockAt(t);
        AnimateScene();
        std::vector<SceneNode> nodes;
        for (const SceneNode* node = sceneList; node; node = node->next) nodes.push_back(*node);
        FreeSceneList();
        return nodes;
    }
};

TEST_F(AnimationTest, CountsOutsideTheRangeAreHeldToIt) {
    const int32_t counts[][2] = {{INT32_MIN, 0}, {-1, 0}, {0, 0}, {1, 1}, {1000, 1000}, {1001, 1000}, {INT32_MAX, 1000}};
    for (const auto& c : counts) {
        saverSettings.pulseObjectCount = c[0];
        EXPECT_EQ(PulseObjectsFor(c[0]), c[1]);
        EXPECT_EQ(Frame(1234).size(), static_cast<size_t>(c[1])) << c[0];
        EXPECT_EQ(frameTime, 1234u);  // sampled even with nothing to draw
    }
    // 1001 draws exactly what 1000 draws, with as many random numbers.
    std::vector<SceneNode> nodes[2];
    int nextRand[2];
    for (int k = 0; k < 2; ++k) {
        saverRun.animation = AnimationState{};
        std::srand(3);
        saverSettings.pulseObjectCount = 1000 + k;
        nodes[k] = Frame(77);
        nextRand[k] = std::rand();
    }
    EXPECT_EQ(nextRand[0], nextRand[1]);
    EXPECT_EQ(nodes[0].back().rotZ, nodes[1].back().rotZ);
}

TEST_F(AnimationTest, SingleObjectStaysPutButStillBreathes) {
    saverSettings.pulseObjectCount = 1;
    const SceneNode early = Frame(0).at(0), late = Frame(15708).at(0);  // sin(1.5708) = 1
    for (const SceneNode& node : {early, late}) {
        EXPECT_FLOAT_EQ(node.x, 0.35714287f * 0.5f);
        EXPECT_FLOAT_EQ(node.y, 0.25f);
        EXPECT_FLOAT_EQ(node.z, -13.0f);
    }
    EXPECT_FLOAT_EQ(early.halfHeight, 0.5f);
    EXPECT_NEAR(late.halfHeight, 0.6f, 1e-6);  // +20 %
    EXPECT_NEAR(late.halfWidth, 0.5f, 1e-4);   // twice as fast: sin(pi) = 0
    EXPECT_NEAR(late.rotX, 180.0f, 1e-4);
}

TEST_F(AnimationTest, FirstFiftyOneShareTheCurveLaterOnesCircle) {
    saverSettings.pulseObjectSize = 1.0f;  // m = 0.6
    const uint32_t t = 123456u;
    for (int count : {51, 52, 60}) {
        saverSettings.pulseObjectCount = count;
        const std::vector<SceneNode> nodes = Frame(t);
        for (int i = 0; i < count; ++i) {
            const double phase = t + 4000.0 * i;
            if (i <= 50) {
                EXPECT_NEAR(nodes[i].x, 0.6 * std::sin(0.004 * phase), 1e-5) << i;
                EXPECT_NEAR(nodes[i].y, 0.6 * std::sin(0.005 * phase), 1e-5) << i;
            } else {
                EXPECT_NEAR(std::hypot(nodes[i].x, nodes[i].y), 0.6 * 0.1 * (i - 30), 1e-5) << i;
                EXPECT_NEAR(CircleAngle(nodes[i]), Reduced(0.001 * phase), 1e-4) << i;
            }
        }
    }
}

TEST_F(AnimationTest, OrientationFollowsSquiggleAndRotate) {
    saverSettings.pulseObjectCount = 5;
    saverSettings.pulseObjectSize = 0.75f;
    saverSettings.pulseSquiggle = 0;
    saverSettings.pulseRotate = 0;
    for (const SceneNode& node : Frame(98765)) {
        EXPECT_TRUE(node.rotX == 0 && node.rotY == 0 && node.rotZ == 180);
        EXPECT_TRUE(node.halfWidth == 0.75f && node.halfHeight == 0.75f);
    }
    saverSettings.pulseRotate = 1;  // a sway, each object at its own phase
    const std::vector<SceneNode> sway = Frame(1571);
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(sway[i].rotZ, 90.0 * std::sin(0.001 * (1571 + 4000.0 * i)), 1e-4);

    saverSettings.pulseSquiggle = 1;
    saverSettings.pulseRotate = 0;
    const float spinBefore = spinAngle[0];
    for (int frame = 0; frame < 5; ++frame) {
        const std::vector<SceneNode> fanned = Frame(31416);  // sin(3.1416) = 0
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(fanned[i].rotZ, 180.0f);
            EXPECT_FLOAT_EQ(fanned[i].rotY, 120.0f + 20.0f * i);
            EXPECT_NEAR(fanned[i].rotX, 90.0f, 1e-3);
        }
    }
    EXPECT_NE(spinAngle[0], spinBefore);  // the spin went on unseen
    saverSettings.pulseRotate = 1;
    const std::vector<SceneNode> spun = Frame(31416);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(spun[i].rotZ, spinAngle[i]);
}

TEST_F(AnimationTest, SpinIsARandomWalkOfOneNumberPerObject) {
    saverSettings.pulseObjectCount = 20;
    std::srand(42);
    std::vector<int> draws(20 * 50 + 1);
    for (int& d : draws) d = std::rand();
    std::srand(42);
    for (int frame = 0; frame < 50; ++frame) Frame(static_cast<uint32_t>(frame) * 16u);
    EXPECT_EQ(std::rand(), draws.back());  // one draw per object and frame
    for (int i = 0; i < 20; ++i) {
        double expected = 0;  // steps of 0.2 from -0.4 to 1.4 degrees
        for (int frame = 0; frame < 50; ++frame) expected += (draws[frame * 20 + i] % 10 - 2) * 0.2;
        EXPECT_NEAR(spinAngle[i], expected, 1e-3) << i;
    }
    EXPECT_EQ(spinAngle[20], 0.0f);  // objects not drawn keep their angle
}

TEST_F(AnimationTest, SpinGoesOnAfterDaysOfRunning) {
    // 2^25 degrees is about 67 million frames in: a float there has steps of
    // 4 degrees, and a plain walk of at most 1.4 a frame stands still.
    saverSettings.pulseObjectCount = 2;
    spinAngle[0] = 33554432.0f;
    spinAngle[1] = -33554432.0f;
    Frame(0);
    for (int i = 0; i < 2; ++i) EXPECT_LT(std::fabs(spinAngle[i]), 360.0f) << i;
    EXPECT_GT(spinAngle[0], 0.0f);  // the sign is kept
    EXPECT_LT(spinAngle[1], 0.0f);

    // From there every step counts again, through the next full turn.
    const float start = spinAngle[0];
    std::srand(9);
    std::vector<int> draws(2 * 300);
    for (int& d : draws) d = std::rand();
    std::srand(9);
    double walked = 0;
    std::vector<float> seen;
    for (int frame = 0; frame < 300; ++frame) {
        const std::vector<SceneNode> nodes = Frame(static_cast<uint32_t>(frame) * 16u);
        walked += (draws[frame * 2] % 10 - 2) * 0.2;
        seen.push_back(nodes[0].rotZ);
        EXPECT_LT(std::fabs(spinAngle[0]), 360.0f);
        EXPECT_NEAR(std::remainder(spinAngle[0] - (start + walked), 360.0), 0.0, 1e-2) << frame;
    }
    EXPECT_GT(start + walked, 360.0);  // the walk did pass a full turn
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 100);
}

TEST_F(AnimationTest, PhaseWrapsWithTheTickCount) {
    saverSettings.pulseObjectCount = 60;
    saverSettings.pulseSquiggle = 0;
    // Object 1 at 2^32 - 296 runs 4000 ms ahead: its phase wraps to 3704,
    // the phase of object 0 at 3704.
    const uint32_t beforeWrap = 4294967000u;
    const std::vector<SceneNode> late = Frame(beforeWrap), early = Frame(3704u);
    EXPECT_EQ(late[1].x, early[0].x);
    EXPECT_EQ(late[1].y, early[0].y);
    EXPECT_EQ(late[1].rotZ, early[0].rotZ);
    EXPECT_NEAR(late[1].x, 0.3 * std::sin(0.004 * 3704.0), 1e-6);
    EXPECT_NEAR(CircleAngle(late[55]), Reduced(0.001 * std::fmod(beforeWrap + 4000.0 * 55, 4294967296.0)), 1e-4);
    Frame(0xFFFFFFFFu);
    EXPECT_EQ(frameTime, 0xFFFFFFFFu);
}

TEST_F(AnimationTest, EveryObjectShowsThePictureBlendedBothSides) {
    saverSettings.pulseObjectCount = 3;
    const int32_t picture = pictureTexture;
    pictureTexture = 5;
    for (const SceneNode& node : Frame(10)) {
        EXPECT_TRUE(node.blendSrc == GL_ONE_MINUS_SRC_COLOR && node.blendDst == GL_ONE_MINUS_DST_COLOR);
        EXPECT_TRUE(node.alphaFunc == GL_GREATER && node.noDepthWrite == 0);
        EXPECT_TRUE(node.frontTexture == 5 && node.backTexture == -1);
    }
    pictureTexture = picture;
}

}  // namespace
