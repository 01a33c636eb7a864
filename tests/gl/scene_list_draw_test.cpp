// Drawing of the scene list: order, faces, texture orientation, blending,
// alpha test, the brightness pulse and the state a node leaves behind.
#include "render_fixture.h"

#include <cmath>

namespace {

class SceneDrawTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        saverSettings.pulseRate = 0.0f;  // f = 0.4 at every frame time
        MakeSolidTexture(10, 255, 0, 0, 255);
        MakeSolidTexture(11, 0, 255, 0, 255);
        MakeSolidTexture(12, 0, 0, 255, 255);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    Rgba Centre() const { return Pixel(width / 2, height / 2); }
};

constexpr int kDim = 102;  // 0.4 of full intensity

TEST_F(SceneDrawTest, LastAddedIsDrawnFirstAndWinsTheDepthTest) {
    for (int texture : {10, 11, 12}) {
        SceneNode node = PlainNode(0, 0, 1);
        node.frontTexture = texture;
        AddSceneNode(node);
    }
    DrawSceneList(1);
    EXPECT_EQ(sceneList, nullptr);
    Rgba c = Centre();
    EXPECT_EQ(c.r, 0);
    EXPECT_EQ(c.g, 0);
    EXPECT_NEAR(c.b, kDim, 1);

    // Without depth writes the later drawings cover the earlier ones: the
    // first-added node, drawn last, shows.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int texture : {10, 11, 12}) {
        SceneNode node = PlainNode(0, 0, 1);
        node.frontTexture = texture;
        node.noDepthWrite = 1;
        AddSceneNode(node);
    }
    DrawSceneList(1);
    c = Centre();
    EXPECT_NEAR(c.r, kDim, 1);
    EXPECT_EQ(c.b, 0);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
}

TEST_F(SceneDrawTest, UnrotatedNodeShowsItsBackFace) {
    SceneNode node = PlainNode(0, 0, 1);
    node.frontTexture = 10;
    node.backTexture = 11;
    AddSceneNode(node);
    DrawSceneList(1);
    EXPECT_EQ(Centre().r, 0);
    EXPECT_NEAR(Centre().g, kDim, 1);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    node.rotY = 180.0f;
    AddSceneNode(node);
    DrawSceneList(1);
    EXPECT_NEAR(Centre().r, kDim, 1);
    EXPECT_EQ(Centre().g, 0);
}

TEST_F(SceneDrawTest, EachViewIsDrawnByExactlyOnePass) {
    // Additive blending with blendDst -1 (GL_ONE for both): a second pass
    // over the same pixels would double the value.
    for (float rotY : {0.0f, 180.0f, 30.0f}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SceneNode node = PlainNode(0, 0, 1);
        node.rotY = rotY;
        node.blendSrc = GL_ONE;
        node.blendDst = -1;
        AddSceneNode(node);
        DrawSceneList(1);
        Rgba c = Centre();
        EXPECT_NEAR(c.r, kDim, 1) << "rotY " << rotY;
        EXPECT_NEAR(c.g, kDim, 1) << "rotY " << rotY;
    }
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(SceneDrawTest, TextureRunsRightToLeftAndTopToBottom) {
    // Texel (0,0) red, (1,0) green, (0,1) blue, (1,1) white.
    MakeTexture(20, 2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    SceneNode node = PlainNode(0, 0, 2);
    node.frontTexture = 20;
    AddSceneNode(node);
    DrawSceneList(1);
    const int off = 40;  // well inside the quad, which is about 178 px wide
    const int cx = width / 2, cy = height / 2;
    Rgba topRight = Pixel(cx + off, cy - off);
    Rgba topLeft = Pixel(cx - off, cy - off);
    Rgba bottomRight = Pixel(cx + off, cy + off);
    Rgba bottomLeft = Pixel(cx - off, cy + off);
    EXPECT_TRUE(topRight.r > 90 && topRight.g == 0 && topRight.b == 0);
    EXPECT_TRUE(topLeft.r == 0 && topLeft.g > 90 && topLeft.b == 0);
    EXPECT_TRUE(bottomRight.r == 0 && bottomRight.g == 0 && bottomRight.b > 90);
    EXPECT_TRUE(bottomLeft.r > 90 && bottomLeft.g > 90 && bottomLeft.b > 90);
}

TEST_F(SceneDrawTest, AlphaTestDropsTransparentTexels) {
    // Left column of texels (s = 0) transparent: on screen that is the right
    // half of the unrotated quad.
    MakeTexture(21, 2, 1, {255, 255, 255, 0, 255, 255, 255, 255});
    SceneNode node = PlainNode(0, 0, 2);
    node.frontTexture = 21;
    node.alphaFunc = GL_GREATER;
    AddSceneNode(node);
    DrawSceneList(1);
    EXPECT_EQ(Pixel(width / 2 + 40, height / 2).r, 0);
    EXPECT_NEAR(Pixel(width / 2 - 40, height / 2).r, kDim, 1);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    node.alphaFunc = -1;
    AddSceneNode(node);
    DrawSceneList(1);
    EXPECT_NEAR(Pixel(width / 2 + 40, height / 2).r, kDim, 1);
}

TEST_F(SceneDrawTest, BrightnessPulsesWithFrameTime) {
    // pulseRate * 0.0001 * 1000 ms = pi / 2: the peak, f = 0.6.
    saverSettings.pulseRate = 15.707963f;
    frameTime = 1000;
    AddSceneNode(PlainNode(0, 0, 1));
    DrawSceneList(1);
    EXPECT_NEAR(Centre().r, 153, 1);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frameTime = 3000;  // 3 pi / 2: the trough, f = 0.2
    AddSceneNode(PlainNode(0, 0, 1));
    DrawSceneList(1);
    EXPECT_NEAR(Centre().r, 51, 1);

    // Near the top of the tick range the phase still comes out right:
    // 4294967000 ms at rate 1 is 429496.7 radians.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    saverSettings.pulseRate = 1.0f;
    frameTime = 4294967000u;
    AddSceneNode(PlainNode(0, 0, 1));
    DrawSceneList(1);
    EXPECT_NEAR(Centre().r, 255 * (0.4 + 0.2 * std::sin(429496.7)), 1.5);
}

TEST_F(SceneDrawTest, KeptListIsDrawnAgainAndReleasedOnce) {
    EXPECT_EQ(sceneList, nullptr);
    SceneNode a = PlainNode(-2, 0, 0.5f), b = PlainNode(2, 0, 0.5f);
    AddSceneNode(a);
    AddSceneNode(b);
    SceneNode* head = sceneList;
    DrawSceneList(0);
    ASSERT_EQ(sceneList, head);
    ASSERT_NE(head->next, nullptr);
    EXPECT_FLOAT_EQ(head->x, -2.0f);
    EXPECT_FLOAT_EQ(head->next->x, 2.0f);
    EXPECT_EQ(head->next->next, nullptr);
    // Appending after a kept walk still goes to the tail.
    AddSceneNode(PlainNode(0, 2, 0.5f));
    EXPECT_FLOAT_EQ(head->next->next->y, 2.0f);

    const double ppu = PixelsPerUnitAt13(height);
    EXPECT_GT(Pixel(static_cast<int>(width / 2 - 2 * ppu), height / 2).r, 90);
    EXPECT_GT(Pixel(static_cast<int>(width / 2 + 2 * ppu), height / 2).r, 90);
    DrawSceneList(1);
    EXPECT_EQ(sceneList, nullptr);
    // A new list starts after the releasing walk.
    AddSceneNode(a);
    ASSERT_NE(sceneList, nullptr);
    EXPECT_EQ(sceneList->next, nullptr);
}

TEST_F(SceneDrawTest, EmptyListTouchesNoState) {
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    DrawSceneList(0);
    DrawSceneList(1);
    float colour[4], mv[16];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    EXPECT_FLOAT_EQ(mv[12], 1.0f);
    EXPECT_FLOAT_EQ(mv[14], 3.0f);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Centre().r, 0);
}

TEST_F(SceneDrawTest, NodeLeavesItsTransformAndFunctionsButNotItsEnables) {
    baseBrightness = 0.5f;
    SceneNode node = PlainNode(1.5f, -0.5f, 1);
    node.blendSrc = GL_ONE_MINUS_SRC_COLOR;
    node.blendDst = GL_ONE_MINUS_DST_COLOR;
    node.alphaFunc = GL_GREATER;
    node.noDepthWrite = 1;
    node.backTexture = 11;
    DrawSceneNode(node);

    float mv[16], colour[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_FLOAT_EQ(mv[12], 1.5f);
    EXPECT_FLOAT_EQ(mv[13], -0.5f);
    EXPECT_FLOAT_EQ(mv[14], -13.0f);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.5f);
    EXPECT_FLOAT_EQ(colour[1], 0.5f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_FRONT);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, 11);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_COLOR);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_DST_COLOR);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &value);
    EXPECT_EQ(value, GL_GREATER);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
