// The settings record, its defaults (those of the settings table among
// them) and the resolution table.
#include "settings/settings.h"

#include "settings/setting_table.h"

#include <cstring>

char windowsDirectory[kWindowsDirectorySize];

void ApplyDefaultSettings() {
    SaverSettings& s = saverSettings;
    std::memcpy(s.hostAddress, "127.0.0.1", 10);  // with its NUL; the rest stays
    s.hostPort = 24123;
    s.auxFlag = 1;
    s.textureFilter = 1;
    s.resolutionIndex = 0;
    s.colorBits = 32;
    s.fullScreen = 1;
    // The settings that the dialog, the options and the panel show.
    for (const SettingSpec& setting : kSettings) StoreSettingValue(setting, setting.defaultValue, s);
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
    saverSettings = SaverSettings{};
    resolutionTable = ResolutionTable{};
    std::memset(windowsDirectory, 0, sizeof windowsDirectory);
}

