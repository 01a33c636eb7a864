// Where the settings file and the still picture live. Implemented once per
// platform (windows/config_dir.cpp, linux/xdg_config_dir.cpp).
#pragma once

#include <string>

// The separator between the directory and a file name ('\\' or '/').
extern const char kPathSeparator;

// The platform's settings directory, whole, however long it is (the caller
// refuses what does not fit its buffer). On Windows it is the Windows
// directory; "" when the platform names none.
std::string PlatformSettingsDirectory();

// Makes sure the settings directory exists before a save. Windows: nothing
// to do; Linux: creates it and its parents. 1 on success; 0 with errno set.
int EnsureSettingsDirectory(const char* dir);
