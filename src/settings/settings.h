// The saver's settings record and the settings file "lumox.cfg". The
// record, its defaults and the resolution table are settings.cpp; the file
// and its directory settings_file.cpp, over the platform's directory and
// file access (config_dir.h, file_io.h).
//
// The file is the record's raw image: 1348 bytes, little-endian, no header.
// Both builds run on little-endian x86, so the record is read and written as
// it lies in memory; the static_asserts below pin every offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SaverSettings {
    char pathText[1024] = {};
    char hostAddress[256] = {};
    int32_t hostPort = 0;
    int32_t auxFlag = 0;
    int32_t textureFilter = 0;
    int32_t resolutionIndex = 0;
    int32_t colorBits = 0;
    int32_t fullScreen = 0;
    int32_t limitFrameRate = 0;
    int32_t fluctuateTunnelSpeed = 0;
    int32_t extraSaturation = 0;
    float outwardSpeed = 0;
    int32_t radialBlur = 0;
    float pulseRate = 0;
    int32_t pulseSquiggle = 0;
    int32_t pulseRotate = 0;
    int32_t reservedWord = 0;
    int32_t pulseObjectCount = 0;
    float pulseObjectSize = 0;
};

static_assert(sizeof(float) == 4, "settings floats are IEEE-754 single precision");
static_assert(sizeof(SaverSettings) == 1348, "the settings file is exactly 1348 bytes");
static_assert(offsetof(SaverSettings, pathText) == 0, "file offset");
static_assert(offsetof(SaverSettings, hostAddress) == 1024, "file offset");
static_assert(offsetof(SaverSettings, hostPort) == 1280, "file offset");
static_assert(offsetof(SaverSettings, auxFlag) == 1284, "file offset");
static_assert(offsetof(SaverSettings, textureFilter) == 1288, "file offset");
static_assert(offsetof(SaverSettings, resolutionIndex) == 1292, "file offset");
static_assert(offsetof(SaverSettings, colorBits) == 1296, "file offset");
static_assert(offsetof(SaverSettings, fullScreen) == 1300, "file offset");
static_assert(offsetof(SaverSettings, limitFrameRate) == 1304, "file offset");
static_assert(offsetof(SaverSettings, fluctuateTunnelSpeed) == 1308, "file offset");
static_assert(offsetof(SaverSettings, extraSaturation) == 1312, "file offset");
static_assert(offsetof(SaverSettings, outwardSpeed) == 1316, "file offset");
static_assert(offsetof(SaverSettings, radialBlur) == 1320, "file offset");
static_assert(offsetof(SaverSettings, pulseRate) == 1324, "file offset");
static_assert(offsetof(SaverSettings, pulseSquiggle) == 1328, "file offset");
static_assert(offsetof(SaverSettings, pulseRotate) == 1332, "file offset");
static_assert(offsetof(SaverSettings, reservedWord) == 1336, "file offset");
static_assert(offsetof(SaverSettings, pulseObjectCount) == 1340, "file offset");
static_assert(offsetof(SaverSettings, pulseObjectSize) == 1344, "file offset");

struct SettingSpec;  // an entry of the settings table (setting_table.h)

// Settings given for one run; a setting not given keeps the settings file's
// value.
struct SettingOverrides {
    // Values for the record's fields, in the order given (a later one for
    // the same setting wins); see ApplySettingOverrides.
    struct Given {
        const SettingSpec* setting = nullptr;
        double value = 0;
    };
    std::vector<Given> fields;
    // The pause after each frame; without it limitFrameRate decides.
    std::optional<uint32_t> delayMicroseconds;
    std::string picture;  // another still picture; empty: lumox.bmp
};

struct Resolution {
    int32_t width = 0;
    int32_t height = 0;
};

constexpr int kResolutionCount = 8;
struct ResolutionTable {
    Resolution entries[kResolutionCount] = {};
};

constexpr int kWindowsDirectorySize = 1024;
constexpr const char kSettingsFileName[] = "lumox.cfg";
// The longest directory path windowsDirectory takes: room is left for a
// separator, a file name of the settings file's length and the NUL.
constexpr size_t kMaxSettingsDirectoryLength = kWindowsDirectorySize - 1 - (sizeof kSettingsFileName - 1) - 1;

// The settings a run draws with: a part of the one run record, which the
// run owns and puts back at its start, all zero (every field's default
// member initialiser is zero, as the bytes of a missing file are). The
// dialog, which runs no saver, works on the same record.
struct SettingsInUse {
    SaverSettings saverSettings;
    // The display resolutions that resolutionIndex selects from.
    ResolutionTable resolutionTable;
};
extern SaverSettings& saverSettings;
extern ResolutionTable& resolutionTable;

// The directory the settings file and the still picture live in, as last
// refreshed by RefreshSettingsDirectory (Windows: the Windows directory;
// Linux: the user's lumox configuration directory).
extern char windowsDirectory[kWindowsDirectorySize];

// Reads up to 1348 bytes of the settings file into saverSettings.
// 1 if the file could be opened (a short file loads as far as it goes),
// 0 with the record untouched if it could not. Anything but a regular file
// counts as a file that cannot be opened. A directory path too long for
// windowsDirectory gives 0 and a message on stderr.
int LoadSettings();

// Writes the 1348 bytes of saverSettings over the start of the settings file,
// creating it if needed; bytes beyond the record are kept. The new image of
// the whole file takes the old one's place in one step, with its
// permissions. 1 on success; 0 with the old file untouched (and the reason in
// SettingsSaveProblem) when it could not be written or is no regular file.
int SaveSettings();

// Why the last SaveSettings failed, as a sentence for the user
// ("The settings could not be saved to PATH (REASON)."); "" after a success.
const char* SettingsSaveProblem();

// Sets every field that has a default; pathText, reservedWord and the bytes
// of hostAddress behind its terminating NUL keep their contents.
void ApplyDefaultSettings();

// Writes the eight display resolutions into resolutionTable.
void FillResolutionTable();

// The resolutionTable entry that resolutionIndex selects. An index outside
// the table (a hand-edited file, or the -1 the dialog stores with no
// selection) selects entry 0, so nothing is ever read outside the table.
const Resolution& SelectedResolution();

// Fills windowsDirectory from the platform (or the test override). 0, with
// windowsDirectory empty, when the directory's path is longer than
// kMaxSettingsDirectoryLength.
int RefreshSettingsDirectory();

// Builds "<windowsDirectory><separator><name>" into out. 0, with out empty,
// when windowsDirectory is empty or the path does not fit: never a cut path.
int BuildSettingsPath(char* out, size_t outSize, const char* name);

// Test hooks: zero the record, the table and the directory buffer, and make
// the directory come from dir instead of the platform (nullptr: the platform).
void ResetSettingsState();
void OverrideSettingsDirectory(const char* dir);
