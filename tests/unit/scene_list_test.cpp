// The scene list's ownership: copies of the templates in order of addition,
// growth to the largest figure and release without leaks (ASan builds).
#include <gtest/gtest.h>

#include "scene/scene_list.h"

namespace {

TEST(SceneList, HoldsCopiesInOrderOfAddition) {
    FreeSceneList();
    SceneNode bogus, templ = {};
    templ.next = &bogus;  // the template's link means nothing to the list
    for (int i = 0; i < 3; ++i) {
        templ.x = static_cast<float>(i);
        templ.backTexture = 10 + i;
        AddSceneNode(templ);
    }
    EXPECT_EQ(templ.next, &bogus);
    const SceneNode* node = sceneList;
    for (int i = 0; i < 3; ++i, node = node->next) {
        ASSERT_NE(node, nullptr);
        EXPECT_NE(node, &templ);
        EXPECT_EQ(node->x, static_cast<float>(i));
        EXPECT_EQ(node->backTexture, 10 + i);
    }
    EXPECT_EQ(node, nullptr);
    FreeSceneList();
    EXPECT_EQ(sceneList, nullptr);
}

TEST(SceneList, GrowsToTheLargestFigureFrameAfterFrame) {
    for (int frame = 0; frame < 3; ++frame) {
        SceneNode templ = {};
        for (int i = 0; i < 1000; ++i) {
            templ.x = static_cast<float>(i);
            AddSceneNode(templ);
        }
        int n = 0;
        const SceneNode* last = nullptr;
        for (const SceneNode* node = sceneList; node; node = node->next, ++n) last = node;
        EXPECT_EQ(n, 1000);
        EXPECT_EQ(last->x, 999.0f);
        FreeSceneList();
        FreeSceneList();  // twice is harmless
    }
}

}  // namespace
