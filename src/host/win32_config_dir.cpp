// Settings directory on Windows: the Windows directory.
// Relies on: GetWindowsDirectoryA.
#include "host/config_dir.h"

#include <windows.h>

const char kPathSeparator = '\\';

void PlatformSettingsDirectory(char* out, size_t outSize) {
    UINT n = GetWindowsDirectoryA(out, static_cast<UINT>(outSize));
    if (n == 0 || n >= outSize) out[0] = '\0';
}

int EnsureSettingsDirectory(const char*) { return 1; }
