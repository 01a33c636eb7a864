// Settings directory on Linux: $XDG_CONFIG_HOME/lumox, else ~/.config/lumox.
// Relies on: the environment, mkdir.
#include "platform/config_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

const char kPathSeparator = '/';

std::string PlatformSettingsDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/lumox";  // a relative value is to be ignored
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/lumox";
}

int EnsureSettingsDirectory(const char* dir) {
    std::string path = dir;
    // mkdir -p: each component in turn, tolerating those that exist.
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '/') continue;
        path[i] = '\0';
        if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return 0;
        path[i] = '/';
    }
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return 0;
    return 1;
}
