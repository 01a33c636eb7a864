#include "app/run.h"

#include "common/clock.h"
#include "common/gl.h"
#include "app/command_line.h"
#include "app/run_record.h"
#include "settings/settings.h"
#include "render/frame.h"
#include "app/frame_report.h"
#include "scene/animation.h"
#include "platform/capture_source.h"
#include "video/fallback_image.h"
#include "video/frame_exchange.h"
#include "video/texture_upload.h"

#include <cstdlib>
#include <new>
#include <string>

namespace {

// Reads the settings (the defaults when there is no file) into the zeroed
// record, and the resolution table.
void PrepareSettings() {
    if (!LoadSettings()) ApplyDefaultSettings();
    FillResolutionTable();
}

// Starts the capture graph, or (on Linux) sets it starting beside the run.
// Without a camera the saver still runs: it shows the still picture, and
// the capture back end says why in its own terms (on Linux on stderr; on
// Windows no render window exists yet, so nobody sees it). A run told to
// leave the camera off (--no-camera) makes no video source at all, and says
// nothing. true when the graph runs or is starting.
bool StartCapture(const RunOptions& options) {
    if (!videoInputEnabled || !CameraWanted(options.settings)) return false;
    const bool capturing = BeginCapture();
    if (!capturing && *CaptureFailureText()) ShowError("%s", CaptureFailureText());
    return capturing;
}

// What the offscreen surface just made can draw, copy and hold.
OffscreenLimits QueryOffscreenLimits() {
    OffscreenLimits limits;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.viewportWidth = viewport[0];
    limits.viewportHeight = viewport[1];
    GLint rectangle = 0;
    glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE, &rectangle);
    limits.rectangleTexture = rectangle;
    OffscreenSurfaceLimits(limits.pbufferWidth, limits.pbufferHeight, limits.pbufferPixels);
    return limits;
}

// Makes room for the read-back of a width x height frame; false (said) when
// there is no memory for it.
bool ReserveFrameImage(FrameImage& image, int width, int height) {
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    image.rgba.reset(new (std::nothrow) unsigned char[bytes]);
    if (!image.rgba) {
        ShowError("no memory for the %s MB of a %dx%d snapshot", std::to_string(bytes >> 20).c_str(), width, height);
        return false;
    }
    image.width = width;
    image.height = height;
    return true;
}

// Opens the render window the options ask for; an offscreen surface must be
// able to draw, copy and read back the whole frame. Early-exit result, or
// Done when the window is ready.
RunEnd OpenRenderWindow(const RunOptions& options) {
    renderWindow.quitKeys = options.window == RunWindow::Own && options.windowed && options.quitKeys;
    const int colorBits = saverSettings.colorBits;
    switch (options.window) {
        case RunWindow::Given:
            return CreateGLWindow(options.givenWindow, 160, 120, colorBits, 0) ? RunEnd::Done : RunEnd::NoWindow;
        case RunWindow::Own: {
            const Resolution& mode = SelectedResolution();
            const int fullScreen = options.windowed ? 0 : saverSettings.fullScreen;
            return CreateGLWindow(0, mode.width, mode.height, colorBits, fullScreen) ? RunEnd::Done
                                                                                      : RunEnd::NoWindow;
        }
        case RunWindow::Offscreen:
            break;
    }
    int width = options.offscreenWidth;
    int height = options.offscreenHeight;
    if (width <= 0 || height <= 0) {
        width = SelectedResolution().width;
        height = SelectedResolution().height;
    }
    if (!CreateOffscreenGLWindow(width, height, colorBits)) return RunEnd::NoWindow;
    // A size the surface cannot draw, copy or read back would give a wrong
    // picture, or hours of work and gigabytes for nothing: refused first.
    const std::string tooLarge = SnapshotSizeProblem(width, height, QueryOffscreenLimits());
    if (!tooLarge.empty()) {
        ShowError("%s", tooLarge.c_str());
        return RunEnd::Refused;
    }
    if (options.lastFrame && !ReserveFrameImage(*options.lastFrame, width, height)) return RunEnd::Refused;
    return RunEnd::Done;
}

// Reads the still picture (or the one the run names), then puts the run's
// own settings into the record. When the picture cannot be read the
// message is already shown; a run that ends then saves the settings with an
// empty path, if it may write them (which also writes the defaults when
// there was no file), and says so when it cannot. The run's values come
// after that save, so that it writes the file's own values; a picture named
// for the run is not the file's, and its failure saves nothing. A folder
// named for the run shows the picture seed picks. false when the run ends
// here.
bool LoadPicture(const RunOptions& options, uint32_t seed) {
    const bool ownPicture = options.settings.picture.empty();
    OverridePicturePath(options.settings.picture, seed);
    const bool loaded = LoadFallbackImage();
    const bool ends = !loaded && options.pictureFailureEndsRun;
    if (ends && ownPicture && options.maySaveSettings) {
        saverSettings.pathText[0] = '\0';
        if (!SaveSettings()) ShowError("%s", SettingsSaveProblem());
    }
    ApplySettingOverrides(options.settings, saverSettings);
    return !ends;
}

// Gives a running capture time for its first frame, so that the first frame
// drawn shows video; says why when none came (unless the process was told
// to end, which the main loop then sees, or the start failed, which said
// so itself).
void WaitForFirstFrame(const RunOptions& options, bool capturing) {
    if (!capturing || options.firstFrameWaitMs == 0) return;
    const FirstFrame first = WaitForFirstVideoFrame(options.firstFrameWaitMs);
    if (first == FirstFrame::SourceEnded || first == FirstFrame::TimedOut) ShowError("%s", CaptureFailureText());
}

// One frame: composition, the frame reports (trace, --fps overlay), the
// swap, and the pause, whose length the frame-rate overlay's load counts.
void DrawOneFrame(uint32_t pauseMicroseconds, uint64_t* swappedAt) {
    ComposeFrame();
    ReportFrame();
    SwapGLBuffers();
    if (swappedAt) *swappedAt = MonotonicMicroseconds();
    if (pauseMicroseconds) {
        const uint64_t start = MonotonicMicroseconds();
        SleepMicroseconds(pauseMicroseconds);
        NoteFramePause(MonotonicMicroseconds() - start);
    }
}

// Whether the run that is on goes on: not told to quit, and frames left.
bool RunGoesOn() {
    const RunCourse& course = saverRun.course;
    const int frames = course.options.frames;
    return course.running && !renderWindow.quitRequested && !(frames > 0 && course.framesDrawn >= frames);
}

// Whether the run drew every frame it was to draw (a run without a frame
// count ends by quitting).
bool AllFramesDrawn() {
    const RunCourse& course = saverRun.course;
    return course.options.frames == 0 || course.framesDrawn >= course.options.frames;
}

// The frame in the back buffer, into the image reserved for it.
void ReadBackFrame(FrameImage& image) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.get());
}

}  // namespace

void ComposeFrame() {
    if (videoInputEnabled) {
        // The stream has ended: no frame will come again, and the still
        // picture takes the figure back from the last one (without a
        // picture, a hack that runs without one, the last frame stays).
        if (TakeCaptureEnded()) ShowPictureAgain();
        UploadVideoFrame();
    }
    AnimateScene();
    RenderFrame();
}

RunEnd StartRun(const RunOptions& options) {
    if (saverRun.course.running) StopRun();
    ResetRun();
    RunCourse& course = saverRun.course;
    course.options = options;
    course.capturing = StartCapture(options);
    PrepareSettings();

    // One seed for the run's chances: the picture a folder offers, and the figure.
    const uint32_t seed = options.fixedSeed ? options.seed : TickCount();
    course.end = OpenRenderWindow(options);
    if (course.end == RunEnd::Done && !LoadPicture(options, seed)) course.end = RunEnd::NoPicture;
    if (course.end != RunEnd::Done) return course.end;

    std::srand(seed);
    EnableFrameRateReport(options.frameRateReport);
    WaitForFirstFrame(options, course.capturing);
    course.pauseMicroseconds =
        options.pauseAfterFrame ? FramePauseMicroseconds(&options.settings, saverSettings) : 0;
    course.running = true;
    return RunEnd::Done;
}

bool RunOneFrame() {
    if (!RunGoesOn()) return false;
    RunCourse& course = saverRun.course;
    const RunOptions& options = course.options;
    if (options.holdClock)
        HoldClockAt(options.clockStartMs + static_cast<uint32_t>(course.framesDrawn) * options.clockStepMs);
    DrawOneFrame(course.pauseMicroseconds, course.framesDrawn == 0 ? options.firstFrameAt : nullptr);
    ++course.framesDrawn;
    return RunGoesOn();
}

RunEnd StopRun() {
    RunCourse& course = saverRun.course;
    if (course.running) {
        course.running = false;
        if (course.options.holdClock) ReleaseClock();
        const bool allDrawn = AllFramesDrawn();
        if (allDrawn && course.options.lastFrame) ReadBackFrame(*course.options.lastFrame);
        course.end = allDrawn ? RunEnd::Done : RunEnd::QuitEarly;
    }
    DestroyGLWindow();
    if (course.capturing) ReleaseCaptureGraph();
    course.capturing = false;
    return course.end;
}

RunEnd RunSaver(const RunOptions& options) {
    const RunEnd started = StartRun(options);
    if (started != RunEnd::Done) return started;
    // A pass handles one pending message, or draws one frame when none is
    // pending: input is never held up by more than one frame.
    bool goesOn = RunGoesOn();
    while (goesOn) {
        switch (PumpOneMessage()) {
            case PumpResult::Quit:
                renderWindow.quitRequested = 1;
                goesOn = false;
                break;
            case PumpResult::Handled:
                goesOn = RunGoesOn();
                break;
            case PumpResult::Empty:
                goesOn = RunOneFrame();
                break;
        }
    }
    return StopRun();
}
