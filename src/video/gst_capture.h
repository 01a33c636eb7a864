// The GStreamer capture source's pipeline, for tests that change its caps
// while it streams. Linux only; the saver itself uses capture_source.h.
#pragma once

#include <gst/gst.h>

// The running capture pipeline (its appsink is "lumoxsink", the capsfilter
// before it "lumoxformat"), or null while none runs.
GstElement* CapturePipeline();
