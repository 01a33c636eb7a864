// The figures of the --fps overlay: frames per second and the load (the
// share of the time not spent in the pause after a frame), as XScreenSaver's
// hacks compute them, and the overlay's two lines of text.
#pragma once

#include <cstdint>
#include <string>

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
