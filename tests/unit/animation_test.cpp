// The pulse objects' arithmetic: counts at and beyond the edges, positions
// on the curve and the circles, orientations for each setting, the spin's
// random walk and the 32-bit tick wrap.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/clock.h"
#include "common/gl.h"
#include "host/settings.h"
#include "scene/animation.h"
#include "scene/scene_list.h"
#include "video/texture_upload.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreeSceneList();
        ResetAnimationState();
        std::memset(&saverSettings, 0, sizeof saverSettings);
        ApplyDefaultSettings();
        pictureTexture = 1;
        std::srand(1);
    }
    void TearDown() override {
        FreeSceneList();
        ReleaseClock();
        pictureTexture = 0;
    }

    // One frame at time t; returns the nodes it added and empties the list.
    std::vector<SceneNode> Frame(uint32_t t) {
        HoldClockAt(t);
        AnimateScene();
        std::vector<SceneNode> nodes;
        for (const SceneNode* node = sceneList; node; node = node->next) nodes.push_back(*node);
        FreeSceneList();
        return nodes;
    }
};

TEST_F(AnimationTest, CountsOutsideTheRangeAreHeldToIt) {
    EXPECT_EQ(PulseObjectsFor(INT32_MIN), 0);
    EXPECT_EQ(PulseObjectsFor(-1), 0);
    EXPECT_EQ(PulseObjectsFor(0), 0);
    EXPECT_EQ(PulseObjectsFor(1), 1);
    EXPECT_EQ(PulseObjectsFor(1000), 1000);
    EXPECT_EQ(PulseObjectsFor(1001), 1000);
    EXPECT_EQ(PulseObjectsFor(INT32_MAX), 1000);

    for (int count : {0, -7}) {
        saverSettings.pulseObjectCount = count;
        EXPECT_TRUE(Frame(1234u + static_cast<uint32_t>(-count)).empty());
        EXPECT_EQ(frameTime, 1234u + static_cast<uint32_t>(-count));  // still sampled
    }
    saverSettings.pulseObjectCount = 1000;
    EXPECT_EQ(Frame(5).size(), 1000u);

    // 1001 draws exactly what 1000 draws, with the same random numbers.
    ResetAnimationState();
    std::srand(3);
    const std::vector<SceneNode> thousand = Frame(77);
    const int after1000 = std::rand();
    ResetAnimationState();
    std::srand(3);
    saverSettings.pulseObjectCount = 1001;
    const std::vector<SceneNode> clamped = Frame(77);
    ASSERT_EQ(clamped.size(), 1000u);
    EXPECT_EQ(std::rand(), after1000);
    EXPECT_FLOAT_EQ(clamped.back().x, thousand.back().x);
    EXPECT_FLOAT_EQ(clamped.back().rotZ, thousand.back().rotZ);
}

TEST_F(AnimationTest, SingleObjectStaysPutButStillBreathes) {
    saverSettings.pulseObjectCount = 1;
    saverSettings.pulseObjectSize = 0.5f;
    const std::vector<SceneNode> early = Frame(0);
    const std::vector<SceneNode> late = Frame(15708);  // sin(1.5708) = 1
    ASSERT_EQ(early.size(), 1u);
    ASSERT_EQ(late.size(), 1u);
    for (const SceneNode& node : {early[0], late[0]}) {
        EXPECT_FLOAT_EQ(node.x, 0.35714287f * 0.5f);
        EXPECT_FLOAT_EQ(node.y, 0.25f);
        EXPECT_FLOAT_EQ(node.z, -13.0f);
    }
    EXPECT_FLOAT_EQ(early[0].halfHeight, 0.5f);
    EXPECT_NEAR(late[0].halfHeight, 0.6f, 1e-6);  // +20 %
    EXPECT_NEAR(late[0].halfWidth, 0.5f, 1e-4);   // twice as fast: sin(pi) = 0
    EXPECT_NEAR(late[0].rotX, 180.0f, 1e-4);
}

TEST_F(AnimationTest, FirstFiftyOneShareTheCurveLaterOnesCircle) {
    saverSettings.pulseObjectSize = 1.0f;
    const double m = 0.6;
    const uint32_t t = 123456u;
    for (int count : {51, 52, 60}) {
        saverSettings.pulseObjectCount = count;
        const std::vector<SceneNode> nodes = Frame(t);
        ASSERT_EQ(nodes.size(), static_cast<size_t>(count));
        for (int i = 0; i <= 50; ++i) {
            const double phase = t + 4000.0 * i;
            EXPECT_NEAR(nodes[i].x, m * std::sin(0.004 * phase), 1e-5) << i;
            EXPECT_NEAR(nodes[i].y, m * std::sin(0.005 * phase), 1e-5) << i;
        }
        for (int i = 51; i < count; ++i) {
            const double r = 0.1 * (i - 30);
            EXPECT_NEAR(std::hypot(nodes[i].x, nodes[i].y), m * r, 1e-5) << i;
            EXPECT_NEAR(std::atan2(nodes[i].x, nodes[i].y),
                        std::remainder(0.001 * (t + 4000.0 * i), kTwoPi), 1e-4)
                << i;
        }
    }
}

TEST_F(AnimationTest, OrientationFollowsSquiggleAndRotate) {
    saverSettings.pulseObjectCount = 5;
    saverSettings.pulseObjectSize = 0.75f;

    saverSettings.pulseSquiggle = 0;
    saverSettings.pulseRotate = 0;
    for (const SceneNode& node : Frame(98765)) {
        EXPECT_EQ(node.rotX, 0.0f);
        EXPECT_EQ(node.rotY, 0.0f);
        EXPECT_EQ(node.rotZ, 180.0f);
        EXPECT_EQ(node.halfWidth, 0.75f);
        EXPECT_EQ(node.halfHeight, 0.75f);
        EXPECT_EQ(node.z, -13.0f);
    }

    saverSettings.pulseRotate = 1;  // the sway, each at its own phase
    std::vector<SceneNode> sway = Frame(1571);
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(sway[i].rotZ, 90.0 * std::sin(0.001 * (1571 + 4000.0 * i)), 1e-4);

    saverSettings.pulseSquiggle = 1;
    saverSettings.pulseRotate = 0;
    const float spinBefore = spinAngle[0];
    std::vector<SceneNode> fanned = Frame(31416);  // sin(3.1416) = 0
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(fanned[i].rotZ, 180.0f);
        EXPECT_FLOAT_EQ(fanned[i].rotY, 120.0f + 20.0f * i);
        EXPECT_NEAR(fanned[i].rotX, 90.0f, 1e-3);
    }
    // The spin goes on unseen: a few frames move it (a zero step is 1 in 10).
    for (int frame = 0; frame < 5; ++frame) Frame(31416);
    EXPECT_NE(spinAngle[0], spinBefore);

    saverSettings.pulseRotate = 1;
    std::vector<SceneNode> spun = Frame(31416);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(spun[i].rotZ, spinAngle[i]);
}

TEST_F(AnimationTest, SpinIsARandomWalkOfOneNumberPerObject) {
    saverSettings.pulseObjectCount = 20;
    std::srand(42);
    std::vector<int> draws;
    for (int i = 0; i < 20 * 50 + 1; ++i) draws.push_back(std::rand());

    std::srand(42);
    for (int frame = 0; frame < 50; ++frame) Frame(static_cast<uint32_t>(frame) * 16u);
    EXPECT_EQ(std::rand(), draws[20 * 50]);  // exactly one draw per object and frame
    for (int i = 0; i < 20; ++i) {
        double expected = 0;
        for (int frame = 0; frame < 50; ++frame) expected += (draws[frame * 20 + i] % 10 - 2) * 0.2;
        EXPECT_NEAR(spinAngle[i], expected, 1e-3) << i;
        // Steps of 0.2 between -0.4 and 1.4 degrees.
        const double steps = spinAngle[i] / 0.2;
        EXPECT_NEAR(steps, std::round(steps), 1e-3);
        EXPECT_GE(spinAngle[i], -0.4 * 50 - 1e-3);
        EXPECT_LE(spinAngle[i], 1.4 * 50 + 1e-3);
    }
    EXPECT_EQ(spinAngle[20], 0.0f);  // objects not drawn keep their angle
}

TEST_F(AnimationTest, PhaseWrapsWithTheTickCount) {
    saverSettings.pulseObjectCount = 60;
    saverSettings.pulseSquiggle = 0;
    saverSettings.pulseRotate = 1;
    // Object 1 just before the wrap runs 4000 ms ahead: (2^32 - 296 + 4000)
    // mod 2^32 = 3704, the phase of object 0 at 3704.
    const uint32_t beforeWrap = 4294967000u;
    const std::vector<SceneNode> late = Frame(beforeWrap);
    const std::vector<SceneNode> early = Frame(3704u);
    EXPECT_FLOAT_EQ(late[1].x, early[0].x);
    EXPECT_FLOAT_EQ(late[1].y, early[0].y);
    EXPECT_FLOAT_EQ(late[1].rotZ, early[0].rotZ);
    EXPECT_NEAR(late[1].x, 0.3 * std::sin(0.004 * 3704.0), 1e-6);
    // The same on the circles: object 55 before the wrap, 54 after it.
    EXPECT_NEAR(std::atan2(late[55].x, late[55].y),
                std::remainder(0.001 * std::fmod(beforeWrap + 4000.0 * 55, 4294967296.0), kTwoPi), 1e-4);
    // And the time itself is the unwrapped tick count, not a float of it.
    EXPECT_EQ(frameTime, 3704u);
    Frame(0xFFFFFFFFu);
    EXPECT_EQ(frameTime, 0xFFFFFFFFu);
}

TEST_F(AnimationTest, EveryObjectShowsThePictureBlendedBothSides) {
    saverSettings.pulseObjectCount = 3;
    pictureTexture = 5;
    for (const SceneNode& node : Frame(10)) {
        EXPECT_EQ(node.blendSrc, GL_ONE_MINUS_SRC_COLOR);
        EXPECT_EQ(node.blendDst, GL_ONE_MINUS_DST_COLOR);
        EXPECT_EQ(node.alphaFunc, GL_GREATER);
        EXPECT_EQ(node.noDepthWrite, 0);
        EXPECT_EQ(node.frontTexture, 5);
        EXPECT_EQ(node.backTexture, -1);
    }
}

}  // namespace
