// Shared set-up of the drawing tests: an offscreen EGL context, all drawing
// state as at process start, the default settings, and a white picture
// texture made with plain GL calls on name 1.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/gl.h"
#include "app/run_record.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "render/frame.h"
#include "render/screen_copy.h"
#include "scene/animation.h"
#include "scene/scene_list.h"
#include "video/texture_upload.h"

class RenderTest : public ::testing::Test {
protected:
    int width = 640, height = 480;

    void SetUp() override { OpenContext(640, 480); }
    void TearDown() override {
        FreeSceneList();
        DestroyGLWindow();
    }

    void OpenContext(int w, int h) {
        width = w;
        height = h;
        ResetRun();
        ApplyDefaultSettings();
        ASSERT_EQ(CreateOffscreenGLWindow(w, h, 32), 1);
        MakeTexture(1, 1, 1, {255, 255, 255, 255});
        pictureTexture = 1;
        nextTextureName = 2;
        baseBrightness = 1.0f;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // a new pbuffer holds old memory
    }

    // A 2D texture, nearest filtering, from w x h RGBA texels.
    static void MakeTexture(GLuint name, int w, int h, const std::vector<unsigned char>& texels) {
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }

    // The whole frame as RGBA bytes, rows from the TOP of the screen.
    std::vector<unsigned char> Frame() const {
        std::vector<unsigned char> raw(static_cast<size_t>(width) * height * 4), top(raw.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
        const size_t row = static_cast<size_t>(width) * 4;
        for (int y = 0; y < height; ++y) std::memcpy(&top[y * row], &raw[(height - 1 - y) * row], row);
        return top;
    }
    // Channel c of the pixel at column x, row y from the top.
    int At(int x, int y, int c = 0) const {
        unsigned char p[4] = {};
        glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return p[c];
    }

    // An unblended quad facing the camera at depth 13, showing the picture.
    static SceneNode PlainNode(float x, float y, float half) {
        SceneNode node = {};
        node.x = x;
        node.y = y;
        node.z = -13.0f;
        node.halfWidth = node.halfHeight = half;
        node.blendSrc = node.blendDst = node.alphaFunc = node.backTexture = -1;
        node.frontTexture = 1;
        return node;
    }
};

// Pixels per world unit at depth 13 under the 45 degree projection.
inline double PixelsPerUnit(int viewportHeight) { return viewportHeight / 2.0 / (13.0 * 0.41421356237); }
