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

void PrepareSettings() {
    if (!LoadSettings()) ApplyDefaultSettings();
    FillResolutionTable();
}

void ComposeFrame() {
    if (videoInputEnabled) UploadVideoFrame();
    AnimateScene();
    RenderFrame();
}

void DrawOneFrame() {
    ComposeFrame();
    ReportFrame();
    SwapGLBuffers();
    if (saverSettings.limitFrameRate) SleepMilliseconds(10);
}

void RunMainLoop() {
    while (!renderWindow.quitRequested) {
        switch (PumpOneMessage()) {
            case PumpResult::Quit:
                renderWindow.quitRequested = 1;
                break;
            case PumpResult::Handled:
                break;
            case PumpResult::Empty:
                DrawOneFrame();
                break;
        }
    }
}

bool runWithoutPicture = false;

int RunSaver(NativeWindow saverWindow, bool isPreview, bool forceWindowed) {
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

    // The message is already shown. A run that ends here saves the settings
    // with an empty path, which also writes the defaults when there was no
    // settings file, and says so when it cannot; a run that draws on
    // without its picture writes nothing.
    if (!LoadFallbackImage() && !runWithoutPicture) {
        saverSettings.pathText[0] = '\0';
        if (!SaveSettings()) ShowError("%s", SettingsSaveProblem());
        return 0;
    }

    std::srand(TickCount());

    RunMainLoop();

    DestroyGLWindow();
    if (capturing) ReleaseCaptureGraph();
    return 1;
}
