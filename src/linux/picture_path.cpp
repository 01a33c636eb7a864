// The picture on Linux: the user's lumox.bmp in the settings directory, else
// the default picture the build installs, else the one the build leaves
// beside the executable. Relies on: windowsDirectory, /proc/self/exe,
// LUMOX_DATA_DIR (the configured data directory, set by the build).
#include "platform/picture_path.h"

#include "settings/settings.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsReadableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

// The directory holding the running executable, or "" when unknown.
std::string ExecutableDirectory() {
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = '\0';
    char* slash = std::strrchr(exe, '/');
    if (!slash) return "";
    *slash = '\0';
    return exe;
}

std::string ParentOf(const std::string& dir) {
    const size_t slash = dir.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : dir.substr(0, slash);
}

}  // namespace

void BuildPicturePath(char* out, size_t outSize) {
    // The user's own picture, whenever there is one: one that cannot be
    // read is reported, not passed over. Also the path named when there is
    // no picture at all.
    BuildSettingsPath(out, outSize, kPictureFileName);
    if (access(out, F_OK) == 0) return;

    const std::string exeDir = ExecutableDirectory();
    std::string candidates[3];
    int count = 0;
    if (!exeDir.empty()) candidates[count++] = ParentOf(exeDir) + "/share/lumox/" + kPictureFileName;
#ifdef LUMOX_DATA_DIR
    candidates[count++] = std::string(LUMOX_DATA_DIR) + "/lumox/" + kPictureFileName;
#endif
    if (!exeDir.empty()) candidates[count++] = exeDir + "/" + kPictureFileName;
    for (int i = 0; i < count; ++i) {
        if (candidates[i].size() < outSize && IsReadableFile(candidates[i])) {
            std::snprintf(out, outSize, "%s", candidates[i].c_str());
            return;
        }
    }
}
