#include "host/settings.h"

#include "host/config_dir.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
constexpr int kNewFileMode = _S_IREAD | _S_IWRITE;
#else
#include <unistd.h>
#ifndef O_BINARY
#define O_BINARY 0
#endif
constexpr int kNewFileMode = 0666;  // an ordinary file, as the umask allows
#endif

SaverSettings saverSettings;
ResolutionTable resolutionTable;
char windowsDirectory[kWindowsDirectorySize];

namespace {
const char* directoryOverride = nullptr;
}  // namespace

void RefreshWindowsDirectory() {
    if (directoryOverride) {
        std::snprintf(windowsDirectory, sizeof windowsDirectory, "%s", directoryOverride);
    } else {
        PlatformSettingsDirectory(windowsDirectory, sizeof windowsDirectory);
    }
}

void BuildSettingsPath(char* out, size_t outSize, const char* name) {
    std::snprintf(out, outSize, "%s%c%s", windowsDirectory, kPathSeparator, name);
}

int LoadSettings() {
    RefreshWindowsDirectory();
    char path[kWindowsDirectorySize + 16];
    BuildSettingsPath(path, sizeof path, kSettingsFileName);

    int fd = open(path, O_RDONLY | O_BINARY);
    if (fd == -1) return 0;
    // Whatever the file holds replaces the start of the record; a short file
    // leaves the rest of the record as it was.
    auto* dst = reinterpret_cast<unsigned char*>(&saverSettings);
    size_t got = 0;
    while (got < sizeof saverSettings) {
        auto n = read(fd, dst + got, static_cast<unsigned>(sizeof saverSettings - got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    return 1;
}

int SaveSettings() {
    RefreshWindowsDirectory();
    if (!EnsureSettingsDirectory(windowsDirectory)) return 0;
    char path[kWindowsDirectorySize + 16];
    BuildSettingsPath(path, sizeof path, kSettingsFileName);

    // No O_TRUNC: only the record's bytes are overwritten, anything a longer
    // file holds behind them stays.
    int fd = open(path, O_WRONLY | O_CREAT | O_BINARY, kNewFileMode);
    if (fd == -1) return 0;
    const auto* src = reinterpret_cast<const unsigned char*>(&saverSettings);
    size_t done = 0;
    while (done < sizeof saverSettings) {
        auto n = write(fd, src + done, static_cast<unsigned>(sizeof saverSettings - done));
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    int closed = close(fd);
    return done == sizeof saverSettings && closed == 0 ? 1 : 0;
}

void ApplyDefaultSettings() {
    SaverSettings& s = saverSettings;
    std::memcpy(s.hostAddress, "127.0.0.1", 10);  // with its NUL; the rest stays
    s.hostPort = 24123;
    s.auxFlag = 1;
    s.textureFilter = 1;
    s.resolutionIndex = 0;
    s.colorBits = 32;
    s.fullScreen = 1;
    s.limitFrameRate = 1;
    s.fluctuateTunnelSpeed = 0;
    s.extraSaturation = 0;
    s.outwardSpeed = 10.0f;
    s.radialBlur = 1;
    s.pulseRate = 1000.0f;
    s.pulseSquiggle = 1;
    s.pulseRotate = 1;
    s.pulseObjectCount = 50;
    s.pulseObjectSize = 0.5f;
}

void FillResolutionTable() {
    static const Resolution kModes[kResolutionCount] = {
        {640, 480}, {800, 600}, {1024, 768}, {1280, 960},
        {1280, 1024}, {1600, 1200}, {320, 240}, {512, 384},
    };
    for (int i = 0; i < kResolutionCount; ++i) resolutionTable.entries[i] = kModes[i];
}

const Resolution& SelectedResolution() {
    int index = saverSettings.resolutionIndex;
    if (index < 0 || index >= kResolutionCount) index = 0;
    return resolutionTable.entries[index];
}

void ResetSettingsState() {
    std::memset(&saverSettings, 0, sizeof saverSettings);
    std::memset(&resolutionTable, 0, sizeof resolutionTable);
    std::memset(windowsDirectory, 0, sizeof windowsDirectory);
}

void OverrideSettingsDirectory(const char* dir) { directoryOverride = dir; }
