#include "host/linux_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

LinuxCommand Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "lumox");
    return ParseLinuxCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(LinuxCommandLine, SaverSwitchesInEverySpelling) {
    for (const char* s : {"-s", "/s", "s", "-S", "/S", "S"}) EXPECT_EQ(Parse({s}).mode, LinuxMode::FullScreen) << s;
    EXPECT_EQ(Parse({"--window"}).mode, LinuxMode::Windowed);
    EXPECT_EQ(Parse({"-window"}).mode, LinuxMode::Windowed);
    EXPECT_EQ(Parse({}).mode, LinuxMode::Dialog);
    for (const char* c : {"-c", "/c", "c", "-C", "/C", "C"}) EXPECT_EQ(Parse({c}).mode, LinuxMode::Dialog) << c;
    EXPECT_EQ(Parse({"--help"}).mode, LinuxMode::Help);
    EXPECT_EQ(Parse({"--version"}).mode, LinuxMode::Version);
}

TEST(LinuxCommandLine, SnapshotWithAllItsOptions) {
    auto c = Parse({"--snapshot", "out.png", "--frames", "5", "--size", "320x200", "--start-ms", "1000",
                    "--step-ms", "40", "--seed", "7"});
    ASSERT_EQ(c.mode, LinuxMode::Snapshot) << c.error;
    EXPECT_EQ(c.snapshotPath, "out.png");
    EXPECT_EQ(c.frames, 5);
    EXPECT_EQ(c.width, 320);
    EXPECT_EQ(c.height, 200);
    EXPECT_EQ(c.startMs, 1000u);
    EXPECT_EQ(c.stepMs, 40u);
    EXPECT_EQ(c.seed, 7u);

    auto d = Parse({"-snapshot", "x.png"});
    ASSERT_EQ(d.mode, LinuxMode::Snapshot);
    EXPECT_EQ(d.width, 0);  // the configured resolution
    EXPECT_EQ(d.frames, 30);
}

TEST(LinuxCommandLine, OddCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"--snapshot"},
        {"--snapshot", ""},
        {"--snapshot", "a.png", "--frames"},
        {"--snapshot", "a.png", "--frames", "0"},
        {"--snapshot", "a.png", "--frames", "12abc"},
        {"--snapshot", "a.png", "--frames", "-3"},
        {"--snapshot", "a.png", "--size", "640"},
        {"--snapshot", "a.png", "--size", "0x480"},
        {"--snapshot", "a.png", "--size", "640x480x2"},
        {"--snapshot", "a.png", "--size", "99999x10"},
        {"--snapshot", "a.png", "--seed", "4294967296"},
        {"--frames", "3"},
        {"-s", "--window"},
        {"-c", "-s"},
        {"cc"},
        {"--window", "--snapshot", "a.png"},
        {"/x"},
        {"--bogus"},
        {"ss"},
    };
    for (const auto& args : bad) {
        auto c = Parse(args);
        EXPECT_EQ(c.mode, LinuxMode::Invalid) << args[0] << " " << args.size();
        EXPECT_FALSE(c.error.empty());
    }
}

}  // namespace
