// Capture for a build without a capture back end: there is never a device,
// and the saver runs on its still picture.
#include "video/capture_source.h"

bool BuildCaptureGraph() { return false; }

void ReleaseCaptureGraph() {}
