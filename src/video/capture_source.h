// The video capture source: finds the first usable capture device and runs
// it into the frame sink (frame_sink.h). Implemented per platform:
// dshow_capture.cpp (a DirectShow graph into TextureRenderer) and
// gst_capture.cpp (a GStreamer pipeline into an appsink).
//
// The environment variable LUMOX_VIDEO_SOURCE replaces the device: on Linux
// it holds a gst-launch description of a source (for example
// "videotestsrc pattern=ball is-live=true" or "filesrc location=a.avi !
// decodebin"), on Windows the path of a video file the graph plays.
#pragma once

#include <cstdint>

// true when a device was found and its graph runs (or already ran).
bool BuildCaptureGraph();

// Stops and releases the graph; nothing when none was built.
void ReleaseCaptureGraph();

// Waits at most timeoutMs for the running graph's first frame in the sink;
// false at once when no graph runs, or when the stream reports an error.
// Only a headless snapshot uses it: the saver's own loop never waits.
bool WaitForFirstVideoFrame(uint32_t timeoutMs);
