#include "render/run_lifecycle.h"

#include "common/clock.h"
#include "host/settings.h"
#include "render/frame.h"
#include "render/frame_report.h"
#include "scene/animation.h"
#include "video/capture_source.h"
#include "video/fallback_image.h"
#include "video/texture_upload.h"

#include <cstdlib>
#include <cstring>

namespace {
// The stream has ended: no frame will come again, so the one still flagged
// is dropped and the still picture replaces the last frame on the figure.
// Without a picture (a hack that runs without one) the last frame stays.
void ShowStillPictureAgain() {
    videoFrameState.newFrame.store(false);
    ShowPictureAgain();
}
}  // namespace

void PrepareSettings() {
    if (!LoadSettings()) ApplyDefaultSettings();
    FillResolutionTable();
}

void ComposeFrame() {
    if (videoInputEnabled) {
        if (videoFrameState.captureEnded.exchange(false)) ShowStillPictureAgain();
        UploadVideoFrame();
    }
    AnimateScene();
    RenderFrame();
}

void DrawOneFrame(uint32_t pauseMicroseconds) {
    ComposeFrame();
    ReportFrame();
    SwapGLBuffers();
    if (pauseMicroseconds) {
        const uint64_t start = MonotonicMicroseconds();
        SleepMicroseconds(pauseMicroseconds);
        NoteFramePause(MonotonicMicroseconds() - start);
    }
}

void RunMainLoop(uint32_t pauseMicroseconds) {
    while (!renderWindow.quitRequested) {
        switch (PumpOneMessage()) {
            case PumpResult::Quit:
                renderWindow.quitRequested = 1;
                break;
            case PumpResult::Handled:
                break;
            case PumpResult::Empty:
                DrawOneFrame(pauseMicroseconds);
                break;
        }
    }
}

bool runWithoutPicture = false;

int LoadPictureAndOverrides(const SettingOverrides* overrides) {
    const bool ownPicture = !overrides || overrides->picture.empty();
    OverridePicturePath(ownPicture ? std::string() : overrides->picture);
    const int loaded = LoadFallbackImage();
    // The message is already shown. A run that ends here saves the settings
    // with an empty path, which also writes the defaults when there was no
    // settings file, and says so when it cannot; a run that draws on without
    // its picture writes nothing.
    if (!loaded && ownPicture && !runWithoutPicture) {
        saverSettings.pathText[0] = '\0';
        if (!SaveSettings()) ShowError("%s", SettingsSaveProblem());
    }
    if (overrides) ApplySettingOverrides(*overrides, saverSettings);
    return loaded;
}

int RunSaver(NativeWindow saverWindow, bool isPreview, bool forceWindowed, const SettingOverrides* overrides) {
    std::memset(&saverSettings, 0, sizeof saverSettings);

    // Without a camera the saver still runs: it shows the still picture.
    // The capture back end says why, in its own terms; the message goes to
    // stderr on Linux, while on Windows no render window exists yet, so
    // nobody sees it.
    bool capturing = false;
    if (videoInputEnabled) {
        capturing = BuildCaptureGraph();
        if (!capturing) ShowError("%s", CaptureFailureText());
    }

    PrepareSettings();

    int opened;
    if (isPreview) {
        opened = CreateGLWindow(saverWindow, 160, 120, saverSettings.colorBits, 0);
    } else {
        const Resolution& mode = SelectedResolution();
        opened = CreateGLWindow(0, mode.width, mode.height, saverSettings.colorBits,
                                forceWindowed ? 0 : saverSettings.fullScreen);
    }
    if (!opened) return 0;

    // The message is already shown; a run that draws on without its
    // picture goes on.
    if (!LoadPictureAndOverrides(overrides) && !runWithoutPicture) return 0;

    std::srand(TickCount());

    RunMainLoop(FramePauseMicroseconds(overrides, saverSettings));

    DestroyGLWindow();
    if (capturing) ReleaseCaptureGraph();
    return 1;
}
