#include "host/settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "temp_dir.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettingsState();
        OverrideSettingsDirectory(dirText.c_str());
    }
    void TearDown() override { OverrideSettingsDirectory(nullptr); }
    std::filesystem::path File() const { return dir.path() / "lumox.cfg"; }

    TempDir dir;
    std::string dirText = dir.str();  // the override keeps only the pointer
};

TEST_F(SettingsFile, DefaultsSaveAsTheKnownBytes) {
    ApplyDefaultSettings();
    ASSERT_EQ(SaveSettings(), 1);
    auto bytes = ReadAll(File());
    ASSERT_EQ(bytes.size(), 1348u);
    const unsigned char port[4] = {0x3B, 0x5E, 0x00, 0x00};          // 24123
    const unsigned char outward[4] = {0x00, 0x00, 0x20, 0x41};       // 10.0f
    const unsigned char pulseRate[4] = {0x00, 0x00, 0x7A, 0x44};     // 1000.0f
    const unsigned char objectSize[4] = {0x00, 0x00, 0x00, 0x3F};    // 0.5f
    EXPECT_EQ(0, std::memcmp(&bytes[1280], port, 4));
    EXPECT_EQ(0, std::memcmp(&bytes[1316], outward, 4));
    EXPECT_EQ(0, std::memcmp(&bytes[1324], pulseRate, 4));
    EXPECT_EQ(0, std::memcmp(&bytes[1344], objectSize, 4));
    EXPECT_EQ(0, std::memcmp(&bytes[1024], "127.0.0.1", 10));
    EXPECT_EQ(bytes[1296], 32);  // colorBits
    EXPECT_EQ(bytes[1340], 50);  // pulseObjectCount
    EXPECT_EQ(bytes[0], 0);      // pathText has no default
}

TEST_F(SettingsFile, RoundTripsEveryField) {
    ApplyDefaultSettings();
    std::strcpy(saverSettings.pathText, "C:\\pictures\\me.bmp");
    saverSettings.resolutionIndex = 6;
    saverSettings.outwardSpeed = 3.25f;
    saverSettings.reservedWord = 77;
    ASSERT_EQ(SaveSettings(), 1);
    SaverSettings saved = saverSettings;
    ResetSettingsState();
    ASSERT_EQ(LoadSettings(), 1);
    EXPECT_EQ(0, std::memcmp(&saved, &saverSettings, sizeof saved));
}

TEST_F(SettingsFile, MissingFileLeavesRecordAndCreatesNothing) {
    saverSettings.hostPort = 5;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(saverSettings.hostPort, 5);
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(SettingsFile, EmptyFileLoadsAsAllZero) {
    WriteAll(File(), {});
    EXPECT_EQ(LoadSettings(), 1);
    SaverSettings zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(0, std::memcmp(&zero, &saverSettings, sizeof zero));
}

TEST_F(SettingsFile, ShortFileLoadsAsFarAsItGoes) {
    std::vector<unsigned char> bytes(1284, 0);
    bytes[1280] = 0x39;  // hostPort 0x3039 = 12345, the last whole field
    bytes[1281] = 0x30;
    WriteAll(File(), bytes);
    saverSettings.auxFlag = 9;  // beyond the file: untouched
    EXPECT_EQ(LoadSettings(), 1);
    EXPECT_EQ(saverSettings.hostPort, 12345);
    EXPECT_EQ(saverSettings.auxFlag, 9);
}

TEST_F(SettingsFile, LongerFileKeepsItsLengthAndTail) {
    std::vector<unsigned char> bytes(2000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    WriteAll(File(), bytes);
    ASSERT_EQ(LoadSettings(), 1);
    saverSettings.pulseObjectCount = 12;
    ASSERT_EQ(SaveSettings(), 1);
    auto after = ReadAll(File());
    ASSERT_EQ(after.size(), 2000u);
    EXPECT_TRUE(std::equal(bytes.begin() + 1348, bytes.end(), after.begin() + 1348));
    EXPECT_EQ(after[1340], 12);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 1340, after.begin()));
}

TEST_F(SettingsFile, UnwritableDirectoryReportsFailure) {
    // A file where the directory should be: the save cannot succeed.
    WriteAll(dir.path() / "blocker", {1});
    std::string blocked = (dir.path() / "blocker").string();
    OverrideSettingsDirectory(blocked.c_str());
    ApplyDefaultSettings();
    EXPECT_EQ(SaveSettings(), 0);
}

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

TEST(SettingsPath, LongDirectoryIsCutNotOverflowed) {
    ResetSettingsState();
    std::string longDir(2000, 'd');
    OverrideSettingsDirectory(longDir.c_str());
    RefreshWindowsDirectory();
    EXPECT_EQ(std::strlen(windowsDirectory), sizeof windowsDirectory - 1);
    char path[64];
    BuildSettingsPath(path, sizeof path, "lumox.cfg");
    EXPECT_EQ(std::strlen(path), sizeof path - 1);
    OverrideSettingsDirectory(nullptr);
}

#ifndef _WIN32
TEST(SettingsDirectory, FollowsXdgConfigHomeAndIsCreatedOnSave) {
    TempDir dir;
    std::string xdg = (dir.path() / "config").string();
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    ResetSettingsState();
    ApplyDefaultSettings();
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_FALSE(std::filesystem::exists(xdg));
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "config" / "lumox" / "lumox.cfg"), 1348u);

    // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
    std::string home = (dir.path() / "home").string();
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    setenv("HOME", home.c_str(), 1);
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "home" / ".config" / "lumox" / "lumox.cfg"));
    unsetenv("XDG_CONFIG_HOME");
}
#endif

}  // namespace
