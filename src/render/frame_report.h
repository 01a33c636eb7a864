// Optional reports on the frames drawn: a per-frame trace written to the
// file named by the environment variable LUMOX_FRAME_TRACE (a line per frame
// with the viewport, the render window and the centre pixel, so that a run
// whose drawing cannot be seen from outside, such as a preview, can be
// checked), and the frame-rate figure of --fps on stderr once a second.
#pragma once

#include <cstdint>

constexpr const char* kFrameTraceVariable = "LUMOX_FRAME_TRACE";

// Turns the frame-rate figure on or off (off at start).
void EnableFrameRateReport(bool on);

// Called once per frame after it is composed and before it is shown.
void ReportFrame();

// Counts frames and gives the rate once at least a second has passed.
class FrameRateCounter {
public:
    // A frame was drawn at tick count now (milliseconds, wrapping). True
    // with framesPerSecond set when a second or more has passed since the
    // counting began; the count then starts again from now.
    bool AddFrame(uint32_t now, double& framesPerSecond);

private:
    bool started_ = false;
    uint32_t since_ = 0;
    uint32_t frames_ = 0;
};
