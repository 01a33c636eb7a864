// Texture names, padding, filter modes and the video-frame hand-over, read
// back from Mesa with glGetTexImage and glGetTexParameteriv.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "capture_side.h"
#include "app/run_record.h"
#include "common/gl.h"
#include "platform/gl_window.h"
#include "video/frame_exchange.h"
#include "video/texture_upload.h"

namespace {

using Texels = std::vector<unsigned char>;

struct TextureImage {
    GLint width = 0, height = 0;
    Texels texels;
    const unsigned char* at(int x, int y) const { return &texels[(static_cast<size_t>(y) * width + x) * 4]; }
};

TextureImage ReadTexture(int32_t name) {
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.texels.assign(static_cast<size_t>(image.width) * image.height * 4, 0xCD);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!image.texels.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.texels.data());
    return image;
}

// A picture whose every texel differs from its neighbours and from padding.
Texels Pattern(int w, int h) {
    Texels t(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &t[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = static_cast<unsigned char>(x * 7 + y * 13);
            p[3] = static_cast<unsigned char>(128 + (x + y) % 100);
        }
    return t;
}

ImageRecord Record(int w, int h, Texels& texels) { return ImageRecord{w, h, texels.data()}; }

GLint Parameter(int32_t name, GLenum which) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
    return value;
}

class TextureUpload : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRun();
        ResetFrameExchange();
        ASSERT_EQ(CreateOffscreenGLWindow(64, 64, 32), 1);
    }
    void TearDown() override {
        DestroyGLWindow();
        ResetRun();
        ResetFrameExchange();
    }
};

}  // namespace

TEST_F(TextureUpload, HundredByFiftyIsPaddedToTransparent128By64) {
    Texels texels = Pattern(100, 50);
    EXPECT_EQ(CreateTextureFromImage(Record(100, 50, texels)), 1);
    EXPECT_EQ(nextTextureName, 2);
    const TextureImage t = ReadTexture(1);
    ASSERT_EQ(t.width, 128);
    ASSERT_EQ(t.height, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            const unsigned char* got = t.at(x, y);
            const bool inside = x < 100 && y < 50;
            const unsigned char* want = inside ? &texels[(static_cast<size_t>(y) * 100 + x) * 4] : nullptr;
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(got[c], inside ? want[c] : 0) << x << "," << y << " channel " << c;
        }
}

TEST_F(TextureUpload, PowerOfTwoImagesGoUpAsTheyAre) {
    Texels one = Pattern(1, 1);
    Texels wide = Pattern(256, 128);
    EXPECT_EQ(CreateTextureFromImage(Record(1, 1, one)), 1);
    EXPECT_EQ(CreateTextureFromImage(Record(256, 128, wide)), 2);
    EXPECT_EQ(nextTextureName, 3);
    const TextureImage a = ReadTexture(1);
    EXPECT_EQ(a.width, 1);
    EXPECT_EQ(a.height, 1);
    EXPECT_EQ(a.texels, one);
    const TextureImage b = ReadTexture(2);
    EXPECT_EQ(b.width, 256);
    EXPECT_EQ(b.height, 128);
    EXPECT_EQ(b.texels, wide);
}

TEST_F(TextureUpload, PaddedRectangleStartsAtItsCornerAndStaysInside) {
    Texels texels = Pattern(10, 8);
    const ImageRecord image = Record(10, 8, texels);
    EXPECT_EQ(CreatePaddedTexture(image, 3, 2, 5, 3), 1);
    const TextureImage t = ReadTexture(1);
    ASSERT_EQ(t.width, 8);
    ASSERT_EQ(t.height, 4);
    EXPECT_EQ(t.at(0, 0)[0], 3);  // source column 3, row 2
    EXPECT_EQ(t.at(0, 0)[1], 2);
    EXPECT_EQ(t.at(4, 2)[0], 7);
    EXPECT_EQ(t.at(4, 2)[1], 4);
    EXPECT_EQ(t.at(5, 0)[3], 0);
    EXPECT_EQ(t.at(0, 3)[3], 0);
    // Rectangles reaching outside the image take nothing and no name.
    EXPECT_EQ(CreatePaddedTexture(image, 6, 0, 5, 1), 0);
    EXPECT_EQ(CreatePaddedTexture(image, 0, 6, 1, 3), 0);
    EXPECT_EQ(CreatePaddedTexture(image, -1, 0, 2, 2), 0);
    EXPECT_EQ(CreatePaddedTexture(image, 0, 0, 0, 2), 0);
    EXPECT_EQ(nextTextureName, 2);
}

TEST_F(TextureUpload, APaddedCopyTooLargeToMakeIsRefusedWithoutAName) {
    // 2^29 + 1 columns pad to 2^30: a 16 GiB copy, which is never tried.
    Texels texels = Pattern(1, 1);
    EXPECT_EQ(CreateTextureFromImage(ImageRecord{(1 << 29) + 1, 3, texels.data()}), 0);
    EXPECT_EQ(nextTextureName, 1);
}

TEST_F(TextureUpload, APictureWiderThanThisOpenGLTakesIsRefusedWithoutAName) {
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    ASSERT_GT(most, 0);
    // Twice the widest texture, as it is (a power of two) and padded to it.
    Texels row = Pattern(2 * most, 1);
    EXPECT_EQ(CreateTextureFromImage(Record(2 * most, 1, row)), 0);
    EXPECT_EQ(CreateTextureFromImage(Record(most + 1, 1, row)), 0);
    EXPECT_EQ(CreatePaddedTexture(Record(2 * most, 1, row), 0, 0, most + 1, 1), 0);
    EXPECT_EQ(nextTextureName, 1);
    // The widest texture itself is made, with the picture in it.
    Texels widest = Pattern(most, 1);
    EXPECT_EQ(CreateTextureFromImage(Record(most, 1, widest)), 1);
    const TextureImage t = ReadTexture(1);
    EXPECT_EQ(t.width, most);
    EXPECT_EQ(t.texels, widest);
}

TEST_F(TextureUpload, UploadTextureNamesAndRefusals) {
    Texels frame = Pattern(160, 120);
    glBindTexture(GL_TEXTURE_2D, 77);
    EXPECT_EQ(UploadTexture(frame.data(), 160, 120, -1), 0);
    EXPECT_EQ(UploadTexture(frame.data(), 64, 120, 5), 0);
    EXPECT_EQ(nextTextureName, 1);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 77);  // nothing was bound

    Texels square = Pattern(64, 64);
    nextTextureName = 9;
    EXPECT_EQ(UploadTexture(square.data(), 64, 64, -1), 9);
    EXPECT_EQ(nextTextureName, 10);
    EXPECT_EQ(ReadTexture(9).texels, square);
    EXPECT_EQ(UploadTexture(square.data(), 64, 64, 40), 40);
    EXPECT_EQ(nextTextureName, 10);
    EXPECT_EQ(ReadTexture(40).texels, square);
}

TEST_F(TextureUpload, FilterModeTable) {
    // Mode 5 acts as 2, and negative modes as 1.
    const struct {
        int32_t mode;
        GLint filter, wrap;
    } table[] = {
        {0, GL_NEAREST, GL_REPEAT}, {1, GL_LINEAR, GL_REPEAT}, {2, GL_LINEAR, GL_CLAMP}, {3, GL_NEAREST, GL_CLAMP},
        {4, GL_LINEAR, GL_CLAMP},   {5, GL_LINEAR, GL_CLAMP},  {-1, GL_LINEAR, GL_REPEAT}, {-9, GL_LINEAR, GL_REPEAT},
    };
    Texels one = Pattern(1, 1);
    int32_t name = 100;
    for (const auto& row : table) {
        SCOPED_TRACE(row.mode);
        textureFilterMode = row.mode;
        ASSERT_EQ(UploadTexture(one.data(), 1, 1, ++name), name);  // fresh: wrap starts as GL_REPEAT
        EXPECT_EQ(Parameter(name, GL_TEXTURE_MIN_FILTER), row.filter);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_MAG_FILTER), row.filter);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_WRAP_S), row.wrap);
        EXPECT_EQ(Parameter(name, GL_TEXTURE_WRAP_T), row.wrap);
    }
    // Modes that leave the wrap alone keep what the texture had.
    textureFilterMode = 3;
    UploadTexture(one.data(), 1, 1, 200);
    textureFilterMode = 1;
    UploadTexture(one.data(), 1, 1, 200);
    EXPECT_EQ(Parameter(200, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(Parameter(200, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
}

namespace {
// A 160 x 120 format, as the capture side sets it, with the capture running.
void AcceptFormat() {
    const VideoFormat format = Rgb24(kVideoWidth, kVideoHeight);
    ASSERT_TRUE(CheckVideoFormat(format));
    SetVideoFormat(format);
    SetCaptureRunning(true);
}

// A frame whose every pixel has value in all three channels.
void WriteFrame(unsigned char value) {
    const std::vector<unsigned char> sample(kVideoWidth * kVideoHeight * 3, value);
    ASSERT_TRUE(RenderVideoSample(sample.data(), sample.size(), 0));
}

// The 256 x 256 texture image of a frame of value: opaque grey in the
// picture's corner, transparent black around it.
Texels FrameTexels(unsigned char value) {
    Texels t(256 * 256 * 4, 0);
    for (int y = 0; y < kVideoHeight; ++y)
        for (int x = 0; x < kVideoWidth; ++x) {
            unsigned char* p = &t[(static_cast<size_t>(y) * 256 + x) * 4];
            p[0] = p[1] = p[2] = value;
            p[3] = 255;
        }
    return t;
}
}  // namespace

TEST_F(TextureUpload, VideoFramesGoUpOncePerNewFrame) {
    Texels picture = Pattern(1, 1);
    pictureTexture = CreateTextureFromImage(Record(1, 1, picture));
    UploadVideoFrame();  // no capture yet
    EXPECT_EQ(ReadTexture(pictureTexture).width, 1);

    AcceptFormat();
    UploadVideoFrame();  // a format, but no frame
    EXPECT_EQ(ReadTexture(pictureTexture).width, 1);

    WriteFrame(0x40);
    UploadVideoFrame();
    EXPECT_FALSE(ReadVideoFrameStatus().newFrame);
    TextureImage t = ReadTexture(pictureTexture);
    ASSERT_EQ(t.width, 256);
    ASSERT_EQ(t.height, 256);
    EXPECT_EQ(t.texels, FrameTexels(0x40));
    EXPECT_EQ(nextTextureName, 2);  // the video reuses the picture's name

    // Without a new frame nothing goes up: what else the texture was given
    // stays.
    Texels other = Pattern(256, 256);
    UploadTexture(other.data(), 256, 256, pictureTexture);
    UploadVideoFrame();
    EXPECT_EQ(ReadTexture(pictureTexture).texels, other);

    // No upload once capture has stopped.
    WriteFrame(0x60);
    SetCaptureRunning(false);
    UploadVideoFrame();
    EXPECT_EQ(ReadTexture(pictureTexture).texels, other);
    EXPECT_TRUE(ReadVideoFrameStatus().newFrame);
}

TEST_F(TextureUpload, ABusyExchangeLeavesTheFrameForLater) {
    pictureTexture = 3;
    AcceptFormat();
    WriteFrame(0x11);
    UploadVideoFrame();
    ASSERT_EQ(ReadTexture(3).texels[0], 0x11);

    // The capture side holds the exchange, as while it writes the next frame.
    WriteFrame(0x22);
    {
        CaptureSideHolding capture;
        UploadVideoFrame();  // must return at once, not wait
    }
    EXPECT_TRUE(ReadVideoFrameStatus().newFrame);
    EXPECT_EQ(ReadTexture(3).texels[0], 0x11);

    UploadVideoFrame();
    EXPECT_FALSE(ReadVideoFrameStatus().newFrame);
    EXPECT_EQ(ReadTexture(3).texels[0], 0x22);
}
