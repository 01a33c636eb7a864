#include "render/frame_rate_meter.h"

#include <cstdio>

bool FrameRateMeter::AddFrame(uint64_t now, uint64_t paused) {
    if (!started_) {
        started_ = true;
        since_ = now;
        frames_ = 0;
        paused_ = 0;
        return false;
    }
    ++frames_;
    paused_ += paused;
    const uint64_t elapsed = now - since_;
    if (elapsed < 1000000) return false;
    framesPerSecond_ = frames_ * 1e6 / static_cast<double>(elapsed);
    const uint64_t busy = paused_ < elapsed ? elapsed - paused_ : 0;
    loadPercent_ = 100.0 * static_cast<double>(busy) / static_cast<double>(elapsed);
    since_ = now;
    frames_ = 0;
    paused_ = 0;
    return true;
}

std::string FrameRateLine(double framesPerSecond) {
    char text[48];
    std::snprintf(text, sizeof text, "FPS: %.1f", framesPerSecond);
    return text;
}

std::string LoadLine(double loadPercent) {
    char text[48];
    std::snprintf(text, sizeof text, "Load: %.1f%%", loadPercent);
    return text;
}
