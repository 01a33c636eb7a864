// The video capture source: finds the first usable capture device and runs
// it into the frame exchange (frame_exchange.h). Implemented per platform:
// dshow_capture.cpp (a DirectShow graph into TextureRenderer) and
// gst_capture.cpp (a GStreamer pipeline into an appsink).
//
// The environment variable LUMOX_VIDEO_SOURCE replaces the device: on Linux
// it holds a gst-launch description of a source (for example
// "videotestsrc pattern=ball is-live=true" or "filesrc location=a.avi !
// decodebin"), on Windows the path of a video file the graph plays.
#pragma once

#include <cstdint>

// true when a device was found and its graph runs (or already ran). On
// Linux the graph is built on a thread of its own, whose start this waits
// for (a process told to end stops the wait).
bool BuildCaptureGraph();

// Starts the capture without holding up the run where the platform can. On
// Linux the graph is built on a thread of its own and this returns true at
// once; a start that fails says why on stderr ("lumox: " and the reason)
// and the still picture stays. On Windows it is BuildCaptureGraph, whose
// failure the caller says.
bool BeginCapture();

// Stops and releases the graph, after the end of a start still under way
// (whose wait for the source to play is cut short); nothing when none was
// built. On Linux it never waits long for the source: a thread still held
// by it a moment after the call (a camera stuck in its open) is abandoned,
// and the process then ends at its exit without waiting for that thread.
void ReleaseCaptureGraph();

// Why no video shows, in the words of this platform's capture framework,
// for ShowError: the last BuildCaptureGraph that failed, or the end of the
// source (or its silence) that WaitForFirstVideoFrame found. The saver then
// goes on with the still picture.
const char* CaptureFailureText();

// How a wait for the first frame ended.
enum class FirstFrame {
    Arrived,      // the sink holds a frame
    NoCapture,    // no graph runs: nothing to wait for
    SourceEnded,  // the stream ended or failed before its first frame
    TimedOut,     // the source is still running, but sent nothing in time
    Interrupted,  // the process was told to end (SIGTERM, SIGINT on Linux)
};

// Waits at most timeoutMs for the running graph's first frame in the sink
// (and, on Linux, for a start under way first: NoCapture when it failed,
// having said why), and no longer than the stream lasts. Only a headless snapshot uses it:
// the saver's own loop never waits.
FirstFrame WaitForFirstVideoFrame(uint32_t timeoutMs);
