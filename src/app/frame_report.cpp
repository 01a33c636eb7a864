#include "app/frame_report.h"

#include "app/run_record.h"
#include "common/clock.h"
#include "common/gl.h"
#include "render/text_overlay.h"

#include <cstdio>
#include <cstdlib>

namespace {
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

void DrawFrameRate(FrameReports& reports) {
    if (!reports.fontMade) {
        reports.fontMade = true;
        reports.fontReady = MakeOverlayFont(reports.overlayFont);
        if (!reports.fontReady) std::fprintf(stderr, "lumox: --fps: no font of the window system here, no overlay\n");
    }
    FrameRateMeter& meter = reports.frameRate;
    meter.AddFrame(MonotonicMicroseconds(), reports.pauseSinceLastFrame);
    reports.pauseSinceLastFrame = 0;
    if (!reports.fontReady) return;
    const std::string lines[] = {FrameRateLine(meter.FramesPerSecond()), LoadLine(meter.LoadPercent())};
    const char* const text[] = {lines[0].c_str(), lines[1].c_str()};
    DrawOverlayText(reports.overlayFont, text, 2);
}
}  // namespace

void EnableFrameRateReport(bool on) {
    saverRun.frameReports.frameRateOn = on;
    saverRun.frameReports.fontMade = false;
}

void NoteFramePause(uint64_t pausedMicroseconds) { saverRun.frameReports.pauseSinceLastFrame += pausedMicroseconds; }

void ReportFrame() {
    TraceFrame();
    if (saverRun.frameReports.frameRateOn) DrawFrameRate(saverRun.frameReports);
}
