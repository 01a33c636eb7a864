#include "render/frame_report.h"

#include "common/clock.h"
#include "common/gl.h"
#include "host/gl_window.h"

#include <cstdio>
#include <cstdlib>

namespace {
bool frameRateOn = false;
FrameRateCounter frameRate;

bool traceChecked = false;
std::FILE* trace = nullptr;
unsigned long long framesTraced = 0;

void TraceFrame() {
    if (!traceChecked) {
        traceChecked = true;
        const char* path = std::getenv(kFrameTraceVariable);
        if (path && *path) {
            trace = std::fopen(path, "w");
            if (!trace) std::fprintf(stderr, "lumox: cannot write the frame trace %s\n", path);
        }
    }
    if (!trace) return;
    unsigned char pixel[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(renderWindow.viewportWidth / 2, renderWindow.viewportHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixel);
    std::fprintf(trace, "frame %llu viewport %dx%d window 0x%llx centre %u %u %u\n", ++framesTraced,
                 renderWindow.viewportWidth, renderWindow.viewportHeight,
                 static_cast<unsigned long long>(renderWindow.glWindow), pixel[0], pixel[1], pixel[2]);
    // Flushed line by line: the run may end by a signal or a lost display.
    std::fflush(trace);
}
}  // namespace

bool FrameRateCounter::AddFrame(uint32_t now, double& framesPerSecond) {
    if (!started_) {
        started_ = true;
        since_ = now;
        frames_ = 0;
        return false;
    }
    ++frames_;
    const uint32_t elapsed = now - since_;
    if (elapsed < 1000) return false;
    framesPerSecond = frames_ * 1000.0 / elapsed;
    since_ = now;
    frames_ = 0;
    return true;
}

void EnableFrameRateReport(bool on) { frameRateOn = on; }

void ReportFrame() {
    TraceFrame();
    double rate = 0;
    if (frameRateOn && frameRate.AddFrame(TickCount(), rate)) std::fprintf(stderr, "lumox: %.1f fps\n", rate);
}
