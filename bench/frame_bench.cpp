// Frame cost on the offscreen EGL context, split into our own CPU work (the
// video upload, the animation and the building of the scene list) and the
// GL passes: the RenderFrame call (the scene list walk and the submission of
// every pass) and the wait in glFinish for the rendering to complete.
//
// usage: EGL_PLATFORM=surfaceless frame_bench [frames]
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

struct Split {
    double cpu = 0, call = 0, wait = 0;
};

Split Measure(int frames, uint32_t& clock) {
    Split sum;
    for (int i = 0; i < frames; ++i) {
        HoldClockAt(clock);
        clock += 16;
        OfferCameraFrame();
        const auto t0 = Clock::now();
        UploadVideoFrame();
        AnimateScene();
        const auto t1 = Clock::now();
        RenderFrame();
        const auto t2 = Clock::now();
        glFinish();
        const auto t3 = Clock::now();
        sum.cpu += Ms(t0, t1);
        sum.call += Ms(t1, t2);
        sum.wait += Ms(t2, t3);
    }
    sum.cpu /= frames;
    sum.call /= frames;
    sum.wait /= frames;
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 40;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: frame_bench [frames > 0]\n");
        return 2;
    }
    std::printf("%-10s %-5s %5s | %9s | %9s %6s | %11s %10s\n", "size", "blur", "objs", "ms/frame", "our CPU", "share",
                "RenderFrame", "glFinish");
    const int sizes[][2] = {{640, 480}, {1600, 1200}};
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
                Measure(5, clock);  // warm up: textures made, caches filled
                const Split s = Measure(frames, clock);
                const double total = s.cpu + s.call + s.wait;
                std::printf("%4dx%-5d %-5s %5d | %9.2f | %9.3f %5.1f%% | %11.2f %10.2f\n", size[0], size[1],
                            blur ? "on" : "off", count, total, s.cpu, 100.0 * s.cpu / total, s.call, s.wait);
                std::fflush(stdout);
            }
        }
        ReleaseClock();
        ResetFrameExchange();
        DestroyGLWindow();
    }
    return 0;
}
