// The scene list's ownership: copies of the templates, order of addition,
// growth to the largest figure and release without leaks (ASan builds).
#include <gtest/gtest.h>

#include "scene/scene_list.h"

namespace {

SceneNode Template(float x) {
    SceneNode node = {};
    node.x = x;
    node.blendSrc = -1;
    node.blendDst = -1;
    node.alphaFunc = -1;
    node.backTexture = -1;
    return node;
}

int Length() {
    int n = 0;
    for (const SceneNode* node = sceneList; node; node = node->next) ++n;
    return n;
}

class SceneListTest : public ::testing::Test {
protected:
    void SetUp() override { FreeSceneList(); }
    void TearDown() override { FreeSceneList(); }
};

TEST_F(SceneListTest, NodesAreCopiesInOrderOfAddition) {
    SceneNode bogus;
    SceneNode a = Template(1), b = Template(2), c = Template(3);
    a.next = &bogus;  // the template's link means nothing to the list
    b.frontTexture = 7;
    b.backTexture = 9;
    b.halfHeight = 0.25f;
    AddSceneNode(a);
    AddSceneNode(b);
    AddSceneNode(c);
    EXPECT_EQ(a.next, &bogus);  // the template stays the caller's

    ASSERT_EQ(Length(), 3);
    const SceneNode* first = sceneList;
    EXPECT_NE(first, &a);
    EXPECT_FLOAT_EQ(first->x, 1);
    EXPECT_FLOAT_EQ(first->next->x, 2);
    EXPECT_EQ(first->next->frontTexture, 7);
    EXPECT_EQ(first->next->backTexture, 9);
    EXPECT_FLOAT_EQ(first->next->halfHeight, 0.25f);
    EXPECT_FLOAT_EQ(first->next->next->x, 3);
    EXPECT_EQ(first->next->next->next, nullptr);

    // Changing a template afterwards changes nothing in the list.
    b.x = 99;
    EXPECT_FLOAT_EQ(first->next->x, 2);
}

TEST_F(SceneListTest, ReleasedListStartsAfresh) {
    AddSceneNode(Template(1));
    FreeSceneList();
    EXPECT_EQ(sceneList, nullptr);
    FreeSceneList();  // twice is harmless
    AddSceneNode(Template(5));
    ASSERT_EQ(Length(), 1);
    EXPECT_FLOAT_EQ(sceneList->x, 5);
}

TEST_F(SceneListTest, GrowsToTheLargestFigureFrameAfterFrame) {
    for (int frame = 0; frame < 3; ++frame) {
        for (int i = 0; i < 1000; ++i) AddSceneNode(Template(static_cast<float>(i)));
        ASSERT_EQ(Length(), 1000);
        // Still in order of addition at the far end.
        const SceneNode* node = sceneList;
        for (int i = 0; i < 999; ++i) node = node->next;
        EXPECT_FLOAT_EQ(node->x, 999.0f);
        FreeSceneList();
        EXPECT_EQ(sceneList, nullptr);
    }
}

}  // namespace
