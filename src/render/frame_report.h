// Optional reports on the frames drawn: a per-frame trace written to the
// file named by the environment variable LUMOX_FRAME_TRACE (a line per frame
// with the viewport, the render window and the centre pixel, so that a run
// whose drawing cannot be seen from outside, such as a preview, can be
// checked), and XScreenSaver's frame-rate overlay of --fps: the frames per
// second and the load, bottom left, recomputed about once a second.
#pragma once

#include <cstdint>
#include <string>

constexpr const char* kFrameTraceVariable = "LUMOX_FRAME_TRACE";

// Turns the frame-rate overlay on or off (off at start).
void EnableFrameRateReport(bool on);

// Called once per frame after it is composed and before it is shown: after
// the feedback copy, so the overlay never enters the tunnel.
void ReportFrame();

// The pause after the last frame took pausedMicroseconds; the load is the
// share of the time spent outside such pauses.
void NoteFramePause(uint64_t pausedMicroseconds);

// Frames per second and load, as XScreenSaver's hacks compute them.
class FrameRateMeter {
public:
    // A frame was reported at now (microseconds of a steady clock), after
    // paused microseconds of pause since the one before. true when a
    // second or more has passed since the figures were last computed: they
    // are then recomputed and the counting starts again from now.
    bool AddFrame(uint64_t now, uint64_t paused);
    double FramesPerSecond() const { return framesPerSecond_; }
    double LoadPercent() const { return loadPercent_; }

private:
    bool started_ = false;
    uint64_t since_ = 0;
    uint64_t paused_ = 0;
    uint32_t frames_ = 0;
    double framesPerSecond_ = 0;
    double loadPercent_ = 0;
};

// The overlay's two lines: "FPS: 59.8" and "Load: 12.3%".
std::string FrameRateLine(double framesPerSecond);
std::string LoadLine(double loadPercent);
