// Writing a rendered frame as a PNG file (libpng).
#pragma once

#include <string>

// Writes width x height RGBA pixels, rows bottom-up as glReadPixels gives
// them, as an 8-bit RGB PNG. false with a reason in error on failure.
bool WritePngFromGL(const char* path, const unsigned char* rgba, int width, int height, std::string& error);
