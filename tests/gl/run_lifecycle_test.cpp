// The one start-up and shut-down sequence on an offscreen surface, in the
// variations the modes hand in: what a picture that cannot be read does,
// whether the settings may be written, a held clock, a frame count, a
// fixed seed and the read-back of the last frame; and the run driven a
// frame at a time, as a host that calls the saver once per frame drives it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bitmap_bytes.h"
#include "temp_dir.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "app/run.h"
#include "app/run_record.h"
#include "render/screen_copy.h"
#include "scene/animation.h"
#include "video/texture_upload.h"

namespace {

// A 24-bit bitmap of w x h pixels, each (x * 40, y * 40, 200) in RGB.
Bytes Bitmap(int w, int h) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    Bytes file = Header(w, h);
    file.resize(54 + stride * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &file[54 + static_cast<size_t>(h - 1 - y) * stride + static_cast<size_t>(x) * 3];
            p[0] = 200;
            p[1] = static_cast<unsigned char>(y * 40);
            p[2] = static_cast<unsigned char>(x * 40);
        }
    return file;
}

class SaverRun : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        OverrideSettingsDirectory(dirText.c_str());
    }
    void TearDown() override {
        DestroyGLWindow();
        OverrideSettingsDirectory(nullptr);
        Reset();
    }
    static void Reset() {
        ResetRun();
        ResetSettingsState();
    }
    std::filesystem::path Settings() const { return dir.path() / "lumox.cfg"; }
    void WritePicture(const Bytes& bytes) const { WriteAll(dir.path() / "lumox.bmp", bytes); }

    // An offscreen snapshot-like run of frames at 96 x 72.
    static RunOptions Offscreen(int frames) {
        RunOptions options;
        options.window = RunWindow::Offscreen;
        options.offscreenWidth = 96;
        options.offscreenHeight = 72;
        options.frames = frames;
        options.pauseAfterFrame = false;
        return options;
    }
    // A run that repeats exactly: the clock held from startMs, 16 ms a
    // frame, and the seed fixed.
    static RunOptions Repeatable(int frames, uint32_t startMs, uint32_t seed) {
        RunOptions options = Offscreen(frames);
        options.holdClock = true;
        options.clockStartMs = startMs;
        options.clockStepMs = 16;
        options.fixedSeed = true;
        options.seed = seed;
        return options;
    }
    // The last frame of a run, as bytes.
    static Bytes Pixels(const FrameImage& image) {
        return Bytes(image.rgba.get(), image.rgba.get() + static_cast<size_t>(image.width) * image.height * 4);
    }
    // The last frame the loop (RunSaver) draws with options.
    static Bytes LoopsLastFrame(RunOptions options) {
        FrameImage image;
        options.lastFrame = &image;
        std::string errors;
        EXPECT_EQ(Run(options, errors), RunEnd::Done) << errors;
        return Pixels(image);
    }
    // Runs options with stderr captured into errors.
    static RunEnd Run(const RunOptions& options, std::string& errors) {
        testing::internal::CaptureStderr();
        const RunEnd end = RunSaver(options);
        errors = testing::internal::GetCapturedStderr();
        return end;
    }

    TempDir dir;
    std::string dirText = dir.str();
};

// A saver run whose picture cannot be read ends after the window opened:
// pathText is cleared and the settings saved, creating the file when there
// was none, and a save that fails is told.
TEST_F(SaverRun, ABrokenPictureEndsTheSaverAndSavesTheSettingsWithAnEmptyPath) {
    WritePicture(Bytes{'B', 'M', 0, 0});
    std::string errors;
    EXPECT_EQ(Run(Offscreen(0), errors), RunEnd::NoPicture);
    EXPECT_NE(errors.find("lumox: Image load failed.\n"), std::string::npos);
    Bytes saved = ReadAll(Settings());
    ASSERT_EQ(saved.size(), sizeof(SaverSettings));
    SaverSettings record;
    std::memcpy(&record, saved.data(), sizeof record);
    EXPECT_EQ(record.pathText[0], 0);
    EXPECT_EQ(record.pulseObjectCount, 50);  // the defaults
    EXPECT_TRUE(HasGLContext());             // an early exit leaves what it made
    DestroyGLWindow();

    // An existing file keeps everything but the path.
    record.pathText[0] = 'C';
    record.pathText[1] = ':';
    record.pulseObjectCount = 7;
    std::memcpy(saved.data(), &record, sizeof record);
    WriteAll(Settings(), saved);
    EXPECT_EQ(Run(Offscreen(0), errors), RunEnd::NoPicture);
    saved = ReadAll(Settings());
    std::memcpy(&record, saved.data(), sizeof record);
    EXPECT_EQ(record.pathText[0], 0);
    EXPECT_EQ(record.pathText[1], ':');
    EXPECT_EQ(record.pulseObjectCount, 7);
    DestroyGLWindow();

    // A save that fails is told too: the user would take the settings for
    // saved. (A directory in the file's place cannot be replaced.)
    std::filesystem::remove(Settings());
    std::filesystem::create_directory(Settings());
    EXPECT_EQ(Run(Offscreen(0), errors), RunEnd::NoPicture);
    EXPECT_NE(errors.find("lumox: Image load failed.\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("lumox: The settings could not be saved to " + dirText + "/lumox.cfg (not a regular file).\n"),
              std::string::npos)
        << errors;
    EXPECT_TRUE(std::filesystem::is_directory(Settings()));
}

// A run that may not write the settings (a snapshot) ends without a file;
// one that draws on without its picture (a hack) draws its frames and
// writes nothing either.
TEST_F(SaverRun, RunsThatMayNotWriteTheSettingsLeaveNoFile) {
    WritePicture(Bytes{'B', 'M', 0, 0});
    RunOptions snapshot = Offscreen(2);
    snapshot.maySaveSettings = false;
    std::string errors;
    EXPECT_EQ(Run(snapshot, errors), RunEnd::NoPicture);
    EXPECT_NE(errors.find("lumox: Image load failed.\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Settings()));
    DestroyGLWindow();

    RunOptions hack = Offscreen(3);
    hack.pictureFailureEndsRun = false;
    hack.maySaveSettings = false;
    FrameImage image;
    hack.lastFrame = &image;
    EXPECT_EQ(Run(hack, errors), RunEnd::Done);
    EXPECT_NE(errors.find("lumox: Image load failed.\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Settings()));
    EXPECT_FALSE(HasGLContext());  // shut down after its frames
    EXPECT_EQ(image.width, 96);
    EXPECT_EQ(image.height, 72);
    ASSERT_NE(image.rgba, nullptr);
}

// With the clock held and the seed fixed a run is repeated exactly; the
// last frame is read back at the surface's size, or at the configured
// resolution when none is given.
TEST_F(SaverRun, AHeldClockAndAFixedSeedRepeatTheLastFrameExactly) {
    WritePicture(Bitmap(5, 3));
    auto snapshot = [this](uint32_t startMs, FrameImage& image) {
        Reset();
        OverrideSettingsDirectory(dirText.c_str());
        RunOptions options = Repeatable(12, startMs, 7);
        options.lastFrame = &image;
        std::string errors;
        EXPECT_EQ(Run(options, errors), RunEnd::Done) << errors;
        return Pixels(image);
    };
    FrameImage first, second, later;
    const Bytes a = snapshot(5000, first), b = snapshot(5000, second), c = snapshot(9000, later);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);  // the clock drives the figure
    size_t lit = 0;
    for (size_t i = 0; i < a.size(); i += 4) lit += a[i] > 8 || a[i + 1] > 8 || a[i + 2] > 8;
    EXPECT_GT(lit, 100u);

    Reset();
    OverrideSettingsDirectory(dirText.c_str());
    RunOptions configured = Offscreen(1);
    configured.offscreenWidth = configured.offscreenHeight = 0;
    FrameImage image;
    configured.lastFrame = &image;
    std::string errors;
    EXPECT_EQ(Run(configured, errors), RunEnd::Done);
    EXPECT_EQ(image.width, 640);  // resolutionIndex 0 of the defaults
    EXPECT_EQ(image.height, 480);
}

// A run told to quit before its last frame shuts down and reads nothing
// back, and leaves the flag for the host to read; a surface too large to
// draw is refused before any frame, and the stop then lets it go.
TEST_F(SaverRun, AQuitBeforeTheLastFrameReadsNothingBackAndAnUndrawableSizeIsRefused) {
    WritePicture(Bitmap(2, 2));
    RunOptions options = Offscreen(5);
    FrameImage image;
    options.lastFrame = &image;
    ASSERT_EQ(StartRun(options), RunEnd::Done);
    EXPECT_TRUE(RunOneFrame());
    renderWindow.quitRequested = 1;  // Escape, say
    EXPECT_FALSE(RunOneFrame());
    EXPECT_EQ(saverRun.course.framesDrawn, 1);
    EXPECT_EQ(StopRun(), RunEnd::QuitEarly);
    EXPECT_FALSE(HasGLContext());
    EXPECT_EQ(renderWindow.quitRequested, 1);

    options.offscreenWidth = 16384;
    options.offscreenHeight = 16384;
    std::string errors;
    EXPECT_EQ(Run(options, errors), RunEnd::Refused);
    EXPECT_NE(errors.find("lumox: a 16384x16384 snapshot is more than this OpenGL can draw offscreen: at most "),
              std::string::npos)
        << errors;
    EXPECT_EQ(renderWindow.quitRequested, 0);  // the new start began without the old flag
    EXPECT_TRUE(HasGLContext());              // an early exit leaves what it made
    EXPECT_FALSE(RunOneFrame());
    EXPECT_EQ(StopRun(), RunEnd::Refused);
    EXPECT_FALSE(HasGLContext());
}

// Start, one frame at a time and stop draw what the loop over them draws;
// the frames stop at the count, and a stop after a stop changes nothing.
TEST_F(SaverRun, AHostDrivingFrameByFrameGetsTheLoopsLastFrame) {
    WritePicture(Bitmap(5, 3));
    RunOptions options = Repeatable(10, 7000, 11);
    const Bytes looped = LoopsLastFrame(options);

    FrameImage driven;
    options.lastFrame = &driven;
    ASSERT_EQ(StartRun(options), RunEnd::Done);
    for (int frame = 1; frame <= 10; ++frame) EXPECT_EQ(RunOneFrame(), frame < 10) << frame;
    EXPECT_FALSE(RunOneFrame());
    EXPECT_EQ(saverRun.course.framesDrawn, 10);
    EXPECT_EQ(StopRun(), RunEnd::Done);
    EXPECT_FALSE(HasGLContext());
    ASSERT_EQ(driven.width, 96);
    EXPECT_EQ(Pixels(driven), looped);
    EXPECT_EQ(StopRun(), RunEnd::Done);
    EXPECT_FALSE(RunOneFrame());
}

// A start after a stop begins from a clean record, whatever the last run
// left: no texture names, scene nodes, spin, clock time or flags carried
// over, and the same last frame as a run in a fresh process.
TEST_F(SaverRun, ASecondStartBeginsFromACleanRecord) {
    WritePicture(Bitmap(5, 3));
    RunOptions options = Repeatable(6, 3000, 5);
    const Bytes fresh = LoopsLastFrame(options);

    // A run ended by a quit in the middle of things: textures made, nodes
    // added for a frame never drawn, the password flag and the mouse seen.
    RunOptions endless = Offscreen(0);
    ASSERT_EQ(StartRun(endless), RunEnd::Done);
    for (int frame = 0; frame < 4; ++frame) ASSERT_TRUE(RunOneFrame());
    AnimateScene();
    ASSERT_NE(sceneList, nullptr);
    renderWindow.verifyingPassword = 1;
    GLWindowMouseMove(3, 4);
    renderWindow.quitRequested = 1;
    EXPECT_EQ(StopRun(), RunEnd::Done);  // no frame count: a run ends by quitting
    EXPECT_GE(nextTextureName, 4);       // the picture and both screen copies

    FrameImage again;
    options.lastFrame = &again;
    ASSERT_EQ(StartRun(options), RunEnd::Done);
    EXPECT_EQ(sceneList, nullptr);
    EXPECT_EQ(pictureTexture, 1);
    EXPECT_EQ(nextTextureName, 2);
    EXPECT_EQ(feedbackTexture, -1);
    EXPECT_EQ(blurTexture, -1);
    EXPECT_EQ(frameTime, 0u);
    for (int i = 0; i < MaxPulseObjects; ++i) ASSERT_EQ(spinAngle[i], 0.0f) << i;
    EXPECT_EQ(renderWindow.quitRequested, 0);
    EXPECT_EQ(renderWindow.verifyingPassword, 0);
    EXPECT_EQ(renderWindow.mouseMoveCount, 0);
    EXPECT_EQ(saverRun.course.framesDrawn, 0);
    while (RunOneFrame()) {
    }
    EXPECT_EQ(StopRun(), RunEnd::Done);
    EXPECT_EQ(Pixels(again), fresh);
}

}  // namespace
