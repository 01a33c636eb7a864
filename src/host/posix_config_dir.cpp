// Settings directory on Linux: $XDG_CONFIG_HOME/lumox, else ~/.config/lumox.
// Relies on: the environment, mkdir.
#include "host/config_dir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

const char kPathSeparator = '/';

void PlatformSettingsDirectory(char* out, size_t outSize) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {  // a relative value is to be ignored
        std::snprintf(out, outSize, "%s/lumox", xdg);
        return;
    }
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
    }
    std::snprintf(out, outSize, "%s/.config/lumox", home);
}

int EnsureSettingsDirectory(const char* dir) {
    char path[1024];
    std::snprintf(path, sizeof path, "%s", dir);
    // mkdir -p: each component in turn, tolerating those that exist.
    for (char* p = path + 1; *p; ++p) {
        if (*p != '/') continue;
        *p = '\0';
        if (mkdir(path, 0755) != 0 && errno != EEXIST) return 0;
        *p = '/';
    }
    if (mkdir(path, 0755) != 0 && errno != EEXIST) return 0;
    return 1;
}
