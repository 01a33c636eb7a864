#include "app/command_line.h"
#include "app/option_docs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> args, const char* xscreensaverWindow = nullptr) {
    args.insert(args.begin(), "lumox");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), xscreensaverWindow);
}

TEST(CommandLine, SaverSwitchesInEverySpelling) {
    for (const char* s : {"-s", "/s", "s", "-S", "/S", "S", "--s", "ss"})
        EXPECT_EQ(Parse({s}).mode, RunMode::FullScreen) << s;
    EXPECT_EQ(Parse({"--window"}).mode, RunMode::Windowed);
    EXPECT_EQ(Parse({"-window"}).mode, RunMode::Windowed);
    EXPECT_EQ(Parse({}).mode, RunMode::ConfigDialog);
    EXPECT_EQ(Parse({"--help"}).mode, RunMode::Help);
    EXPECT_EQ(Parse({"--version"}).mode, RunMode::Version);
}

TEST(CommandLine, SnapshotWithAllItsOptions) {
    auto c = Parse({"--snapshot", "out.png", "--frames", "5", "--size", "320x200", "--start-ms", "1000",
                    "--step-ms", "40", "--seed", "7"});
    ASSERT_EQ(c.mode, RunMode::Snapshot) << c.error;
    EXPECT_EQ(c.snapshotPath, "out.png");
    EXPECT_EQ(c.frames, 5);
    EXPECT_EQ(c.width, 320);
    EXPECT_EQ(c.height, 200);
    EXPECT_EQ(c.startMs, 1000u);
    EXPECT_EQ(c.stepMs, 40u);
    EXPECT_EQ(c.seed, 7u);

    auto d = Parse({"-snapshot", "x.png"});
    ASSERT_EQ(d.mode, RunMode::Snapshot);
    EXPECT_EQ(d.width, 0);  // the configured resolution
    EXPECT_EQ(d.frames, 30);
}

TEST(CommandLine, OddCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"--snapshot"},
        {"--snapshot", ""},
        {"--snapshot", "a.png", "--frames"},
        {"--snapshot", "a.png", "--frames", "0"},
        {"--snapshot", "a.png", "--frames", "12abc"},
        {"--snapshot", "a.png", "--frames", "-3"},
        {"--snapshot", "a.png", "--frames", " 3"},
        {"--snapshot", "a.png", "--frames", "\t3"},
        {"--snapshot", "a.png", "--frames", "\n3"},
        {"--snapshot", "a.png", "--frames", "+3"},
        {"--snapshot", "a.png", "--frames", "3 "},
        {"--snapshot", "a.png", "--size", " 640x480"},
        {"--snapshot", "a.png", "--size", "640x 480"},
        {"--snapshot", "a.png", "--size", "640x+480"},
        {"--snapshot", "a.png", "--seed", " 1"},
        {"--snapshot", "a.png", "--start-ms", "\v5"},
        {"--snapshot", "a.png", "--size", "640"},
        {"--snapshot", "a.png", "--size", "0x480"},
        {"--snapshot", "a.png", "--size", "640x480x2"},
        {"--snapshot", "a.png", "--size", "99999x10"},
        {"--snapshot", "a.png", "--seed", "4294967296"},
        {"--frames", "3"},
        {"-s", "--window"},
        {"--window", "--snapshot", "a.png"},
        {"/x"},
        {"--bogus"},
        {"-sx"},
        {"--cycles", "5"},
        {"\t/s"},
        {"/a"},
        {"/p"},
        {"/p:1234"},
        {"/p", "0"},
        {"/p", "4294967296"},
        {"--window-id"},
        {"--window-id", "0"},
        {"--window-id", "0x"},
        {"--window-id", "12z"},
        {"--window-id", "0x100000000"},
        {"--root", "/s"},
        {"--root", "--window"},
        {"/s", "--snapshot", "a.png"},
        {"--add-to-xscreensaver", "--root"},
        {"--add-to-xscreensaver", "--speed", "20"},
        {"--speed", "20"},           // the dialog takes no values for a run
        {"/c", "--no-blur"},
        {"--fps"},
        {"--root", "--no-speed"},    // only flags have a --no- form
        {"--root", "--no-picture", "a.bmp"},
        {"--root", "--no-root"},
        {"--root", "--picture"},
        {"--root", "--picture", ""},
        {"--root", "--device"},
    };
    for (const auto& args : bad) {
        auto c = Parse(args);
        EXPECT_EQ(c.mode, RunMode::Invalid) << args[0] << " " << args.size();
        EXPECT_FALSE(c.error.empty());
    }
}

// More dashes than two make no option, nor a screen-saver switch whose
// letter is the option's first.
TEST(CommandLine, ThreeDashesAreAnUnknownOption) {
    const std::vector<std::pair<std::vector<const char*>, const char*>> cases = {
        {{"---count", "5"}, "---count"},
        {{"---snapshot", "a.png"}, "---snapshot"},
        {{"----window"}, "----window"},
        {{"---no-blur", "-s"}, "---no-blur"},
        {{"-s", "---count", "5"}, "---count"},
    };
    for (const auto& [args, option] : cases) {
        const CommandLine c = Parse(args);
        EXPECT_EQ(c.mode, RunMode::Invalid) << option;
        EXPECT_EQ(c.error, std::string("unknown option \"") + option + "\"");
    }
    // A letter alone after dashes stays a switch, as on Windows.
    EXPECT_EQ(Parse({"---s"}).mode, RunMode::FullScreen);
    EXPECT_EQ(Parse({"---"}).mode, RunMode::ConfigDialog);
}

TEST(CommandLine, NumbersWithBlanksGetTheMessageOfOtherBadNumbers) {
    for (const char* bad : {" 3", "3 ", "+3", "-3", "x"})
        EXPECT_EQ(Parse({"--snapshot", "a.png", "--frames", bad}).error,
                  std::string("--frames needs a whole number from 1 to 100000, not \"") + bad + "\"");
    EXPECT_EQ(Parse({"--count", "\t5"}).error, "--count needs a whole number from 1 to 1000, not \"\\x09" "5\"");
    EXPECT_EQ(Parse({"--snapshot", "a.png", "--frames", "007"}).frames, 7);
}

TEST(CommandLine, EchoedInputShowsNoControlBytes) {
    const std::vector<CommandLine> echoing = {
        Parse({"--bo\x1b[2Jgus\x7f\xc3\xa9"}),
        Parse({"/x\x1b]0;title\x07"}),
        Parse({"--root"}, "0x1\x1b[31m"),
    };
    for (const CommandLine& c : echoing) {
        ASSERT_EQ(c.mode, RunMode::Invalid);
        for (const char ch : c.error) {
            const unsigned char byte = static_cast<unsigned char>(ch);
            EXPECT_TRUE(byte >= 0x20 && byte < 0x7f) << c.error;
        }
    }
    EXPECT_EQ(echoing[0].error, "unknown option \"--bo\\x1b[2Jgus\\x7f\\xc3\\xa9\"");
    EXPECT_NE(echoing[1].error.find("/x\\x1b]0;title\\x07"), std::string::npos) << echoing[1].error;
    EXPECT_NE(echoing[2].error.find("0x1\\x1b[31m"), std::string::npos) << echoing[2].error;
}

TEST(SnapshotSize, TheFirstLimitPassedIsNamed) {
    OffscreenLimits mesa;  // what Mesa's llvmpipe reports
    mesa.viewportWidth = mesa.viewportHeight = mesa.rectangleTexture = 16384;
    mesa.pbufferWidth = mesa.pbufferHeight = 4096;
    EXPECT_EQ(SnapshotSizeProblem(4096, 4096, mesa), "");
    EXPECT_EQ(SnapshotSizeProblem(1, 1, mesa), "");
    EXPECT_EQ(SnapshotSizeProblem(16384, 16384, mesa),
              "a 16384x16384 snapshot is more than this OpenGL can draw offscreen: at most 4096x4096 "
              "(EGL_MAX_PBUFFER_WIDTH x EGL_MAX_PBUFFER_HEIGHT)");
    EXPECT_NE(SnapshotSizeProblem(4097, 1, mesa), "");
    EXPECT_NE(SnapshotSizeProblem(1, 4097, mesa), "");

    OffscreenLimits narrow;  // a viewport narrower than it is tall
    narrow.viewportWidth = 2048;
    narrow.viewportHeight = 8192;
    narrow.rectangleTexture = 8192;
    EXPECT_EQ(SnapshotSizeProblem(2048, 8192, narrow), "");
    EXPECT_NE(SnapshotSizeProblem(2049, 100, narrow).find("at most 2048x8192 (GL_MAX_VIEWPORT_DIMS)"),
              std::string::npos);
    narrow.rectangleTexture = 1024;
    EXPECT_NE(SnapshotSizeProblem(100, 1025, narrow).find("at most 1024x1024 (GL_MAX_RECTANGLE_TEXTURE_SIZE)"),
              std::string::npos);

    OffscreenLimits counted;
    counted.pbufferPixels = 1000000;
    EXPECT_EQ(SnapshotSizeProblem(1000, 1000, counted), "");
    EXPECT_NE(SnapshotSizeProblem(16384, 62, counted).find("at most 1000000 pixels (EGL_MAX_PBUFFER_PIXELS)"),
              std::string::npos);
    EXPECT_EQ(SnapshotSizeProblem(16384, 16384, OffscreenLimits{}), "");  // no limit named
}

TEST(CommandLine, WindowsSwitchesKeepTheirResults) {
    auto preview = Parse({"/p", "1234"});
    ASSERT_EQ(preview.mode, RunMode::Preview) << preview.error;
    EXPECT_EQ(preview.window, 1234u);
    EXPECT_EQ(Parse({"-p1234"}).window, 1234u);
    EXPECT_EQ(Parse({"/l", "99"}).mode, RunMode::Preview);

    auto owned = Parse({"/c:4321"});
    ASSERT_EQ(owned.mode, RunMode::ConfigDialog);
    EXPECT_EQ(owned.owner, 4321u);
    EXPECT_EQ(Parse({"-c:77"}).owner, 77u);
    EXPECT_EQ(Parse({"/c", "4321"}).owner, 0u);
    EXPECT_EQ(Parse({"/c"}).mode, RunMode::ConfigDialog);
    // The first letter decides, as on Windows.
    EXPECT_EQ(Parse({"/s", "/p", "12"}).mode, RunMode::FullScreen);
}

SaverSettings DefaultSettings() {
    SaverSettings settings{};
    const SaverSettings kept = saverSettings;
    saverSettings = SaverSettings{};
    ApplyDefaultSettings();
    settings = saverSettings;
    saverSettings = kept;
    return settings;
}

TEST(CommandLine, SettingsGivenForARunReplaceOnlyThoseFields) {
    auto c = Parse({"--root", "--speed", "37.5", "--no-blur", "-fluctuate", "--count", "20", "-object-size", "0.3",
                    "--pulse-rate", "99", "--delay", "0", "--picture", "p.bmp", "--device", "Cam", "--no-rotate",
                    "--rotate"});
    ASSERT_EQ(c.mode, RunMode::Hack) << c.error;
    EXPECT_EQ(c.settings.picture, "p.bmp");
    EXPECT_EQ(c.device, "Cam");
    EXPECT_FALSE(GivenValue(c.settings, *FindSetting("saturation")));
    EXPECT_EQ(GivenValue(c.settings, *FindSetting("rotate")), 1.0);  // the last of two wins

    const SaverSettings defaults = DefaultSettings();
    SaverSettings run = defaults;
    ApplySettingOverrides(c.settings, run);
    EXPECT_EQ(run.outwardSpeed, 37.5f);
    EXPECT_EQ(run.radialBlur, 0);
    EXPECT_EQ(run.fluctuateTunnelSpeed, 1);
    EXPECT_EQ(run.pulseObjectCount, 20);
    EXPECT_EQ(run.pulseObjectSize, 0.3f);  // the float strtof and the dialog's 3 x 0.1f both give
    EXPECT_EQ(run.pulseRate, 99.0f);
    EXPECT_EQ(run.pulseRotate, 1);  // the last of two wins
    EXPECT_EQ(FramePauseMicroseconds(&c.settings, run), 0u);
    // Every other byte of the record is the file's.
    SaverSettings expected = defaults;
    expected.outwardSpeed = 37.5f;
    expected.radialBlur = 0;
    expected.fluctuateTunnelSpeed = 1;
    expected.pulseObjectCount = 20;
    expected.pulseObjectSize = 0.3f;
    expected.pulseRate = 99.0f;
    EXPECT_EQ(std::memcmp(&run, &expected, sizeof run), 0);

    // Nothing given, nothing changed.
    SaverSettings untouched = defaults;
    ApplySettingOverrides(SettingOverrides{}, untouched);
    EXPECT_EQ(std::memcmp(&untouched, &defaults, sizeof defaults), 0);
}

TEST(CommandLine, FramePauseFollowsTheFlagUnlessADelayIsGiven) {
    SaverSettings settings = DefaultSettings();
    EXPECT_EQ(FramePauseMicroseconds(nullptr, settings), 10000u);
    settings.limitFrameRate = 0;
    EXPECT_EQ(FramePauseMicroseconds(nullptr, settings), 0u);
    SettingOverrides given;
    given.delayMicroseconds = 25000;
    EXPECT_EQ(FramePauseMicroseconds(&given, settings), 25000u);
    settings.limitFrameRate = 7;  // any non-zero value is on
    const SettingOverrides none;
    EXPECT_EQ(FramePauseMicroseconds(&none, settings), 10000u);
}

// Every option of the table in every spelling, at the ends of its range;
// beyond them, or with anything but a number, a message naming the option.
TEST(CommandLine, EveryTableOptionAndItsBounds) {
    size_t count = 0;
    const OptionSpec* table = OptionTable(count);
    for (size_t i = 0; i < count; ++i) {
        const OptionSpec& spec = table[i];
        if (spec.group != OptionGroup::Setting) continue;
        for (const std::string dashes : {"-", "--"}) {
            const std::string name = dashes + spec.name;
            if (spec.kind == OptionKind::Flag) {
                const std::string negated = dashes + "no-" + spec.name;
                auto on = Parse({"/s", name.c_str()});
                auto off = Parse({"/s", negated.c_str()});
                ASSERT_EQ(on.mode, RunMode::FullScreen) << name << on.error;
                ASSERT_EQ(off.mode, RunMode::FullScreen) << negated << off.error;
                EXPECT_EQ(GivenValue(on.settings, *spec.setting), 1.0) << name;
                EXPECT_EQ(GivenValue(off.settings, *spec.setting), 0.0) << negated;
            } else if (spec.kind == OptionKind::Number) {
                for (double bound : {spec.low, spec.high}) {
                    const std::string value = std::to_string(bound).substr(0, spec.whole ? std::to_string(bound).find('.')
                                                                                         : std::string::npos);
                    auto c = Parse({"--window", name.c_str(), value.c_str()});
                    EXPECT_EQ(c.mode, RunMode::Windowed) << name << " " << value << ": " << c.error;
                }
                const std::string below = std::to_string(spec.low - (spec.whole ? 1 : 0.01));
                const std::string above = std::to_string(spec.high + (spec.whole ? 1 : 0.01));
                for (const std::string& bad :
                     {below, above, std::string("abc"), std::string(""), std::string("5x"), std::string(" 50"),
                      std::string("+50"), std::string("nan"), std::string("inf"), std::string("0x10")}) {
                    auto c = Parse({"--window", name.c_str(), bad.c_str()});
                    EXPECT_EQ(c.mode, RunMode::Invalid) << name << " '" << bad << "'";
                    EXPECT_NE(c.error.find(std::string("--") + spec.name + " needs"), std::string::npos) << c.error;
                }
                auto missing = Parse({"--window", name.c_str()});
                EXPECT_EQ(missing.mode, RunMode::Invalid) << name;
            } else {
                auto c = Parse({"--snapshot", "a.png", name.c_str(), "x"});
                EXPECT_EQ(c.mode, RunMode::Snapshot) << name << c.error;
            }
        }
    }
    EXPECT_EQ(Parse({"--window", "--count", "1.5"}).mode, RunMode::Invalid);
    EXPECT_EQ(Parse({"--window", "--speed", "37.9"}).mode, RunMode::Windowed);  // the file may hold 37.9 too
    EXPECT_EQ(Parse({"--add-to-xscreensaver"}).mode, RunMode::AddToXScreenSaver);
    EXPECT_EQ(Parse({"-add-to-xscreensaver"}).mode, RunMode::AddToXScreenSaver);
}

// --help and the man page are made from the table: each names every option.
TEST(CommandLine, HelpAndManPageNameEveryOption) {
    const std::string usage = UsageText();
    const std::string man = ManPage("9.9");
    size_t count = 0;
    const OptionSpec* table = OptionTable(count);
    for (size_t i = 0; i < count; ++i) {
        std::string roffName;
        for (const char* c = table[i].name; *c; ++c) roffName += *c == '-' ? std::string("\\-") : std::string(1, *c);
        const std::string shown = (table[i].kind == OptionKind::Flag ? "--[no-]" : "--") + std::string(table[i].name);
        EXPECT_NE(usage.find(shown), std::string::npos) << shown;
        EXPECT_NE(man.find("\\fB\\-\\-" + roffName + "\\fP"), std::string::npos) << table[i].name;
    }
    EXPECT_EQ(man.rfind(".TH LUMOX 6x", 0), 0u);
}

// The man page tells when lumox.cfg is written: both cases, and which runs
// never write it.
TEST(CommandLine, ManPageSaysWhenTheSettingsFileIsWritten) {
    const std::string man = ManPage("9.9");
    const size_t entry = man.find(".I $XDG_CONFIG_HOME/lumox/lumox.cfg\n");
    ASSERT_NE(entry, std::string::npos);
    std::string text = man.substr(entry, man.find(".TP", entry) - entry);
    for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
    for (const char* said :
         {"written in two cases only", "when the configuration dialog is confirmed (OK or Enter)",
          "when a run full screen, in a window or in a preview (-s, --window, /p) ends because it cannot read its "
          "picture",
          "saves the settings with an empty picture path", "A hack (--root, --window-id)",
          "a snapshot never write it", "settings given as options never change it"})
        EXPECT_NE(text.find(said), std::string::npos) << said << "\n" << text;
    EXPECT_EQ(man.find("no run writes"), std::string::npos);
    EXPECT_EQ(UsageText().find("no run writes"), std::string::npos);
}

// The camera switch holds for every kind of run, the last one given
// counting; the file's record knows nothing of it.
TEST(CommandLine, TheCameraSwitchIsTheLastGivenAndOnWithoutOne) {
    const struct {
        std::vector<const char*> args;
        RunMode mode;
        bool camera;
    } cases[] = {
        {{"--root"}, RunMode::Hack, true},
        {{"--root", "--no-camera"}, RunMode::Hack, false},
        {{"-no-camera", "--window-id", "0x2c00003"}, RunMode::Hack, false},
        {{"--window", "--no-camera"}, RunMode::Windowed, false},
        {{"-s", "--no-camera"}, RunMode::FullScreen, false},
        {{"/p", "1234", "--no-camera"}, RunMode::Preview, false},
        {{"--snapshot", "a.png", "--no-camera"}, RunMode::Snapshot, false},
        {{"--snapshot", "a.png", "--camera"}, RunMode::Snapshot, true},
        {{"--snapshot", "a.png", "--camera", "--no-camera"}, RunMode::Snapshot, false},
        {{"--snapshot", "a.png", "--no-camera", "-camera"}, RunMode::Snapshot, true},
    };
    const SaverSettings defaults = DefaultSettings();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CommandLine command = Parse(c.args);
        ASSERT_EQ(command.mode, c.mode) << command.error;
        EXPECT_EQ(CameraWanted(command.settings), c.camera);
        EXPECT_EQ(CameraWanted(RunOptionsFor(command).settings), c.camera);
        SaverSettings run = defaults;
        ApplySettingOverrides(command.settings, run);
        EXPECT_EQ(std::memcmp(&run, &defaults, sizeof run), 0);
    }
    // Not a setting of the dialog, and no value to take.
    EXPECT_EQ(Parse({"--no-camera"}).mode, RunMode::Invalid);
    EXPECT_EQ(Parse({"--root", "--camera", "on"}).mode, RunMode::Invalid);
    EXPECT_EQ(Parse({"--root", "--no-camera=1"}).mode, RunMode::Invalid);
}

TEST(CommandLine, PanelControlsFollowTheDefaults) {
    const std::string xml = XScreenSaverXml();
    for (const char* control :
         {"arg-set=\"--fluctuate\"", "arg-set=\"--saturation\"", "arg-unset=\"--no-blur\"",
          "arg-unset=\"--no-limit-frame-rate\"", "arg-unset=\"--no-squiggle\"", "arg-unset=\"--no-rotate\"",
          "arg-set=\"--fps\"", "arg=\"--speed %\"", "low=\"5\" high=\"90\" default=\"10\"",
          "low=\"0.1\" high=\"10.0\" default=\"0.5\"", "low=\"1\" high=\"1000\" default=\"50\"",
          "low=\"1\" high=\"10000\" default=\"1000\"",
          "low=\"0\" high=\"100000\" default=\"10000\" convert=\"invert\"", "<file id=\"picture\"",
          "<string id=\"device\"", "<command arg=\"--root\"/>",
          "<boolean id=\"camera\" _label=\"Use the camera\" arg-unset=\"--no-camera\"/>",
          "<file id=\"picture\" _label=\"Picture, or a folder of pictures\" arg=\"--picture %\"/>",
          "<screensaver name=\"lumox\" _label=\"Lumox\" gl=\"yes\">", "_label=\"Show frame rate\""})
        EXPECT_NE(xml.find(control), std::string::npos) << control;
}

TEST(CommandLine, XScreenSaverWindowChoice) {
    auto root = Parse({"--root"});
    ASSERT_EQ(root.mode, RunMode::Hack);
    EXPECT_EQ(root.window, 0u);  // the root window
    EXPECT_EQ(Parse({"-root"}, "0x1a00007").window, 0x1a00007u);
    EXPECT_EQ(Parse({"--root"}, "27262983").window, 27262983u);
    EXPECT_EQ(Parse({"--root"}, "").window, 0u);
    // --window-id wins over the daemon's variable, with or without --root.
    auto preview = Parse({"--root", "--window-id", "0x2c00003", "--fps"}, "0x1a00007");
    ASSERT_EQ(preview.mode, RunMode::Hack);
    EXPECT_EQ(preview.window, 0x2c00003u);
    EXPECT_TRUE(preview.frameRate);
    EXPECT_EQ(Parse({"-window-id", "46137351"}).window, 46137351u);
    EXPECT_FALSE(Parse({"--root"}).frameRate);

    auto broken = Parse({"--root"}, "0xnothing");
    EXPECT_EQ(broken.mode, RunMode::Invalid);
    EXPECT_NE(broken.error.find("XSCREENSAVER_WINDOW"), std::string::npos);
}

TEST(CommandLine, WindowIdsAreBoundedHexOrDecimal) {
    NativeWindow id = 0;
    EXPECT_TRUE(ParseWindowId("0xffffffff", id));
    EXPECT_EQ(id, 0xffffffffu);
    EXPECT_TRUE(ParseWindowId("0X1A", id));
    EXPECT_EQ(id, 0x1au);
    EXPECT_TRUE(ParseWindowId("10", id));
    EXPECT_EQ(id, 10u);
    for (const char* bad : {"", "0", "0x0", "-1", "+5", " 5", "5 ", "0x", "0x-1", "4294967296", "0x1ffffffff", "0x0x5", "12a",
                            "99999999999999999999999"})
        EXPECT_FALSE(ParseWindowId(bad, id)) << bad;
    EXPECT_FALSE(ParseWindowId(nullptr, id));
}

// What each mode hands to the one start-up: the window, the picture rule,
// whether the settings may be written, and a snapshot's clock, frames and
// seed.
TEST(RunOptionsFor, EachModeTellsTheStartUpWhatDiffers) {
    const RunOptions saver = RunOptionsFor(Parse({"-s"}));
    EXPECT_EQ(saver.window, RunWindow::Own);
    EXPECT_FALSE(saver.windowed);
    EXPECT_TRUE(saver.pictureFailureEndsRun);
    EXPECT_TRUE(saver.maySaveSettings);
    EXPECT_FALSE(saver.holdClock);
    EXPECT_EQ(saver.frames, 0);
    EXPECT_FALSE(saver.fixedSeed);
    EXPECT_TRUE(saver.pauseAfterFrame);
    EXPECT_EQ(saver.firstFrameWaitMs, 0u);  // the saver never waits for video

    const RunOptions window = RunOptionsFor(Parse({"--window", "--fps"}));
    EXPECT_EQ(window.window, RunWindow::Own);
    EXPECT_TRUE(window.windowed);
    EXPECT_TRUE(window.quitKeys);
    EXPECT_TRUE(window.frameRateReport);
    EXPECT_TRUE(window.maySaveSettings);

    const RunOptions preview = RunOptionsFor(Parse({"/p", "1234"}));
    EXPECT_EQ(preview.window, RunWindow::Given);
    EXPECT_EQ(preview.givenWindow, 1234u);
    EXPECT_TRUE(preview.pictureFailureEndsRun);
    EXPECT_TRUE(preview.maySaveSettings);

    const RunOptions hack = RunOptionsFor(Parse({"--root"}, "0x2a"));
    EXPECT_EQ(hack.window, RunWindow::Given);
    EXPECT_EQ(hack.givenWindow, 0x2au);
    EXPECT_FALSE(hack.pictureFailureEndsRun);  // draws on: never a crash box
    EXPECT_FALSE(hack.maySaveSettings);
    EXPECT_EQ(RunOptionsFor(Parse({"--root"})).givenWindow, 0u);  // the root window, found by the caller

    const RunOptions snapshot = RunOptionsFor(Parse({"--snapshot", "a.png", "--frames", "5", "--size", "320x200",
                                                     "--start-ms", "1000", "--step-ms", "40", "--seed", "7"}));
    EXPECT_EQ(snapshot.window, RunWindow::Offscreen);
    EXPECT_EQ(snapshot.offscreenWidth, 320);
    EXPECT_EQ(snapshot.offscreenHeight, 200);
    EXPECT_TRUE(snapshot.pictureFailureEndsRun);
    EXPECT_FALSE(snapshot.maySaveSettings);
    EXPECT_TRUE(snapshot.holdClock);
    EXPECT_EQ(snapshot.clockStartMs, 1000u);
    EXPECT_EQ(snapshot.clockStepMs, 40u);
    EXPECT_EQ(snapshot.frames, 5);
    EXPECT_TRUE(snapshot.fixedSeed);
    EXPECT_EQ(snapshot.seed, 7u);
    EXPECT_FALSE(snapshot.pauseAfterFrame);
    EXPECT_EQ(snapshot.firstFrameWaitMs, kSnapshotFirstFrameWaitMs);
    EXPECT_EQ(snapshot.lastFrame, nullptr);  // the caller's image
    EXPECT_EQ(RunOptionsFor(Parse({"--snapshot", "a.png"})).offscreenWidth, 0);  // the configured resolution
}

}  // namespace
