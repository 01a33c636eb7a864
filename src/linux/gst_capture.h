// What the GStreamer capture source offers beyond capture_source.h: the
// choice of a camera, and for tests its pipeline (to change its caps while
// it streams) and the count of its threads left to a source that hangs.
// Linux only.
#pragma once

#include <gst/gst.h>

#include <string>

// From now on BuildCaptureGraph takes the first camera whose display name
// or device path contains nameOrPath (ignoring case); when none does, the
// first camera, after a note on stderr. Empty: the first camera.
void PreferCaptureDevice(const std::string& nameOrPath);

// The running capture pipeline (its appsink is "lumoxsink", the capsfilter
// before it "lumoxformat"), or null while none runs.
GstElement* CapturePipeline();

// What LUMOX_VIDEO_SOURCE=description is in the names the runs that share
// it meet under (SourceShareNames of share_rendezvous.h).
std::string DescribedSourceIdentity(const std::string& description);

// Capture threads that a release abandoned (held by their source, as a
// camera stuck in its open holds them) and that have not come back yet.
int AbandonedCaptureThreads();
