// TextureRenderer in Wine's real filter graph: frames from AVI files made by
// ffmpeg (LUMOX_TEST_MEDIA names their directory), read by Wine's own source
// and splitter; in-stream type changes with samples from Wine's memory
// allocator; and the build without a capture device.
#include <windows.h>

#include <dshow.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/capture_source.h"
#include "windows/dshow_capture.h"
#include "video/frame_exchange.h"

namespace {

std::string Media(const char* name) {
    const char* dir = std::getenv("LUMOX_TEST_MEDIA");
    return std::string(dir ? dir : ".") + "\\" + name;
}

void UseSource(const std::string& file) { _putenv_s("LUMOX_VIDEO_SOURCE", file.c_str()); }

// Texel (x, y) of a copy of frameBuffer.
std::string Texel(int x, int y) {
    const std::vector<unsigned char> buffer = CopyFrameBuffer();
    if (buffer.empty()) return "no buffer";
    const unsigned char* t = &buffer[(static_cast<size_t>(y) * ReadVideoFrameStatus().frameTexWidth + x) * 4];
    char text[32];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", t[0], t[1], t[2], t[3]);
    return text;
}

// A 160 x height RGB24 video-info type (height negative: top-down).
AM_MEDIA_TYPE Rgb24Type(VIDEOINFOHEADER& info, LONG width, LONG height) {
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    AM_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof info;
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
    return type;
}

class DirectShowCapture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ResetFrameExchange();
    }
    void TearDown() override {
        ReleaseCaptureGraph();
        _putenv_s("LUMOX_VIDEO_SOURCE", "");
        ResetFrameExchange();
        CoUninitialize();
    }
    // Waits for the renderer's end of stream.
    static bool StreamCompletes() {
        long code = 0;
        return captureGraph.mediaEvent && captureGraph.mediaEvent->WaitForCompletion(10000, &code) == S_OK &&
               code == EC_COMPLETE;
    }
};

TEST_F(DirectShowCapture, WithoutADeviceTheBuildFails) {
    ICreateDevEnum* devices = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                               reinterpret_cast<void**>(&devices)),
              S_OK);
    IEnumMoniker* monikers = nullptr;
    const HRESULT listed = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    if (monikers) monikers->Release();
    devices->Release();
    if (listed == S_OK) GTEST_SKIP() << "this machine has a video input device";
    EXPECT_FALSE(BuildCaptureGraph());
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(captureGraph.graphBuilder, nullptr);
    EXPECT_EQ(WaitForFirstVideoFrame(100), FirstFrame::NoCapture);
    ReleaseCaptureGraph();  // nothing to release
    EXPECT_FALSE(CaptureRunning());
}

TEST_F(DirectShowCapture, AviFramesReachTheFrameBuffer) {
    // Top half 0x102030, bottom half 0x405060.
    UseSource(Media("twotone.avi"));
    ASSERT_TRUE(BuildCaptureGraph());
    EXPECT_TRUE(CaptureRunning());

    IBaseFilter* named = nullptr;
    ASSERT_EQ(captureGraph.graphBuilder->FindFilterByName(L"TEXTURERENDERER", &named), S_OK);
    EXPECT_EQ(named, static_cast<IBaseFilter*>(captureGraph.renderer));
    named->Release();
    AM_MEDIA_TYPE type;
    ASSERT_EQ(captureGraph.renderer->InputPin()->ConnectionMediaType(&type), S_OK);
    EXPECT_TRUE(IsEqualGUID(type.formattype, FORMAT_VideoInfo));
    const LONG height = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biHeight;
    CoTaskMemFree(type.pbFormat);
    std::printf("the splitter's type: biHeight %ld\n", static_cast<long>(height));

    ASSERT_EQ(WaitForFirstVideoFrame(10000), FirstFrame::Arrived);
    ASSERT_TRUE(StreamCompletes());
    EXPECT_EQ(VideoFramesWritten(), 60u);  // every frame of the file, none held back
    EXPECT_EQ(ReadVideoFrameStatus().videoWidth, 160);
    EXPECT_EQ(ReadVideoFrameStatus().videoHeight, 120);
    EXPECT_EQ(ReadVideoFrameStatus().frameTexWidth, 256);
    // Rows land in sample order: a bottom-up type (positive height) puts the
    // picture's bottom row into texture row 0.
    const char* firstRow = height > 0 ? "405060ff" : "102030ff";
    const char* lastRow = height > 0 ? "102030ff" : "405060ff";
    EXPECT_EQ(Texel(0, 0), firstRow) << "height " << height;
    EXPECT_EQ(Texel(159, 119), lastRow);
    EXPECT_EQ(Texel(160, 0), "00000000");
    EXPECT_EQ(Texel(0, 120), "00000000");

    IGraphBuilder* graph = captureGraph.graphBuilder;
    EXPECT_TRUE(BuildCaptureGraph());  // already running: nothing new
    EXPECT_EQ(captureGraph.graphBuilder, graph);

    ReleaseCaptureGraph();
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(captureGraph.renderer, nullptr);

    // A build after a release gets a renderer of its own.
    ResetFrameExchange();
    ASSERT_TRUE(BuildCaptureGraph());
    ASSERT_TRUE(StreamCompletes());
    EXPECT_EQ(VideoFramesWritten(), 60u);
}

TEST_F(DirectShowCapture, A320By240FileDoesNotConnect) {
    UseSource(Media("large.avi"));
    EXPECT_FALSE(BuildCaptureGraph());
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(captureGraph.renderer, nullptr);
    EXPECT_EQ(ReadVideoFrameStatus().videoWidth, 0);
    UseSource(Media("missing.avi"));
    EXPECT_FALSE(BuildCaptureGraph());
}

// Samples that announce a new type, pushed into the running renderer once
// the file has ended.
TEST_F(DirectShowCapture, InStreamTypeChangesGoThroughTheCheck) {
    UseSource(Media("twotone.avi"));
    ASSERT_TRUE(BuildCaptureGraph());
    ASSERT_TRUE(StreamCompletes());
    const uint32_t fromFile = VideoFramesWritten();
    IMemInputPin* input = nullptr;
    ASSERT_EQ(captureGraph.renderer->InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)),
              S_OK);

    IMemAllocator* allocator = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                               reinterpret_cast<void**>(&allocator)),
              S_OK);
    ALLOCATOR_PROPERTIES wanted = {1, 320 * 240 * 3, 1, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(&wanted, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);

    // send(type, length, first byte): one sample through Receive.
    auto send = [&](const AM_MEDIA_TYPE* type, long length, BYTE fill) {
        IMediaSample* sample = nullptr;
        EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        if (!sample) return E_FAIL;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::memset(data, fill, static_cast<size_t>(sample->GetSize()));
        sample->SetActualDataLength(length);
        sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(type));
        const HRESULT result = input->Receive(sample);
        sample->Release();
        return result;
    };

    VIDEOINFOHEADER largeInfo, topDownInfo;
    const AM_MEDIA_TYPE large = Rgb24Type(largeInfo, 320, 240);
    const AM_MEDIA_TYPE topDown = Rgb24Type(topDownInfo, 160, -120);

    EXPECT_EQ(send(&large, 320 * 240 * 3, 0x11), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(ReadVideoFrameStatus().videoWidth, 0);  // wiped by the refusal
    EXPECT_EQ(send(nullptr, 57600, 0x22), S_OK);  // no format: acknowledged, ignored
    EXPECT_EQ(VideoFramesWritten(), fromFile);

    EXPECT_EQ(send(&topDown, 57600, 0x33), S_OK);
    EXPECT_EQ(ReadVideoFrameStatus().videoWidth, 160);
    EXPECT_EQ(VideoFramesWritten(), fromFile + 1);
    EXPECT_EQ(Texel(0, 0), "333333ff");
    AM_MEDIA_TYPE connected;
    ASSERT_EQ(captureGraph.renderer->InputPin()->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->bmiHeader.biHeight, -120);
    CoTaskMemFree(connected.pbFormat);

    // A short sample is not read.
    EXPECT_EQ(send(nullptr, 57599, 0x44), S_OK);
    EXPECT_EQ(VideoFramesWritten(), fromFile + 1);
    EXPECT_EQ(Texel(0, 0), "333333ff");

    allocator->Decommit();
    allocator->Release();
    input->Release();
}

}  // namespace
