#include "video/frame_sink.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "video/texture_upload.h"

namespace {

VideoFormat Rgb24(int32_t width, int32_t height) {
    VideoFormat format;
    format.videoInfo = true;
    format.width = width;
    format.height = height;
    format.bitCount = 24;
    format.uncompressed = true;
    return format;
}

// A 160 x 120 frame whose pixel (x, y) is blue x, green y, red x + y, rows
// `stride` bytes apart; padding bytes are 0xEE.
std::vector<unsigned char> Frame(size_t stride = 480) {
    std::vector<unsigned char> bytes(119 * stride + 480, 0xEE);
    for (size_t y = 0; y < 120; ++y)
        for (size_t x = 0; x < 160; ++x) {
            unsigned char* p = &bytes[y * stride + x * 3];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = static_cast<unsigned char>(x + y);
        }
    return bytes;
}

const unsigned char* Texel(int x, int y) {
    return videoFrameState.frameBuffer + (static_cast<size_t>(y) * videoFrameState.frameTexWidth + x) * 4;
}

class FrameSink : public ::testing::Test {
protected:
    void SetUp() override { ResetFrameSink(); }
    void TearDown() override { ResetFrameSink(); }
    static void Accept(const VideoFormat& format) {
        ASSERT_TRUE(CheckVideoFormat(format));
        SetVideoFormat(format);
    }
};

TEST_F(FrameSink, AcceptsOnly160By120Of24BitRgbEitherWayUp) {
    EXPECT_TRUE(CheckVideoFormat(Rgb24(160, 120)));
    EXPECT_EQ(videoFrameState.videoWidth, 160);
    EXPECT_EQ(videoFrameState.videoHeight, 120);
    EXPECT_TRUE(CheckVideoFormat(Rgb24(160, -120)));
    EXPECT_EQ(videoFrameState.videoHeight, 120);

    VideoFormat wrongDepth = Rgb24(160, 120);
    wrongDepth.bitCount = 16;
    VideoFormat compressed = Rgb24(160, 120);
    compressed.uncompressed = false;
    for (const VideoFormat& refused :
         {Rgb24(320, 240), Rgb24(-160, 120), Rgb24(160, 121), Rgb24(120, 160), Rgb24(160, INT_MIN), wrongDepth,
          compressed}) {
        ASSERT_TRUE(CheckVideoFormat(Rgb24(160, 120)));
        EXPECT_FALSE(CheckVideoFormat(refused)) << refused.width << "x" << refused.height;
        // The refusal wipes the earlier accepted sizes.
        EXPECT_EQ(videoFrameState.videoWidth, 0);
        EXPECT_EQ(videoFrameState.videoHeight, 0);
    }
}

TEST_F(FrameSink, AnotherFormatTypeIsRefusedAndChangesNothing) {
    Accept(Rgb24(160, 120));
    VideoFormat other = Rgb24(320, 240);
    other.videoInfo = false;
    EXPECT_FALSE(CheckVideoFormat(other));
    EXPECT_EQ(videoFrameState.videoWidth, 160);
    EXPECT_EQ(videoFrameState.videoHeight, 120);
}

TEST_F(FrameSink, SetFormatMakesASquareTextureAndTheNextFrameItsBuffer) {
    Accept(Rgb24(160, -120));
    EXPECT_EQ(videoFrameState.frameTexWidth, 256);
    EXPECT_EQ(videoFrameState.frameTexHeight, 256);
    EXPECT_EQ(videoFrameState.frameBuffer, nullptr);

    auto frame = Frame();
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    ASSERT_NE(videoFrameState.frameBuffer, nullptr);
    EXPECT_TRUE(videoFrameState.newFrame);
    EXPECT_EQ(VideoFramesWritten(), 1u);

    // A format set again drops the buffer and the frame it held.
    SetVideoFormat(Rgb24(160, 120));
    EXPECT_EQ(videoFrameState.frameBuffer, nullptr);
    EXPECT_FALSE(videoFrameState.newFrame);
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    EXPECT_NE(videoFrameState.frameBuffer, nullptr);

    // Setting a format the check refuses only clears the sizes.
    SetVideoFormat(Rgb24(320, 240));
    EXPECT_EQ(videoFrameState.videoWidth, 0);
    EXPECT_FALSE(RenderVideoSample(frame.data(), frame.size(), 0));
}

TEST_F(FrameSink, ConvertsBlueGreenRedIntoOpaqueRgbaWithATransparentBorder) {
    Accept(Rgb24(160, 120));
    std::vector<unsigned char> frame(57600, 0);
    frame[0] = 10;
    frame[1] = 20;
    frame[2] = 30;
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    EXPECT_EQ(0, std::memcmp(Texel(0, 0), "\x1e\x14\x0a\xff", 4));

    // The whole buffer is rewritten every frame, border included.
    std::memset(videoFrameState.frameBuffer, 0x55, 256 * 256 * 4);
    auto picture = Frame();
    ASSERT_TRUE(RenderVideoSample(picture.data(), picture.size(), 0));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const unsigned char* t = Texel(x, y);
            if (x < 160 && y < 120) {
                const unsigned char want[4] = {static_cast<unsigned char>(x + y), static_cast<unsigned char>(y),
                                               static_cast<unsigned char>(x), 255};
                ASSERT_EQ(0, std::memcmp(t, want, 4)) << "texel " << x << "," << y;
            } else {
                ASSERT_EQ(0, std::memcmp(t, "\0\0\0\0", 4)) << "border texel " << x << "," << y;
            }
        }
}

TEST_F(FrameSink, RowsKeepSampleOrderAtTheGivenStride) {
    // +120 (bottom-up) and -120 (top-down) are not turned: row 0 of the
    // texture is the first row of the sample either way.
    for (int32_t height : {120, -120}) {
        Accept(Rgb24(160, height));
        auto padded = Frame(512);
        ASSERT_TRUE(RenderVideoSample(padded.data(), padded.size(), 512));
        for (int y : {0, 1, 60, 119}) EXPECT_EQ(Texel(5, y)[1], y) << "row " << y;
        EXPECT_EQ(Texel(159, 119)[0], (159 + 119) & 0xFF);
        EXPECT_EQ(Texel(159, 119)[3], 255);  // no padding byte read as a pixel
    }
}

TEST_F(FrameSink, ShortSamplesAndFramesWithoutAFormatAreIgnored) {
    auto frame = Frame();
    EXPECT_FALSE(RenderVideoSample(frame.data(), frame.size(), 0));  // no format yet
    EXPECT_FALSE(videoFrameState.newFrame);

    Accept(Rgb24(160, 120));
    // Exactly-sized copies: under AddressSanitizer any read past the end of
    // the sample is an error.
    std::vector<unsigned char> shortSample(frame.begin(), frame.end() - 1);
    EXPECT_FALSE(RenderVideoSample(shortSample.data(), shortSample.size(), 0));
    auto padded = Frame(512);
    std::vector<unsigned char> shortPadded(padded.begin(), padded.end() - 1);
    EXPECT_FALSE(RenderVideoSample(shortPadded.data(), shortPadded.size(), 512));
    EXPECT_FALSE(RenderVideoSample(frame.data(), frame.size(), 479));        // stride below a row
    EXPECT_FALSE(RenderVideoSample(frame.data(), frame.size(), SIZE_MAX / 2));  // no overflow
    EXPECT_FALSE(RenderVideoSample(nullptr, 57600, 0));
    EXPECT_FALSE(videoFrameState.newFrame);
    EXPECT_EQ(videoFrameState.frameBuffer, nullptr);
    EXPECT_EQ(VideoFramesWritten(), 0u);

    // The exact length suffices: the last row needs no padding.
    EXPECT_TRUE(RenderVideoSample(padded.data(), padded.size(), 512));
    EXPECT_EQ(VideoFramesWritten(), 1u);
}

}  // namespace
