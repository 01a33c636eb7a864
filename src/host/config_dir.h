// Where the settings file and the still picture live. Implemented once per
// platform (win32_config_dir.cpp, posix_config_dir.cpp).
#pragma once

#include <cstddef>

// The separator between the directory and a file name ('\\' or '/').
extern const char kPathSeparator;

// Writes the platform's settings directory into out (NUL-terminated, cut to
// fit). On Windows it is the Windows directory.
void PlatformSettingsDirectory(char* out, size_t outSize);

// Makes sure the settings directory exists before a save. Windows: nothing
// to do; Linux: creates it and its parents. 1 on success.
int EnsureSettingsDirectory(const char* dir);
