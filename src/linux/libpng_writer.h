// Writing a rendered frame as a PNG file: the snapshot's output (libpng,
// Linux build).
#pragma once

#include <string>

// Writes width x height RGBA pixels, rows bottom-up as glReadPixels gives
// them, as an 8-bit RGB PNG. A file is replaced in one step (on failure an
// existing file stays as it was); a FIFO or a device is written to as a
// stream. false with a reason in error ("cannot write \"PATH\": ...").
bool WritePngFromGL(const char* path, const unsigned char* rgba, int width, int height, std::string& error);
