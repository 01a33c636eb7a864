// The figure's footprint against the rasteriser: it holds every pixel the GL
// draws for the scene list and stays close around quads that face the
// camera; a quad reaching past the near plane, or a value that is not a
// number, makes it the whole screen.
#include <cmath>
#include <limits>
#include <random>

#include "render/screen_reach.h"
#include "render_fixture.h"

namespace {

class FootprintTest : public RenderTest {
protected:
    Footprint Of(const SceneNode* list) const {
        double projection[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        return SceneListFootprint(list, projection, width, height);
    }
    // The box of the lit pixels, rows counted from the bottom as the
    // footprint counts them; empty when nothing is lit.
    PixelBox Lit() const {
        const std::vector<unsigned char> f = Frame();  // rows from the top
        PixelBox lit{width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = &f[(static_cast<size_t>(y) * width + x) * 4];
                if (!(p[0] | p[1] | p[2])) continue;
                const int row = height - 1 - y;
                lit = PixelBox{std::min(lit.x0, x), std::min(lit.y0, row), std::max(lit.x1, x), std::max(lit.y1, row)};
            }
        return lit;
    }
    // Draws node alone on black and returns its footprint, taken as the
    // frame takes it: before the drawing walk releases the list.
    Footprint DrawAlone(const SceneNode& node) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        AddSceneNode(node);
        const Footprint footprint = Of(sceneList);
        DrawSceneList(1);
        return footprint;
    }
};

TEST_F(FootprintTest, HoldsEveryLitPixelAndFitsQuadsFacingTheCamera) {
    std::mt19937 random(11);
    auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    int bounded = 0, unbounded = 0, fitted = 0;
    for (int i = 0; i < 300; ++i) {
        const bool facing = i % 3 == 0;
        SceneNode node = PlainNode(uniform(-7, 7), uniform(-5, 5), 1.0f);
        node.z = uniform(-40, -1);
        node.halfWidth = uniform(0.05f, 4.0f);
        node.halfHeight = uniform(0.05f, 4.0f);
        node.rotX = facing ? 0.0f : uniform(-720, 720);
        node.rotY = facing ? 0.0f : uniform(-720, 720);
        node.rotZ = uniform(-100000, 100000);  // spin angles grow large
        const Footprint footprint = DrawAlone(node);
        const PixelBox lit = Lit();
        (footprint.unbounded ? unbounded : bounded) += 1;
        if (footprint.unbounded) {
            EXPECT_EQ(footprint.box, WholeScreen(width, height));
        }
        if (lit.Empty()) continue;
        EXPECT_TRUE(footprint.box.x0 <= lit.x0 && footprint.box.y0 <= lit.y0 && footprint.box.x1 >= lit.x1 &&
                    footprint.box.y1 >= lit.y1)
            << "node " << i;
        // A quad wholly on the screen: its picture reaches its corners.
        const PixelBox& box = footprint.box;
        const bool onScreen = box.x0 > 0 && box.y0 > 0 && box.x1 < width - 1 && box.y1 < height - 1;
        if (facing && !footprint.unbounded && onScreen) {
            ++fitted;
            EXPECT_TRUE(box.x0 >= lit.x0 - 4 && box.y0 >= lit.y0 - 4 && box.x1 <= lit.x1 + 4 && box.y1 <= lit.y1 + 4)
                << "node " << i;
        }
    }
    EXPECT_GT(bounded, 100);
    EXPECT_GT(unbounded, 5);  // quads near the eye reach past the near plane
    EXPECT_GT(fitted, 20);
}

TEST_F(FootprintTest, NothingLitIsEmptyAndBrokenValuesAreTheWholeScreen) {
    EXPECT_TRUE(Of(nullptr).box.Empty());
    EXPECT_FALSE(Of(nullptr).unbounded);
    // Wholly off the screen, in front of the eye: nothing to bound.
    EXPECT_TRUE(DrawAlone(PlainNode(40.0f, 0.0f, 1.0f)).box.Empty());
    EXPECT_TRUE(Lit().Empty());

    // One quad's corner behind the eye makes the whole list unbounded.
    SceneNode behind = PlainNode(0.0f, 0.0f, 1.0f);
    behind.z = -1.0f;
    behind.rotY = 90.0f;
    behind.halfWidth = 5.0f;
    AddSceneNode(PlainNode(1.0f, 1.0f, 0.5f));
    AddSceneNode(behind);
    Footprint footprint = Of(sceneList);
    FreeSceneList();
    EXPECT_TRUE(footprint.unbounded);
    EXPECT_EQ(footprint.box, WholeScreen(width, height));

    for (float broken : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e38f}) {
        SceneNode node = PlainNode(0.0f, 0.0f, 1.0f);
        node.halfHeight = broken;
        AddSceneNode(node);
        footprint = Of(sceneList);
        FreeSceneList();
        EXPECT_TRUE(footprint.unbounded) << broken;
    }
}

}  // namespace
