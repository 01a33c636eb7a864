// Drawing of the scene list: order, faces, texture orientation, alpha test,
// the brightness pulse and the state a node leaves behind.
#include <cmath>

#include "render_fixture.h"

namespace {

constexpr int kDim = 102;  // 0.4 of full intensity: the pulse with pulseRate 0

class SceneDrawTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        saverSettings.pulseRate = 0.0f;
        MakeTexture(10, 1, 1, {255, 0, 0, 255});
        MakeTexture(11, 1, 1, {0, 255, 0, 255});
        MakeTexture(12, 1, 1, {0, 0, 255, 255});
    }
    // Draws and releases one node on a cleared buffer.
    void DrawAlone(const SceneNode& node) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        AddSceneNode(node);
        DrawSceneList(1);
    }
    int Centre(int c) const { return At(width / 2, height / 2, c); }
};

TEST_F(SceneDrawTest, LastAddedIsDrawnFirstAndKeptListsStay) {
    // Equal depth: the first drawing wins GL_LESS, so C of A, B, C shows.
    for (int texture : {10, 11, 12}) {
        SceneNode node = PlainNode(0, 0, 1);
        node.frontTexture = texture;
        AddSceneNode(node);
    }
    SceneNode* head = sceneList;
    DrawSceneList(0);
    ASSERT_EQ(sceneList, head);  // kept, in order of addition
    EXPECT_EQ(head->frontTexture, 10);
    EXPECT_EQ(head->next->next->frontTexture, 12);
    AddSceneNode(PlainNode(0, 0, 1));  // still appends at the tail
    EXPECT_NE(head->next->next->next, nullptr);
    EXPECT_EQ(Centre(0), 0);
    EXPECT_NEAR(Centre(2), kDim, 1);
    DrawSceneList(1);
    EXPECT_EQ(sceneList, nullptr);

    // Without depth writes later drawings cover earlier ones: A, drawn last.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int texture : {10, 11, 12}) {
        SceneNode node = PlainNode(0, 0, 1);
        node.frontTexture = texture;
        node.noDepthWrite = 1;
        AddSceneNode(node);
    }
    DrawSceneList(1);
    EXPECT_NEAR(Centre(0), kDim, 1);
    EXPECT_EQ(Centre(2), 0);
}

TEST_F(SceneDrawTest, FacesAndPasses) {
    // Unrotated, the camera sees the back face.
    SceneNode node = PlainNode(0, 0, 1);
    node.frontTexture = 10;
    node.backTexture = 11;
    DrawAlone(node);
    EXPECT_EQ(Centre(0), 0);
    EXPECT_NEAR(Centre(1), kDim, 1);
    node.rotY = 180.0f;
    DrawAlone(node);
    EXPECT_NEAR(Centre(0), kDim, 1);

    // With additive blending (blendDst -1: GL_ONE both sides) a view drawn by
    // both passes would come out doubled.
    for (float rotY : {0.0f, 180.0f, 30.0f}) {
        node = PlainNode(0, 0, 1);
        node.rotY = rotY;
        node.blendSrc = GL_ONE;
        DrawAlone(node);
        EXPECT_NEAR(Centre(1), kDim, 1) << "rotY " << rotY;
    }
}

TEST_F(SceneDrawTest, TextureRunsRightToLeftTopToBottomAndAlphaTests) {
    // Texels (s, t): (0,0) red, (1,0) green, (0,1) transparent, (1,1) white.
    MakeTexture(20, 2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 255, 255, 255, 255});
    SceneNode node = PlainNode(0, 0, 2);
    node.frontTexture = 20;
    DrawAlone(node);
    const int l = width / 2 - 40, r = width / 2 + 40, t = height / 2 - 40, b = height / 2 + 40;
    EXPECT_TRUE(At(r, t, 0) > 90 && At(r, t, 1) == 0);  // top right: (0, 0)
    EXPECT_TRUE(At(l, t, 0) == 0 && At(l, t, 1) > 90);  // top left: (1, 0)
    EXPECT_GT(At(r, b, 2), 90);                          // bottom right: (0, 1)
    EXPECT_GT(At(l, b, 0), 90);                          // bottom left: (1, 1)
    node.alphaFunc = GL_GREATER;
    DrawAlone(node);
    EXPECT_EQ(At(r, b, 2), 0);
    EXPECT_GT(At(l, b, 0), 90);
}

TEST_F(SceneDrawTest, BrightnessPulsesWithFrameTime) {
    // 0.0001 * 15.707963 * 1000 ms = pi / 2: the crest, f = 0.6.
    const struct {
        uint32_t time;
        float rate;
        double f;
    } cases[] = {{1000, 15.707963f, 0.6}, {3000, 15.707963f, 0.2},
                 {4294967000u, 1.0f, 0.4 + 0.2 * std::sin(429496.7)}};  // needs double precision
    for (const auto& c : cases) {
        saverSettings.pulseRate = c.rate;
        frameTime = c.time;
        DrawAlone(PlainNode(0, 0, 1));
        EXPECT_NEAR(Centre(0), 255 * c.f, 1.5) << c.time;
    }
}

TEST_F(SceneDrawTest, StateAfterNodesAndEmptyLists) {
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    DrawSceneList(0);
    DrawSceneList(1);
    float colour[4], mv[16];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);  // an empty list touches nothing

    baseBrightness = 0.5f;
    SceneNode node = PlainNode(1.5f, -0.5f, 1);
    node.blendSrc = GL_ONE_MINUS_SRC_COLOR;
    node.blendDst = GL_ONE_MINUS_DST_COLOR;
    node.alphaFunc = GL_GREATER;
    node.noDepthWrite = 1;
    node.backTexture = 11;
    DrawSceneNode(node);
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_FLOAT_EQ(mv[12], 1.5f);
    EXPECT_FLOAT_EQ(mv[14], -13.0f);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.5f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    const std::pair<GLenum, GLint> kept[] = {{GL_CULL_FACE_MODE, GL_FRONT},
                                             {GL_TEXTURE_BINDING_2D, 11},
                                             {GL_BLEND_SRC, GL_ONE_MINUS_SRC_COLOR},
                                             {GL_BLEND_DST, GL_ONE_MINUS_DST_COLOR},
                                             {GL_ALPHA_TEST_FUNC, GL_GREATER},
                                             {GL_DEPTH_WRITEMASK, GL_TRUE}};
    for (const auto& [what, value] : kept) {
        GLint actual = -1;
        glGetIntegerv(what, &actual);
        EXPECT_EQ(actual, value) << std::hex << what;
    }
    for (GLenum off : {GL_CULL_FACE, GL_BLEND, GL_ALPHA_TEST}) EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
