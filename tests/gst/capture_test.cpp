// The GStreamer capture source driven through real pipelines (videotestsrc),
// and the frame exchange under load on the offscreen GL context.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_dir.h"

#include "common/clock.h"
#include "common/gl.h"
#include "platform/gl_window.h"
#include "app/run.h"
#include "app/run_record.h"
#include "platform/capture_source.h"
#include "video/fallback_image.h"
#include "video/frame_exchange.h"
#include "linux/gst_capture.h"
#include "linux/share_rendezvous.h"
#include "video/texture_upload.h"

namespace {

extern "C" char** environ;

class GstCaptureTest : public ::testing::Test {
protected:
    // A runtime directory of the tests' own, so that the runs here share
    // their sources with no one else's.
    static void SetUpTestSuite() {
        runtime = new TempDir;
        chmod(runtime->path().c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime->path().c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("XDG_RUNTIME_DIR");
        delete runtime;
    }
    static TempDir* runtime;
    // The names under which runs of LUMOX_VIDEO_SOURCE=description meet.
    static ShareNames NamesOf(const std::string& description) {
        std::string problem;
        const std::string directory = ShareDirectory(runtime->path().c_str(), "/tmp", geteuid(), problem);
        EXPECT_EQ(problem, "");
        return SourceShareNames(directory, DescribedSourceIdentity(description));
    }
    void SetUp() override { ResetFrameExchange(); }
    void TearDown() override {
        ReleaseCaptureGraph();
        unsetenv("LUMOX_VIDEO_SOURCE");
        unsetenv("LUMOX_TEST_CAMERAS");
        PreferCaptureDevice("");
        ResetFrameExchange();
    }
    static bool BuildWith(const char* source) {
        setenv("LUMOX_VIDEO_SOURCE", source, 1);
        return BuildCaptureGraph();
    }
    // The plugin of test_cameras.c, found through GST_PLUGIN_PATH.
    static bool TestCamerasLoaded() {
        gst_init(nullptr, nullptr);
        GstElementFactory* factory = gst_element_factory_find("lumoxtestsrc");
        if (factory) gst_object_unref(factory);
        return factory != nullptr;
    }
    // Texel (x, y) of a copy of frameBuffer.
    static std::string Texel(int x, int y) {
        const std::vector<unsigned char> buffer = CopyFrameBuffer();
        if (buffer.empty()) return "no buffer";
        const unsigned char* t = &buffer[(static_cast<size_t>(y) * ReadVideoFrameStatus().frameTexWidth + x) * 4];
        char text[32];
        std::snprintf(text, sizeof text, "%02x%02x%02x%02x", t[0], t[1], t[2], t[3]);
        return text;
    }
};

TempDir* GstCaptureTest::runtime = nullptr;

TEST_F(GstCaptureTest, SolidColourArrivesAsExactTexels) {
    ASSERT_TRUE(BuildWith("videotestsrc pattern=solid-color foreground-color=0xff102030 is-live=true"));
    EXPECT_TRUE(CaptureRunning());
    ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived);
    const VideoFrameStatus status = ReadVideoFrameStatus();
    EXPECT_EQ(status.videoWidth, 160);
    EXPECT_EQ(status.videoHeight, 120);
    EXPECT_EQ(status.frameTexWidth, 256);
    EXPECT_EQ(status.frameTexHeight, 256);
    EXPECT_TRUE(status.newFrame);
    EXPECT_EQ(Texel(0, 0), "102030ff");
    EXPECT_EQ(Texel(159, 119), "102030ff");
    EXPECT_EQ(Texel(160, 0), "00000000");
    EXPECT_EQ(Texel(0, 120), "00000000");
    EXPECT_EQ(Texel(255, 255), "00000000");

    // A second build while running builds nothing.
    GstElement* pipeline = CapturePipeline();
    EXPECT_TRUE(BuildCaptureGraph());
    EXPECT_EQ(CapturePipeline(), pipeline);

    ReleaseCaptureGraph();
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(CapturePipeline(), nullptr);
    EXPECT_EQ(WaitForFirstVideoFrame(100), FirstFrame::NoCapture);
    ReleaseCaptureGraph();  // nothing left to release
}

TEST_F(GstCaptureTest, TopRowOfThePictureIsTextureRowZero) {
    // SMPTE bars: white at the top left, dark blue at the bottom left.
    ASSERT_TRUE(BuildWith("videotestsrc pattern=smpte is-live=true"));
    ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived);
    EXPECT_EQ(Texel(0, 0), "ffffffff");
    EXPECT_EQ(Texel(0, 119), "000080ff");
}

TEST_F(GstCaptureTest, BrokenOrEndingSourcesFailTheBuild) {
    for (const char* source : {"nosuchelement", "videotestsrc ! nosuchelement", "videotestsrc ! fakesink",
                               "v4l2src device=/dev/lumox-none",
                               "videotestsrc ! video/x-raw,width=320 ! identity ! video/x-raw,width=640"}) {
        EXPECT_FALSE(BuildWith(source)) << source;
        EXPECT_FALSE(CaptureRunning()) << source;
        EXPECT_EQ(CapturePipeline(), nullptr) << source;
        // The notice names the source and gives GStreamer's reason.
        const std::string notice = CaptureFailureText();
        EXPECT_EQ(notice.find(std::string("LUMOX_VIDEO_SOURCE \"") + source + "\" "), 0u) << notice;
        EXPECT_NE(notice.find(" ("), std::string::npos) << notice;
        EXPECT_NE(notice.find("): showing the still picture."), std::string::npos) << notice;
    }
    EXPECT_FALSE(BuildWith("nosuchelement"));
    EXPECT_NE(std::string(CaptureFailureText()).find("cannot be made (no element \"nosuchelement\")"),
              std::string::npos)
        << CaptureFailureText();
    EXPECT_FALSE(BuildWith("v4l2src device=/dev/lumox-none"));  // made, but it cannot play
    EXPECT_NE(std::string(CaptureFailureText()).find("did not start ("), std::string::npos) << CaptureFailureText();
    // Nothing of the environment's text reaches a terminal as a control byte.
    EXPECT_FALSE(BuildWith("nosuch\x1b[2Jelement"));
    EXPECT_EQ(std::string(CaptureFailureText()).find('\x1b'), std::string::npos);
    EXPECT_NE(std::string(CaptureFailureText()).find("nosuch\\x1b[2Jelement"), std::string::npos);
    ReleaseCaptureGraph();
    EXPECT_FALSE(CaptureRunning());

    // A source that ends before its first frame: either the build sees the
    // end already, or the wait ends with it, not at the deadline.
    for (const char* source : {"videotestsrc num-buffers=0", "videotestsrc is-live=true num-buffers=0"}) {
        if (BuildWith(source)) {
            EXPECT_EQ(WaitForFirstVideoFrame(600000), FirstFrame::SourceEnded) << source;
            EXPECT_NE(std::string(CaptureFailureText()).find("ended before its first frame"), std::string::npos)
                << CaptureFailureText();
        } else {
            EXPECT_NE(std::string(CaptureFailureText()).find("did not start (the stream ended)"), std::string::npos)
                << CaptureFailureText();
        }
        ReleaseCaptureGraph();
    }
}

TEST_F(GstCaptureTest, WithoutADeviceTheBuildFails) {
    unsetenv("LUMOX_VIDEO_SOURCE");
    ASSERT_TRUE(gst_init_check(nullptr, nullptr, nullptr));
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    const bool anyDevice = devices != nullptr;
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    if (anyDevice) GTEST_SKIP() << "this machine has a video device";
    EXPECT_FALSE(BuildCaptureGraph());
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(WaitForFirstVideoFrame(100), FirstFrame::NoCapture);
    EXPECT_STREQ(CaptureFailureText(), "No camera was found: showing the still picture.");
}

// The test cameras (test_cameras.c): a camera another process holds fails
// at start with V4L2's "busy" error, and is no camera: no graph, the still
// picture stays.
TEST_F(GstCaptureTest, BusyCameraIsNoCamera) {
    ASSERT_TRUE(TestCamerasLoaded());
    EXPECT_FALSE(BuildWith("lumoxtestsrc busy=true"));
    EXPECT_FALSE(CaptureRunning());
    unsetenv("LUMOX_VIDEO_SOURCE");
    setenv("LUMOX_TEST_CAMERAS", "Busy Camera,/dev/lumox-busy,ff0000,busy", 1);
    EXPECT_FALSE(BuildCaptureGraph());
    EXPECT_FALSE(CaptureRunning());
    const std::string why = CaptureFailureText();
    EXPECT_EQ(why.rfind("The camera \"Busy Camera\" did not start (", 0), 0u) << why;
    EXPECT_NE(why.find("busy"), std::string::npos) << why;
    EXPECT_EQ(WaitForFirstVideoFrame(100), FirstFrame::NoCapture);
}

// BeginCapture starts the camera beside the run. A camera that takes two
// seconds to open holds up nobody: the call is back while the camera is
// still opening, and its frames come once it has.
TEST_F(GstCaptureTest, BeginCaptureNeverWaitsForTheCamera) {
    ASSERT_TRUE(TestCamerasLoaded());
    setenv("LUMOX_VIDEO_SOURCE", "lumoxtestsrc start-delay=2000 colour=0x00ff00", 1);
    EXPECT_TRUE(BeginCapture());
    EXPECT_TRUE(BeginCapture());  // one start at a time
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(VideoFramesWritten(), 0u);
    ASSERT_EQ(WaitForFirstVideoFrame(30000), FirstFrame::Arrived);
    EXPECT_TRUE(CaptureRunning());
    EXPECT_EQ(Texel(0, 0), "00ff00ff");
    ReleaseCaptureGraph();
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(CapturePipeline(), nullptr);
}

// A start that fails says so once, on stderr, from its own thread; the wait
// then finds no capture and adds nothing. A start cut short (a release, or
// a first-frame wait that gives up) says nothing of its own.
TEST_F(GstCaptureTest, StartBesideTheRunSaysItsFailureOnce) {
    ASSERT_TRUE(TestCamerasLoaded());
    setenv("LUMOX_VIDEO_SOURCE", "lumoxtestsrc busy=true", 1);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(BeginCapture());
    EXPECT_EQ(WaitForFirstVideoFrame(30000), FirstFrame::NoCapture);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("lumox: LUMOX_VIDEO_SOURCE \"lumoxtestsrc busy=true\" did not start (", 0), 0u) << said;
    EXPECT_EQ(said.find("lumox:", 1), std::string::npos) << said;
    EXPECT_EQ(std::string(CaptureFailureText()) + "\n", said.substr(7));
    EXPECT_FALSE(CaptureRunning());
    ReleaseCaptureGraph();

    // A source that never plays: released at once, or given up by the wait.
    setenv("LUMOX_VIDEO_SOURCE", "videotestsrc ! valve drop=true", 1);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(BeginCapture());
    ReleaseCaptureGraph();
    EXPECT_FALSE(CaptureRunning());
    EXPECT_TRUE(BeginCapture());
    EXPECT_EQ(WaitForFirstVideoFrame(300), FirstFrame::TimedOut);
    EXPECT_STREQ(CaptureFailureText(), "LUMOX_VIDEO_SOURCE \"videotestsrc ! valve drop=true\" sent no frame within 300 ms.");
    ReleaseCaptureGraph();
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "");
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(CapturePipeline(), nullptr);
}

// Whether a thread of this process waits in the open of a FIFO that has no
// writer (Linux names that wait in the thread's wchan).
bool ThreadWaitsInFifoOpen() {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream wchan(task.path() / "wchan");
        std::string where;
        if (std::getline(wchan, where) && where == "wait_for_partner") return true;
    }
    return false;
}

// Waits up to 30 s for done().
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 3000 && !done(); ++i) SleepMilliseconds(10);
    return done();
}

// A source held in its open (a FIFO nobody writes) holds up nobody: the
// first-frame wait gives up at its deadline and the release returns,
// leaving the start to its thread, which is never joined. When the source
// comes back (a writer opens the FIFO), that thread frees its own pipeline
// and reaches nothing of the run started meanwhile: no end, no frame of its
// own, no word on stderr.
TEST_F(GstCaptureTest, StartHeldByItsSourceIsAbandonedNotJoined) {
    TempDir dir;
    const std::string fifo = (dir.path() / "silent").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    setenv("LUMOX_VIDEO_SOURCE", ("filesrc location=" + fifo + " ! decodebin").c_str(), 1);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(BeginCapture());
    ASSERT_TRUE(Eventually(ThreadWaitsInFifoOpen));
    EXPECT_EQ(WaitForFirstVideoFrame(300), FirstFrame::TimedOut);
    ReleaseCaptureGraph();
    EXPECT_EQ(AbandonedCaptureThreads(), 1);
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(CapturePipeline(), nullptr);

    ASSERT_TRUE(BuildWith("videotestsrc pattern=solid-color foreground-color=0xff102030 is-live=true"));
    ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived);
    // A writer that comes and goes lets the open return (the source may
    // open the FIFO again as it changes how it is read); the reads then
    // find the end of the file.
    EXPECT_TRUE(Eventually([&fifo] {
        if (ThreadWaitsInFifoOpen()) {
            const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer >= 0) close(writer);
        }
        return AbandonedCaptureThreads() == 0;
    }));
    const uint32_t written = VideoFramesWritten();
    EXPECT_TRUE(Eventually([written] { return VideoFramesWritten() > written; }));
    EXPECT_TRUE(CaptureRunning());
    EXPECT_FALSE(CaptureEnded());
    EXPECT_EQ(Texel(0, 0), "102030ff");
    ReleaseCaptureGraph();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// --device: the first camera whose name or device path holds the text,
// ignoring case; none does: the first camera.
TEST_F(GstCaptureTest, CameraIsChosenByNameOrDevicePath) {
    ASSERT_TRUE(TestCamerasLoaded());
    unsetenv("LUMOX_VIDEO_SOURCE");
    setenv("LUMOX_TEST_CAMERAS", "Front Camera,/dev/lumox-front,00ff00;Rear Camera,/dev/lumox-rear,0000ff", 1);
    const std::pair<const char*, const char*> choices[] = {
        {"", "00ff00ff"},     {"rear", "0000ffff"},       {"REAR cam", "0000ffff"},
        {"lumox-rear", "0000ffff"}, {"/dev/lumox-front", "00ff00ff"}, {"no such camera", "00ff00ff"}};
    for (const auto& [preferred, texel] : choices) {
        PreferCaptureDevice(preferred);
        ASSERT_TRUE(BuildCaptureGraph()) << preferred;
        ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived) << preferred;
        EXPECT_EQ(Texel(0, 0), texel) << preferred;
        ReleaseCaptureGraph();
        ResetFrameExchange();
    }
}

// A 2 x 2 red 24-bit bitmap.
void WriteRedPicture(const std::string& path) {
    std::vector<unsigned char> file(54 + 2 * 8, 0);
    const unsigned char header[] = {'B', 'M'};
    std::memcpy(file.data(), header, 2);
    auto put = [&](size_t at, uint32_t value) { std::memcpy(&file[at], &value, 4); };
    put(2, static_cast<uint32_t>(file.size()));
    put(10, 54);
    put(14, 40);
    put(18, 2);
    put(22, 2);
    file[26] = 1;
    file[28] = 24;
    for (size_t row = 0; row < 2; ++row)
        for (size_t x = 0; x < 2; ++x) file[54 + row * 8 + x * 3 + 2] = 255;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

// Texel (0, 0) of pictureTexture as the GL holds it.
std::string PictureTexel() {
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(pictureTexture));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<unsigned char> texels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    char text[32];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", texels[0], texels[1], texels[2], texels[3]);
    return text;
}

// A camera pulled out during the run, and a stream that ends: the graph is
// stopped there and then, no frame follows, and the figure shows the still
// picture again, for good, until the graph is released.
TEST_F(GstCaptureTest, StreamThatStopsGivesTheFigureBackToThePicture) {
    TempDir dir;
    const std::string picture = (dir.path() / "red.bmp").string();
    WriteRedPicture(picture);
    ResetRun();
    ASSERT_EQ(CreateOffscreenGLWindow(64, 48, 32), 1);
    OverridePicturePath(picture);
    ASSERT_EQ(LoadFallbackImage(), 1);
    OverridePicturePath("");
    ASSERT_EQ(PictureTexel(), "ff0000ff");

    for (const char* source : {"lumoxtestsrc frames=8 fail=true colour=0x00ff00",
                               "videotestsrc is-live=true num-buffers=8 pattern=solid-color "
                               "foreground-color=0xff00ff00"}) {
        ResetFrameExchange();
        ASSERT_TRUE(BuildWith(source)) << source;
        ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived) << source;
        bool sawVideo = false, sawPictureAgain = false;
        for (int pass = 0; pass < 2000 && !sawPictureAgain; ++pass) {
            ComposeFrame();
            const std::string texel = PictureTexel();
            sawVideo = sawVideo || texel == "00ff00ff";
            sawPictureAgain = sawVideo && texel == "ff0000ff";
            SleepMilliseconds(5);
        }
        EXPECT_TRUE(sawVideo) << source;
        ASSERT_TRUE(sawPictureAgain) << source;
        // The frames end with the stream: none beyond the eight sent. The
        // queue between the source and the run's own sink may still hold
        // the last when a failure is seen, and the graph is stopped there.
        const uint32_t written = VideoFramesWritten();
        EXPECT_GE(written, 1u) << source;
        EXPECT_LE(written, 8u) << source;
        EXPECT_TRUE(CaptureRunning()) << source;  // until released
        SleepMilliseconds(100);
        EXPECT_EQ(VideoFramesWritten(), written) << source;
        for (int pass = 0; pass < 5; ++pass) ComposeFrame();
        EXPECT_EQ(PictureTexel(), "ff0000ff") << source;
        EXPECT_EQ(WaitForFirstVideoFrame(100), FirstFrame::Arrived);
        ReleaseCaptureGraph();
        EXPECT_FALSE(CaptureRunning());
    }
    DestroyGLWindow();
}

// The render thread's view of the exchange: every frame it takes (before
// the frame step's own upload) is whole and of the accepted format, and it
// never waits. Counts the takes, the passes that found the capture side
// busy, and those that saw the format refused.
struct UploadProbe {
    int uploads = 0, busy = 0, refusedSeen = 0, bad = 0;
    void Poll() {
        switch (TakeNewestFrame(Check, this)) {
            case FrameTake::Taken: ++uploads; break;
            case FrameTake::Busy: ++busy; return;
            case FrameTake::NoNewFrame: break;
        }
        if (ReadVideoFrameStatus().videoWidth == 0) ++refusedSeen;
    }
    static void Check(const VideoFrame& frame, void* context) {
        auto* probe = static_cast<UploadProbe*>(context);
        if (frame.videoWidth != 160 || frame.videoHeight != 120 || frame.width != 256 || frame.height != 256)
            ++probe->bad;
        const unsigned char* b = frame.texels;
        if (b[3] != 255 || b[(119 * 256 + 159) * 4 + 3] != 255 || b[160 * 4 + 3] != 0 || b[(120 * 256) * 4 + 3] != 0)
            ++probe->bad;
        glBindTexture(GL_TEXTURE_2D, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, b);
    }
};

void SetCaps(const char* element, const char* caps) {
    GstElement* filter = gst_bin_get_by_name(GST_BIN(CapturePipeline()), element);
    ASSERT_NE(filter, nullptr) << element;
    GstCaps* value = gst_caps_from_string(caps);
    g_object_set(filter, "caps", value, nullptr);
    gst_caps_unref(value);
    gst_object_unref(filter);
}

// A 60 fps live stream while the render loop draws 2000 frames; the stream's
// caps change under it, upstream (the scaler follows) and at the sink (the
// format is refused, then taken again with a new buffer).
TEST_F(GstCaptureTest, FrameExchangeHoldsUnderCapsChanges) {
    ResetRun();
    ASSERT_EQ(CreateOffscreenGLWindow(64, 64, 32), 1);
    ASSERT_TRUE(BuildWith("videotestsrc pattern=ball is-live=true ! "
                          "capsfilter name=upstream caps=video/x-raw,width=320,height=240,framerate=60/1"));
    ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived);

    const char* upstream[] = {"video/x-raw,width=320,height=240,framerate=60/1",
                              "video/x-raw,width=640,height=360,framerate=60/1"};
    const char* sinkCaps[] = {"video/x-raw,format=BGR,width=160,height=120,pixel-aspect-ratio=1/1",
                              "video/x-raw,format=BGR,width=320,height=240,pixel-aspect-ratio=1/1"};
    UploadProbe probe;
    uint32_t writtenAtLastSwitch = 0;
    for (int frame = 1; frame <= 2000; ++frame) {
        // The probe takes each new frame before the frame step's own upload.
        probe.Poll();
        ComposeFrame();
        SwapGLBuffers();
        SleepMilliseconds(2);
        if (frame % 200 == 0) {
            const int phase = frame / 200;
            SetCaps("upstream", upstream[phase % 2]);
            // The last switch (phase 10) goes back to 160 x 120.
            SetCaps("lumoxformat", sinkCaps[(phase / 2) % 2 == 1 && phase < 10]);
            writtenAtLastSwitch = VideoFramesWritten();
        }
    }
    // Frames keep coming after the last switch back to 160 x 120.
    const auto deadline = TickCount() + 5000;
    while (VideoFramesWritten() == writtenAtLastSwitch && static_cast<int32_t>(deadline - TickCount()) > 0)
        SleepMilliseconds(5);
    EXPECT_GT(VideoFramesWritten(), writtenAtLastSwitch);
    ReleaseCaptureGraph();
    DestroyGLWindow();

    std::printf("uploads %d, render frames that found the sink busy %d, frames with the format refused %d\n",
                probe.uploads, probe.busy, probe.refusedSeen);
    EXPECT_EQ(probe.bad, 0);
    EXPECT_GT(probe.uploads, 50);
    EXPECT_GT(probe.refusedSeen, 0);
}

// Starts a program of the system (found on PATH) with this environment.
pid_t Spawn(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

void EndChild(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool IsSocket(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// The shared memory that process pid made, left in /dev/shm.
int SegmentsOf(pid_t pid) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm"))
        count += SegmentWriterPid(entry.path().filename().c_str()) == pid;
    return count;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Another run owns the source (here gst-launch, writing blue frames into
// shmsink while it holds the lock, its pid in the lock file): this run shows its frames without
// opening the source. When that owner is killed, this run takes the source
// over, clears what the killed one left, and shows its own green; its
// release leaves nothing behind.
TEST_F(GstCaptureTest, AnotherRunsSourceIsFollowedThenTakenOver) {
    const std::string own = "videotestsrc is-live=true pattern=solid-color foreground-color=0xff00ff00";
    const ShareNames names = NamesOf(own);
    const pid_t other = Spawn({"flock", "--no-fork", "-n", names.lock, "gst-launch-1.0", "-q", "videotestsrc",
                               "is-live=true", "pattern=solid-color", "foreground-color=0xff0000ff", "!",
                               "video/x-raw,format=BGR,width=160,height=120,framerate=30/1", "!", "shmsink",
                               "socket-path=" + names.socket, "wait-for-connection=false", "sync=false",
                               "perms=0600", "shm-size=576000"});
    ASSERT_GT(other, 0);
    ASSERT_TRUE(Eventually([&names] { return IsSocket(names.socket); }));
    std::ofstream(names.lock) << other << "\n";  // as an owner says who it is

    setenv("LUMOX_VIDEO_SOURCE", own.c_str(), 1);
    ASSERT_TRUE(BuildCaptureGraph());
    ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived);
    EXPECT_EQ(Texel(0, 0), "0000ffff");
    EXPECT_EQ(FileText(names.lock), std::to_string(other) + "\n");

    const auto killed = std::chrono::steady_clock::now();
    EndChild(other);
    EXPECT_TRUE(Eventually([] { return Texel(0, 0) == "00ff00ff"; }));
    std::printf("the source taken over %lld ms after its owner was killed\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - killed)
                                           .count()));
    EXPECT_EQ(SegmentsOf(other), 0);
    EXPECT_EQ(FileText(names.lock), std::to_string(getpid()) + "\n");
    EXPECT_TRUE(IsSocket(names.socket));
    EXPECT_TRUE(CaptureRunning());

    ReleaseCaptureGraph();
    EXPECT_FALSE(std::filesystem::exists(names.lock));
    EXPECT_FALSE(std::filesystem::exists(names.socket));
    EXPECT_EQ(SegmentsOf(getpid()), 0);
}

// A reader of the owner's frames that stops reading (here SIGSTOP) fills
// shmsink's area, which then waits: the owner's own picture goes on.
TEST_F(GstCaptureTest, ReaderThatStopsNeverHoldsUpTheOwner) {
    const std::string source = "videotestsrc is-live=true pattern=solid-color foreground-color=0xff102030";
    const ShareNames names = NamesOf(source);
    ASSERT_TRUE(BuildWith(source.c_str()));
    ASSERT_EQ(WaitForFirstVideoFrame(5000), FirstFrame::Arrived);
    ASSERT_TRUE(IsSocket(names.socket));
    const pid_t reader = Spawn({"gst-launch-1.0", "-q", "shmsrc", "socket-path=" + names.socket, "is-live=true",
                                "!", "fakesink", "sync=false"});
    ASSERT_GT(reader, 0);
    // Stopped once it has the owner's shared memory mapped.
    const std::string maps = "/proc/" + std::to_string(reader) + "/maps";
    ASSERT_TRUE(Eventually([&maps] { return FileText(maps).find("/dev/shm/shmpipe.") != std::string::npos; }));
    kill(reader, SIGSTOP);
    // The area holds ten frames: sixty more prove the owner never waited.
    const uint32_t written = VideoFramesWritten();
    EXPECT_TRUE(Eventually([written] { return VideoFramesWritten() > written + 60; }));
    EndChild(reader);
    ReleaseCaptureGraph();
    EXPECT_FALSE(std::filesystem::exists(names.socket));
}

}  // namespace
