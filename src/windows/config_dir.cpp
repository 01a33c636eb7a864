// Settings directory on Windows: the Windows directory.
// Relies on: GetWindowsDirectoryA.
#include "platform/config_dir.h"

#include <windows.h>

const char kPathSeparator = '\\';

std::string PlatformSettingsDirectory() {
    // A first call with no room tells the size the path needs, NUL included.
    const UINT needed = GetWindowsDirectoryA(nullptr, 0);
    if (needed == 0) return "";
    std::string dir(needed, '\0');
    const UINT n = GetWindowsDirectoryA(&dir[0], needed);
    if (n == 0 || n >= needed) return "";
    dir.resize(n);
    return dir;
}

int EnsureSettingsDirectory(const char*) { return 1; }
