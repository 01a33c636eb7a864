// Shared set-up of the drawing tests: an offscreen EGL context, every piece
// of drawing state back to process start, the default settings, and a
// picture texture made with plain GL calls on name 1.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/gl.h"
#include "host/gl_window.h"
#include "host/linux_gl_backend.h"
#include "host/settings.h"
#include "render/frame.h"
#include "render/screen_copy.h"
#include "scene/animation.h"
#include "scene/scene_list.h"
#include "video/texture_upload.h"

struct Rgba {
    int r, g, b, a;
};

class RenderTest : public ::testing::Test {
protected:
    int width = 640;
    int height = 480;

    void SetUp() override { OpenContext(width, height); }

    void TearDown() override {
        FreeSceneList();
        DestroyGLWindow();
    }

    void OpenContext(int w, int h) {
        width = w;
        height = h;
        FreeSceneList();
        ResetRenderWindowState();
        ResetScreenCopies();
        ResetAnimationState();
        std::memset(&saverSettings, 0, sizeof saverSettings);
        ApplyDefaultSettings();
        SelectGLBackend(LinuxGLBackend::Egl);
        ASSERT_EQ(CreateGLWindow(0, w, h, 32, 0), 1);
        MakeSolidTexture(1, 255, 255, 255, 255);
        pictureTexture = 1;
        nextTextureName = 2;
        frameTime = 0;
        baseBrightness = 1.0f;
    }

    // A 2D texture with nearest filtering from width x height RGBA texels.
    static void MakeTexture(GLuint name, int w, int h, const std::vector<unsigned char>& texels) {
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }

    static void MakeSolidTexture(GLuint name, int r, int g, int b, int a) {
        std::vector<unsigned char> texels;
        for (int i = 0; i < 16 * 16; ++i) {
            texels.push_back(static_cast<unsigned char>(r));
            texels.push_back(static_cast<unsigned char>(g));
            texels.push_back(static_cast<unsigned char>(b));
            texels.push_back(static_cast<unsigned char>(a));
        }
        MakeTexture(name, 16, 16, texels);
    }

    // The pixel at column x and row y counted from the TOP of the screen.
    Rgba Pixel(int x, int y) const {
        unsigned char p[4] = {0, 0, 0, 0};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return Rgba{p[0], p[1], p[2], p[3]};
    }

    // The red channel of the whole frame, rows from the top.
    std::vector<int> RedFrame() const {
        std::vector<unsigned char> raw(static_cast<size_t>(width) * height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
        std::vector<int> red(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                red[static_cast<size_t>(y) * width + x] = raw[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
        return red;
    }

    // A quad template facing the camera, unblended, showing the picture.
    static SceneNode PlainNode(float x, float y, float half) {
        SceneNode node = {};
        node.x = x;
        node.y = y;
        node.z = -13.0f;
        node.halfWidth = half;
        node.halfHeight = half;
        node.blendSrc = -1;
        node.blendDst = -1;
        node.alphaFunc = -1;
        node.frontTexture = 1;
        node.backTexture = -1;
        return node;
    }
};

// Pixels per world unit at z = -13 with the 45 degree projection and a
// viewport of the given height.
inline double PixelsPerUnitAt13(int viewportHeight) {
    return (viewportHeight / 2.0) / (13.0 * 0.41421356237309503);
}
