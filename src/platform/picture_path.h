// Where the still picture is read from. Implemented once per platform
// (windows/picture_path.cpp, linux/picture_path.cpp).
#pragma once

#include <cstddef>

constexpr const char* kPictureFileName = "lumox.bmp";

// Writes the picture's path into out (NUL-terminated, cut to fit). It starts
// from windowsDirectory as it was last refreshed.
void BuildPicturePath(char* out, size_t outSize);
