// Optional reports on the frames drawn: a per-frame trace written to the
// file named by the environment variable LUMOX_FRAME_TRACE (a line per frame
// with the viewport, the render window and the centre pixel, so that a run
// whose drawing cannot be seen from outside, such as a preview, can be
// checked), and XScreenSaver's frame-rate overlay of --fps: the frames per
// second and the load, bottom left, recomputed about once a second.
#pragma once

#include <cstdint>

#include "platform/gl_window.h"
#include "render/frame_rate_meter.h"

constexpr const char* kFrameTraceVariable = "LUMOX_FRAME_TRACE";

// The run's frame-rate overlay: a part of the run record, put back at the
// run's start. (The trace is the process's: one file for all its runs.)
struct FrameReports {
    bool frameRateOn = false;
    FrameRateMeter frameRate;
    uint64_t pauseSinceLastFrame = 0;
    // The glyphs belong to the context they were made on: made on the first
    // frame after EnableFrameRateReport, which each run calls on its own
    // context.
    bool fontMade = false;
    bool fontReady = false;
    OverlayFont overlayFont;
};

// Turns the frame-rate overlay on or off (off at start), for a run on the
// current context: the overlay's glyphs are made anew on it.
void EnableFrameRateReport(bool on);

// Called once per frame after it is composed and before it is shown: after
// the feedback copy, so the overlay never enters the tunnel.
void ReportFrame();

// The pause after the last frame took pausedMicroseconds; the load is the
// share of the time spent outside such pauses.
void NoteFramePause(uint64_t pausedMicroseconds);
