// The settings file on this platform's file access: its bytes, short, long
// and special files, atomic saves, links and modes, and the settings
// directory with its length limit.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "temp_dir.h"

namespace {

// The names in dir: a save leaves nothing beside the settings file.
std::vector<std::string> Names(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> kOnlyTheFile = {"lumox.cfg"};

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
    const SaverSettings zero{};
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

TEST_F(SettingsFile, SaveWritesTheRecordThenTheOldTailAndLeavesNothingElse) {
    // A tail longer than the chunks it is copied in.
    std::vector<unsigned char> bytes(1348 + 100000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 13 + 5);
    WriteAll(File(), bytes);
    ApplyDefaultSettings();
    saverSettings.pulseObjectCount = 12;
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_STREQ(SettingsSaveProblem(), "");
    const auto after = ReadAll(File());
    ASSERT_EQ(after.size(), bytes.size());
    EXPECT_EQ(0, std::memcmp(after.data(), &saverSettings, sizeof saverSettings));
    EXPECT_TRUE(std::equal(bytes.begin() + 1348, bytes.end(), after.begin() + 1348));
    EXPECT_EQ(Names(dir.path()), kOnlyTheFile);
}

TEST_F(SettingsFile, ADirectoryInPlaceOfTheFileLoadsAsMissingAndIsNeverWritten) {
    std::filesystem::create_directory(File());
    saverSettings.hostPort = 5;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(saverSettings.hostPort, 5);
    ApplyDefaultSettings();
    EXPECT_EQ(SaveSettings(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(File()));
    EXPECT_TRUE(std::filesystem::is_empty(File()));
    EXPECT_EQ(Names(dir.path()), kOnlyTheFile);
    const std::string problem = SettingsSaveProblem();
    EXPECT_EQ(problem.rfind("The settings could not be saved to ", 0), 0u) << problem;
    EXPECT_NE(problem.find("lumox.cfg (not a regular file)."), std::string::npos) << problem;
}

#ifndef _WIN32
TEST_F(SettingsFile, AFifoInPlaceOfTheFileIsNeitherWaitedOnNorReadNorWritten) {
    ASSERT_EQ(mkfifo(File().c_str(), 0644), 0);
    // Held open at both ends here, so that an open that waits for a peer
    // cannot hang the test: what the FIFO holds afterwards tells whether the
    // saver read from it or wrote to it.
    const int keeper = open(File().c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_NE(keeper, -1);
    const std::vector<unsigned char> garbage(1348, 0x77);
    ASSERT_EQ(write(keeper, garbage.data(), garbage.size()), 1348);

    saverSettings.hostPort = 5;
    EXPECT_EQ(LoadSettings(), 0);
    EXPECT_EQ(saverSettings.hostPort, 5);
    ApplyDefaultSettings();
    EXPECT_EQ(SaveSettings(), 0);
    unsigned char held[4096];
    EXPECT_EQ(read(keeper, held, sizeof held), 1348);
    close(keeper);
    struct stat info {};
    ASSERT_EQ(lstat(File().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(Names(dir.path()), kOnlyTheFile);
}

mode_t Mode(const std::filesystem::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST_F(SettingsFile, SaveKeepsTheFilesModeAndGivesANewFileTheUsualOne) {
    ApplyDefaultSettings();
    const mode_t oldMask = umask(027);
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_EQ(Mode(File()), 0640u);  // 0666 less the umask
    umask(oldMask);
    for (mode_t mode : {0600, 0604, 0666, 0640}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(chmod(File().c_str(), mode), 0);
        ASSERT_EQ(SaveSettings(), 1);
        EXPECT_EQ(Mode(File()), mode);
    }
    EXPECT_EQ(Names(dir.path()), kOnlyTheFile);
}

TEST_F(SettingsFile, ALinkedFileIsWrittenThroughAndStaysALink) {
    TempDir elsewhere;
    const auto real = elsewhere.path() / "real.cfg";
    WriteAll(real, std::vector<unsigned char>(1500, 0x42));
    std::filesystem::create_symlink(real, File());
    ApplyDefaultSettings();
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    EXPECT_EQ(std::filesystem::read_symlink(File()), real);
    auto after = ReadAll(real);
    ASSERT_EQ(after.size(), 1500u);
    EXPECT_EQ(0, std::memcmp(after.data(), &saverSettings, sizeof saverSettings));
    EXPECT_EQ(after[1499], 0x42);
    EXPECT_EQ(Names(elsewhere.path()), std::vector<std::string>{"real.cfg"});

    // A relative link to a file not there yet: it is made where the link
    // leads.
    std::filesystem::remove(File());
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink("sub/made.cfg", File());
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "sub" / "made.cfg"), 1348u);
    EXPECT_EQ(Names(dir.path() / "sub"), std::vector<std::string>{"made.cfg"});
}

TEST_F(SettingsFile, ALinkAnotherUserPlantedInASharedDirectoryIsNotWrittenThrough) {
    if (geteuid() != 0) GTEST_SKIP() << "a link of another user needs root";
    TempDir elsewhere;
    const auto real = elsewhere.path() / "real.cfg";
    WriteAll(real, std::vector<unsigned char>(1348, 0x42));
    ASSERT_EQ(chmod(dir.path().c_str(), 01777), 0);
    std::filesystem::create_symlink(real, File());
    ASSERT_EQ(lchown(File().c_str(), 65534, 65534), 0);
    ApplyDefaultSettings();
    EXPECT_EQ(SaveSettings(), 0);
    EXPECT_EQ(std::string(SettingsSaveProblem()),
              "The settings could not be saved to " + File().string() + " (the symbolic link " + File().string() +
                  " belongs to another user in a sticky directory anyone may write in; it is not followed).");
    EXPECT_EQ(ReadAll(real), std::vector<unsigned char>(1348, 0x42));
    EXPECT_EQ(Names(dir.path()), kOnlyTheFile);
}
#endif

TEST_F(SettingsFile, UnwritableDirectoryReportsFailure) {
    // A file where the directory should be: the save cannot succeed.
    WriteAll(dir.path() / "blocker", {1});
    std::string blocked = (dir.path() / "blocker").string();
    OverrideSettingsDirectory(blocked.c_str());
    ApplyDefaultSettings();
    EXPECT_EQ(SaveSettings(), 0);
}

TEST(SettingsPath, ADirectoryTooLongForTheBufferIsRefusedNeverCut) {
    ResetSettingsState();
    // The longest directory that leaves room for "/lumox.cfg" and the NUL.
    const std::string fits(kMaxSettingsDirectoryLength, 'd');
    OverrideSettingsDirectory(fits.c_str());
    EXPECT_EQ(kMaxSettingsDirectoryLength, 1013u);
    ASSERT_EQ(RefreshSettingsDirectory(), 1);
    char path[kWindowsDirectorySize + 16];
    ASSERT_EQ(BuildSettingsPath(path, sizeof path, kSettingsFileName), 1);
    EXPECT_EQ(std::strlen(path), 1023u);
    char small[64];
    EXPECT_EQ(BuildSettingsPath(small, sizeof small, kSettingsFileName), 0);  // no cut path either
    EXPECT_STREQ(small, "");

    for (size_t length : {kMaxSettingsDirectoryLength + 1, size_t{2000}}) {
        SCOPED_TRACE(length);
        const std::string tooLong(length, 'd');
        OverrideSettingsDirectory(tooLong.c_str());
        EXPECT_EQ(RefreshSettingsDirectory(), 0);
        EXPECT_STREQ(windowsDirectory, "");
        EXPECT_EQ(BuildSettingsPath(path, sizeof path, kSettingsFileName), 0);
        EXPECT_STREQ(path, "");

        saverSettings.hostPort = 5;
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadSettings(), 0);
        const std::string loadMessage = testing::internal::GetCapturedStderr();
        EXPECT_EQ(saverSettings.hostPort, 5);
        const std::string expected = "lumox: the settings directory path is too long (" + std::to_string(length) +
                                     " bytes; at most 1013): " + tooLong + "\n";
        EXPECT_EQ(loadMessage, expected);

        testing::internal::CaptureStderr();
        EXPECT_EQ(SaveSettings(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
        EXPECT_NE(std::string(SettingsSaveProblem()).find("too long"), std::string::npos) << SettingsSaveProblem();
    }
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

// base, then components of at most 201 characters, length characters in all.
std::string DeepPath(const std::string& base, size_t length) {
    std::string path = base;
    while (length - path.size() > 203) path += "/" + std::string(200, 'x');
    path += "/" + std::string(length - path.size() - 1, 'y');
    return path;
}

TEST(SettingsDirectory, ALongerPathThanTheBufferTakesIsRefusedAndNothingIsMadeAtACutPath) {
    TempDir dir;
    ResetSettingsState();
    ApplyDefaultSettings();
    for (size_t length : {size_t{1014}, size_t{1100}}) {
        SCOPED_TRACE(length);
        const std::string xdg = DeepPath(dir.str(), length - 6);  // "/lumox" follows
        setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadSettings(), 0);
        EXPECT_EQ(SaveSettings(), 0);
        const std::string messages = testing::internal::GetCapturedStderr();
        const std::string message = "lumox: the settings directory path is too long (" + std::to_string(length) +
                                    " bytes; at most 1013): " + xdg + "/lumox\n";
        EXPECT_EQ(messages, message + message);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
    // The longest path that fits is taken whole.
    const std::string xdg = DeepPath(dir.str(), 1013 - 6);
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_EQ(std::filesystem::file_size(xdg + "/lumox/lumox.cfg"), 1348u);
    EXPECT_EQ(LoadSettings(), 1);
    unsetenv("XDG_CONFIG_HOME");
}
#endif

}  // namespace
