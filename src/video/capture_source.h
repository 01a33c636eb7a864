// The video capture source: finds the first usable capture device and runs
// it into the frame sink.
#pragma once

// true when a device was found and its graph runs.
bool BuildCaptureGraph();

// Stops and releases the graph; nothing when none was built.
void ReleaseCaptureGraph();
