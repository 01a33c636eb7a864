// Frame cost on the offscreen EGL context, with the render passes' exact
// savings off (the plain way) and on, measured side by side: the two take
// turns frame by frame on the same context, so that both meet the same load,
// and the median of each is shown.
// Also shown: the share of the screen the blur layers drew (of 30 whole
// screens), our own CPU work (the video upload, the animation and the
// building of the scene list) and the working out of the figure's footprint.
//
// usage: EGL_PLATFORM=surfaceless frame_bench [frames]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/clock.h"
#include "common/gl.h"
#include "host/gl_window.h"
#include "host/settings.h"
#include "render/frame.h"
#include "render/screen_reach.h"
#include "scene/animation.h"
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
        ResetRenderWindowState();
        saverSettings = SaverSettings{};
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
    std::printf("load average %.2f\n", LoadAverage());
    return 0;
}
