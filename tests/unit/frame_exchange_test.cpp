#include "video/frame_exchange.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "capture_side.h"

namespace {

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

// Texel (x, y) of a copy of the 256 x 256 frame buffer.
const unsigned char* Texel(const std::vector<unsigned char>& buffer, int x, int y) {
    return &buffer[(static_cast<size_t>(y) * 256 + x) * 4];
}

VideoFrameStatus Status() { return ReadVideoFrameStatus(); }

class FrameExchange : public ::testing::Test {
protected:
    void SetUp() override { ResetFrameExchange(); }
    void TearDown() override { ResetFrameExchange(); }
    static void Accept(const VideoFormat& format) {
        ASSERT_TRUE(CheckVideoFormat(format));
        SetVideoFormat(format);
    }
};

TEST_F(FrameExchange, AcceptsOnly160By120Of24BitRgbEitherWayUp) {
    EXPECT_TRUE(CheckVideoFormat(Rgb24(160, 120)));
    EXPECT_EQ(Status().videoWidth, 160);
    EXPECT_EQ(Status().videoHeight, 120);
    EXPECT_TRUE(CheckVideoFormat(Rgb24(160, -120)));
    EXPECT_EQ(Status().videoHeight, 120);

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
        EXPECT_EQ(Status().videoWidth, 0);
        EXPECT_EQ(Status().videoHeight, 0);
    }
}

TEST_F(FrameExchange, AnotherFormatTypeIsRefusedAndChangesNothing) {
    Accept(Rgb24(160, 120));
    VideoFormat other = Rgb24(320, 240);
    other.videoInfo = false;
    EXPECT_FALSE(CheckVideoFormat(other));
    EXPECT_EQ(Status().videoWidth, 160);
    EXPECT_EQ(Status().videoHeight, 120);
}

TEST_F(FrameExchange, SetFormatMakesASquareTextureAndTheNextFrameItsBuffer) {
    Accept(Rgb24(160, -120));
    EXPECT_EQ(Status().frameTexWidth, 256);
    EXPECT_EQ(Status().frameTexHeight, 256);
    EXPECT_FALSE(Status().hasFrameBuffer);

    auto frame = Frame();
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    ASSERT_TRUE(Status().hasFrameBuffer);
    EXPECT_TRUE(Status().newFrame);
    EXPECT_EQ(VideoFramesWritten(), 1u);

    // A format set again drops the buffer and the frame it held.
    SetVideoFormat(Rgb24(160, 120));
    EXPECT_FALSE(Status().hasFrameBuffer);
    EXPECT_FALSE(Status().newFrame);
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    EXPECT_TRUE(Status().hasFrameBuffer);

    // Setting a format the check refuses only clears the sizes.
    SetVideoFormat(Rgb24(320, 240));
    EXPECT_EQ(Status().videoWidth, 0);
    EXPECT_FALSE(RenderVideoSample(frame.data(), frame.size(), 0));
}

TEST_F(FrameExchange, ConvertsBlueGreenRedIntoOpaqueRgbaWithATransparentBorder) {
    Accept(Rgb24(160, 120));
    std::vector<unsigned char> frame(57600, 0);
    frame[0] = 10;
    frame[1] = 20;
    frame[2] = 30;
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    EXPECT_EQ(0, std::memcmp(Texel(CopyFrameBuffer(), 0, 0), "\x1e\x14\x0a\xff", 4));

    // The whole buffer is written by every frame, border included: a format
    // set again gives the next frame a new buffer from the C heap, which
    // need not be zeroed.
    SetVideoFormat(Rgb24(160, 120));
    auto picture = Frame();
    ASSERT_TRUE(RenderVideoSample(picture.data(), picture.size(), 0));
    const std::vector<unsigned char> buffer = CopyFrameBuffer();
    ASSERT_EQ(buffer.size(), 256u * 256 * 4);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const unsigned char* t = Texel(buffer, x, y);
            if (x < 160 && y < 120) {
                const unsigned char want[4] = {static_cast<unsigned char>(x + y), static_cast<unsigned char>(y),
                                               static_cast<unsigned char>(x), 255};
                ASSERT_EQ(0, std::memcmp(t, want, 4)) << "texel " << x << "," << y;
            } else {
                ASSERT_EQ(0, std::memcmp(t, "\0\0\0\0", 4)) << "border texel " << x << "," << y;
            }
        }
}

TEST_F(FrameExchange, RowsKeepSampleOrderAtTheGivenStride) {
    // +120 (bottom-up) and -120 (top-down) are not turned: row 0 of the
    // texture is the first row of the sample either way.
    for (int32_t height : {120, -120}) {
        Accept(Rgb24(160, height));
        auto padded = Frame(512);
        ASSERT_TRUE(RenderVideoSample(padded.data(), padded.size(), 512));
        const std::vector<unsigned char> buffer = CopyFrameBuffer();
        for (int y : {0, 1, 60, 119}) EXPECT_EQ(Texel(buffer, 5, y)[1], y) << "row " << y;
        EXPECT_EQ(Texel(buffer, 159, 119)[0], (159 + 119) & 0xFF);
        EXPECT_EQ(Texel(buffer, 159, 119)[3], 255);  // no padding byte read as a pixel
    }
}

TEST_F(FrameExchange, ShortSamplesAndFramesWithoutAFormatAreIgnored) {
    auto frame = Frame();
    EXPECT_FALSE(RenderVideoSample(frame.data(), frame.size(), 0));  // no format yet
    EXPECT_FALSE(Status().newFrame);

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
    EXPECT_FALSE(Status().newFrame);
    EXPECT_FALSE(Status().hasFrameBuffer);
    EXPECT_EQ(VideoFramesWritten(), 0u);

    // The exact length suffices: the last row needs no padding.
    EXPECT_TRUE(RenderVideoSample(padded.data(), padded.size(), 512));
    EXPECT_EQ(VideoFramesWritten(), 1u);
}

// What a take handed over, for the tests of the render side.
struct Taken {
    int count = 0;
    VideoFrame frame;
    unsigned char firstTexel[4] = {};
};

void Keep(const VideoFrame& frame, void* context) {
    auto* taken = static_cast<Taken*>(context);
    ++taken->count;
    taken->frame = frame;
    std::memcpy(taken->firstTexel, frame.texels, 4);
}

TEST_F(FrameExchange, TheRenderSideTakesEachNewFrameOnceWhileTheCaptureRuns) {
    Taken taken;
    Accept(Rgb24(160, 120));
    std::vector<unsigned char> frame(57600, 7);
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::NoNewFrame);  // no graph runs
    EXPECT_EQ(taken.count, 0);

    SetCaptureRunning(true);
    EXPECT_TRUE(CaptureRunning());
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::Taken);
    EXPECT_EQ(taken.count, 1);
    EXPECT_EQ(taken.frame.width, 256);
    EXPECT_EQ(taken.frame.height, 256);
    EXPECT_EQ(taken.frame.videoWidth, 160);
    EXPECT_EQ(taken.frame.videoHeight, 120);
    EXPECT_EQ(0, std::memcmp(taken.firstTexel, "\x07\x07\x07\xff", 4));
    EXPECT_FALSE(Status().newFrame);
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::NoNewFrame);  // nothing new since
    EXPECT_EQ(taken.count, 1);

    // A refused proposal leaves a written frame where it is, untaken.
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    EXPECT_FALSE(CheckVideoFormat(Rgb24(320, 240)));
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::NoNewFrame);
    EXPECT_TRUE(Status().newFrame);
    ASSERT_TRUE(CheckVideoFormat(Rgb24(160, 120)));
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::Taken);

    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    SetCaptureRunning(false);
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::NoNewFrame);
    EXPECT_EQ(taken.count, 2);
}

TEST_F(FrameExchange, ABusyExchangeIsNotWaitedForAndKeepsTheFrame) {
    Accept(Rgb24(160, 120));
    SetCaptureRunning(true);
    std::vector<unsigned char> frame(57600, 9);
    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    Taken taken;
    {
        CaptureSideHolding capture;
        EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::Busy);  // returns at once
    }
    EXPECT_EQ(taken.count, 0);
    EXPECT_TRUE(Status().newFrame);
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::Taken);
    EXPECT_EQ(taken.count, 1);
}


// A stream that ends is told to the render side once, which then takes no
// frame still flagged from it; taking a frame does not swallow an end that
// came meanwhile, and a graph that starts again has not ended.
TEST_F(FrameExchange, AnEndedStreamIsTakenOnceAndDropsItsFlaggedFrame) {
    Accept(Rgb24(160, 120));
    SetCaptureRunning(true);
    std::vector<unsigned char> frame(57600, 5);
    Taken taken;
    EXPECT_FALSE(TakeCaptureEnded());

    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    ReportCaptureEnded();
    EXPECT_TRUE(CaptureEnded());
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::Taken);  // taken before the end was looked at
    EXPECT_TRUE(Status().captureEnded);
    EXPECT_TRUE(TakeCaptureEnded());
    EXPECT_FALSE(TakeCaptureEnded());

    ASSERT_TRUE(RenderVideoSample(frame.data(), frame.size(), 0));
    ReportCaptureEnded();
    EXPECT_TRUE(TakeCaptureEnded());
    EXPECT_FALSE(Status().newFrame);
    EXPECT_EQ(TakeNewestFrame(Keep, &taken), FrameTake::NoNewFrame);
    EXPECT_EQ(taken.count, 1);
    EXPECT_TRUE(CaptureRunning());  // until the back end releases its graph

    ReportCaptureEnded();
    SetCaptureRunning(true);
    EXPECT_FALSE(CaptureEnded());
    ReportCaptureEnded();
    ResetFrameExchange();
    EXPECT_FALSE(TakeCaptureEnded());
}

}  // namespace
