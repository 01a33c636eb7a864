// Frame cost on the offscreen EGL context, with the render passes' exact
// savings off (the plain way) and on, measured side by side: the two take
// turns frame by frame on the same context, so that both meet the same load,
// and the median of each is shown.
// Also shown: the share of the screen the blur layers drew (of 30 whole
// screens), our own CPU work (the video upload, the animation and the
// building of the scene list) and the working out of the figure's footprint.
//
// Then the start-up: the time from a run's start to its first frame, on a
// 640 x 480 offscreen surface, without a camera and with a test camera that
// takes a second to open (the test cameras of tests/gst), beside what
// building and starting that camera's pipeline takes, which the run does
// not wait for.
//
// usage: EGL_PLATFORM=surfaceless frame_bench [frames]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "common/clock.h"
#include "common/gl.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "render/frame.h"
#include "app/run.h"
#include "app/run_record.h"
#include "render/screen_reach.h"
#include "scene/animation.h"
#include "platform/capture_source.h"
#include "video/frame_exchange.h"
#include "video/texture_upload.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// A 256 x 256 picture on name 1, as the start-up leaves it.
void MakePicture() {
    std::vector<unsigned char> texels(256 * 256 * 4);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<unsigned char>((i * 37) ^ (i >> 9));
    glBindTexture(GL_TEXTURE_2D, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    pictureTexture = 1;
    nextTextureName = 2;
}

// A running capture with 160 x 120 frames, as a camera's capture side sets
// it up.
void StartCamera() {
    VideoFormat format;
    format.videoInfo = true;
    format.width = kVideoWidth;
    format.height = kVideoHeight;
    format.bitCount = 24;
    format.uncompressed = true;
    CheckVideoFormat(format);
    SetVideoFormat(format);
    SetCaptureRunning(true);
}

// A camera frame waiting in the exchange, so that every frame uploads one.
// Its conversion is the capture thread's work, outside the figures.
const std::vector<unsigned char> cameraFrame(kVideoWidth * kVideoHeight * 3, 128);
void OfferCameraFrame() { RenderVideoSample(cameraFrame.data(), cameraFrame.size(), 0); }

// The frames measured in one setting of the savings.
struct Samples {
    std::vector<double> total;
    double cpu = 0, footprint = 0, blurShare = 0;

    double Median() {
        std::sort(total.begin(), total.end());
        const size_t n = total.size();
        return n % 2 ? total[n / 2] : (total[n / 2 - 1] + total[n / 2]) / 2;
    }
};

// Draws one whole frame (finished with glFinish) and adds it to samples.
// The figure's footprint, which RenderFrame works out with the savings on,
// is also timed on its own, outside the frame.
void Measure(uint32_t& clock, Samples& samples) {
    const int w = renderWindow.viewportWidth, h = renderWindow.viewportHeight;
    HoldClockAt(clock);
    clock += 16;
    OfferCameraFrame();
    const auto t0 = Clock::now();
    UploadVideoFrame();
    AnimateScene();
    const auto t1 = Clock::now();
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    SceneListFootprint(sceneList, projection, w, h);
    const auto t2 = Clock::now();
    RenderFrame();
    glFinish();
    const auto t3 = Clock::now();
    samples.total.push_back(Ms(t0, t1) + Ms(t2, t3));
    samples.cpu += Ms(t0, t1);
    samples.footprint += Ms(t1, t2);
    samples.blurShare += frameSavingsReport.blurPixels / (30.0 * w * h);
}

// The system's load average over the last minute, or -1.
double LoadAverage() {
    double load = -1;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = -1;
        std::fclose(f);
    }
    return load;
}

#ifdef LUMOX_BENCH_CAMERAS
// Milliseconds from the start of a saver run (offscreen, the default
// settings and picture, nothing saved) to the swap of its first frame;
// cameras: the LUMOX_TEST_CAMERAS list ("" for none).
double FirstFrameMs(const char* cameras) {
    setenv("LUMOX_TEST_CAMERAS", cameras, 1);
    ResetFrameExchange();
    RunOptions options;
    options.window = RunWindow::Offscreen;
    options.offscreenWidth = 640;
    options.offscreenHeight = 480;
    options.frames = 1;
    options.pauseAfterFrame = false;
    options.maySaveSettings = false;
    options.settings.picture = LUMOX_BENCH_PICTURE;
    uint64_t firstFrame = 0;
    options.firstFrameAt = &firstFrame;
    const uint64_t start = MonotonicMicroseconds();
    if (RunSaver(options) != RunEnd::Done || firstFrame == 0) return -1;
    return static_cast<double>(firstFrame - start) / 1000.0;
}

// Milliseconds BuildCaptureGraph takes to start the cameras' first device.
double BuildMs(const char* cameras) {
    setenv("LUMOX_TEST_CAMERAS", cameras, 1);
    const auto start = Clock::now();
    const bool built = BuildCaptureGraph();
    const double ms = Ms(start, Clock::now());
    ReleaseCaptureGraph();
    return built ? ms : -1;
}

// The start-up figures, with the test cameras loaded (a registry of the
// bench's own, and no settings file of the user's).
void StartUpFigures() {
    setenv("GST_PLUGIN_PATH", LUMOX_BENCH_CAMERAS "/plugins", 1);
    setenv("GST_REGISTRY", LUMOX_BENCH_CAMERAS "/bench-registry.bin", 1);
    unsetenv("LUMOX_VIDEO_SOURCE");
    char settingsDir[] = "/tmp/lumox-bench-XXXXXX";
    if (!mkdtemp(settingsDir)) return;
    OverrideSettingsDirectory(settingsDir);
    const char slowCamera[] = "Slow Camera,/dev/lumox-slow,00ff00,slow";
    // The runs' own notices ("No camera was found ...") kept off the table.
    std::fflush(stderr);
    const int savedStderr = dup(2);
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, 2);
    FirstFrameMs("");  // GStreamer's registry made, outside the figures
    Samples none, slow;
    for (int run = 0; run < 5; ++run) {
        none.total.push_back(FirstFrameMs(""));
        slow.total.push_back(FirstFrameMs(slowCamera));
    }
    const double build = BuildMs(slowCamera);
    std::fflush(stderr);
    if (savedStderr >= 0) dup2(savedStderr, 2);
    if (quiet >= 0) close(quiet);
    if (savedStderr >= 0) close(savedStderr);
    OverrideSettingsDirectory(nullptr);
    std::remove((std::string(settingsDir) + "/lumox.cfg").c_str());
    rmdir(settingsDir);
    const double without = none.Median(), with = slow.Median();
    if (none.total.front() < 0 || slow.total.front() < 0 || build < 0) {
        std::printf("start to first frame: a run or the camera's start failed; no figures\n");
        return;
    }
    std::printf("start to first frame at 640x480, median of 5: without a camera %.1f ms; with a camera that takes "
                "1 s to open %.1f ms (%+.1f ms); starting that camera takes %.1f ms, beside the run\n",
                without, with, with - without, build);
}
#else
void StartUpFigures() { std::printf("start to first frame: not measured (built without the test cameras)\n"); }
#endif

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 40;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: frame_bench [frames > 0]\n");
        return 2;
    }
    std::printf("median ms per frame of %d, savings off and on in alternate frames; load average %.2f\n", frames,
                LoadAverage());
    std::printf("%-10s %-5s %5s | %8s %8s %6s | %10s | %8s %9s\n", "size", "blur", "objs", "plain", "savings", "ratio",
                "blur drew", "our CPU", "footprint");
    const int sizes[][2] = {{640, 480}, {1920, 1080}, {1600, 1200}};
    for (const auto& size : sizes) {
        ResetRun();
        ApplyDefaultSettings();
        if (!CreateOffscreenGLWindow(size[0], size[1], 32)) {
            std::fprintf(stderr, "frame_bench: no offscreen OpenGL context (EGL)\n");
            return 1;
        }
        MakePicture();
        StartCamera();
        std::srand(1);
        uint32_t clock = 100000;
        for (int blur : {1, 0}) {
            for (int count : {50, 1000}) {
                saverSettings.radialBlur = blur;
                saverSettings.pulseObjectCount = count;
                // Warm up (textures made, shaders compiled), then alternate
                // frame by frame, so that a change of load falls on both alike.
                Samples plain, saving;
                for (int i = 0; i < 2 * (frames + 3); ++i) {
                    frameSavings = i % 2 == 1;
                    Samples& samples = frameSavings ? saving : plain;
                    Measure(clock, samples);
                    if (i < 6) samples = Samples{};
                }
                frameSavings = true;
                const double off = plain.Median(), with = saving.Median();
                std::printf("%4dx%-5d %-5s %5d | %8.2f %8.2f %6.3f | %9.1f%% | %8.3f %9.3f\n", size[0], size[1],
                            blur ? "on" : "off", count, off, with, with / off,
                            blur ? 100.0 * saving.blurShare / frames : 0.0, saving.cpu / frames,
                            saving.footprint / frames);
                std::fflush(stdout);
            }
        }
        ReleaseClock();
        ResetFrameExchange();
        DestroyGLWindow();
    }
    StartUpFigures();
    std::printf("load average %.2f\n", LoadAverage());
    return 0;
}
