// The settings record: the defaults and the resolution table. (The
// settings file is tested in tests/platform/settings_file_test.cpp.)
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(SettingsDefaults, KeepFieldsWithoutDefaults) {
    ResetSettingsState();
    std::strcpy(saverSettings.pathText, "keep");
    saverSettings.reservedWord = 42;
    std::memset(saverSettings.hostAddress, 'z', sizeof saverSettings.hostAddress);
    ApplyDefaultSettings();
    EXPECT_STREQ(saverSettings.pathText, "keep");
    EXPECT_EQ(saverSettings.reservedWord, 42);
    EXPECT_STREQ(saverSettings.hostAddress, "127.0.0.1");
    EXPECT_EQ(saverSettings.hostAddress[10], 'z');
    EXPECT_EQ(saverSettings.fullScreen, 1);
    EXPECT_EQ(saverSettings.limitFrameRate, 1);
    EXPECT_EQ(saverSettings.radialBlur, 1);
    EXPECT_EQ(saverSettings.fluctuateTunnelSpeed, 0);
}

TEST(ResolutionTable, IndexSelectsEntryAndStrayIndexFallsBackToFirst) {
    ResetSettingsState();
    FillResolutionTable();
    const int expected[8][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 960},
                                {1280, 1024}, {1600, 1200}, {320, 240}, {512, 384}};
    for (int i = 0; i < 8; ++i) {
        saverSettings.resolutionIndex = i;
        EXPECT_EQ(SelectedResolution().width, expected[i][0]) << i;
        EXPECT_EQ(SelectedResolution().height, expected[i][1]) << i;
    }
    for (int stray : {8, 99, -1, -2147483647 - 1, 2147483647}) {
        saverSettings.resolutionIndex = stray;
        EXPECT_EQ(SelectedResolution().width, 640) << stray;
        EXPECT_EQ(SelectedResolution().height, 480) << stray;
    }
}

}  // namespace
