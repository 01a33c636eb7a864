// Entry point of the Linux build: reads the command line and runs the saver
// full screen (-s), in a captioned window (--window), on another program's
// window (/p ID, and XScreenSaver's --root and --window-id), headless into a
// PNG (--snapshot), or the configuration dialog (no arguments, /c); or adds
// Lumox to XScreenSaver's programs list (--add-to-xscreensaver).
#include "common/clock.h"
#include "common/gl.h"
#include "common/termination.h"
#include "host/config_dialog.h"
#include "host/linux_gl_backend.h"
#include "host/linux_options.h"
#include "host/option_docs.h"
#include "host/png_writer.h"
#include "host/settings.h"
#include "host/xscreensaver_file.h"
#include "render/frame_report.h"
#include "render/run_lifecycle.h"
#include "video/fallback_image.h"
#include "video/capture_source.h"
#include "video/gst_capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr uint32_t kFirstFrameTimeoutMs = 5000;

// A snapshot told to end (SIGTERM, SIGINT) writes no picture.
int EndInterruptedSnapshot(bool capturing) {
    DestroyGLWindow();
    if (capturing) ReleaseCaptureGraph();
    std::fprintf(stderr, "lumox: interrupted; no snapshot written\n");
    return 1;
}

// What the offscreen context just made can draw, copy and hold.
OffscreenLimits QueryOffscreenLimits() {
    OffscreenLimits limits;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.viewportWidth = viewport[0];
    limits.viewportHeight = viewport[1];
    GLint rectangle = 0;
    glGetIntegerv(GL_MAX_RECTANGLE_TEXTURE_SIZE, &rectangle);
    limits.rectangleTexture = rectangle;
    int pixels = 0;
    EglPbufferLimits(limits.pbufferWidth, limits.pbufferHeight, pixels);
    limits.pbufferPixels = pixels;
    return limits;
}

int RunSnapshot(const LinuxCommand& command) {
    SelectGLBackend(LinuxGLBackend::Egl);
    std::memset(&saverSettings, 0, sizeof saverSettings);
    PrepareSettings();
    int width = command.width;
    int height = command.height;
    if (width == 0) {
        width = SelectedResolution().width;
        height = SelectedResolution().height;
    }
    if (!CreateGLWindow(0, width, height, saverSettings.colorBits, 0)) {
        std::fprintf(stderr, "lumox: cannot create an offscreen OpenGL context (EGL)\n");
        return 1;
    }
    // A size the context cannot draw, copy or read back would give a wrong
    // picture, or hours of work and gigabytes for nothing: refused first.
    const std::string tooLarge = SnapshotSizeProblem(width, height, QueryOffscreenLimits());
    if (!tooLarge.empty()) {
        std::fprintf(stderr, "lumox: %s\n", tooLarge.c_str());
        DestroyGLWindow();
        return 1;
    }
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    std::unique_ptr<unsigned char[]> pixels(new (std::nothrow) unsigned char[bytes]);
    if (!pixels) {
        std::fprintf(stderr, "lumox: no memory for the %zu MB of a %dx%d snapshot\n", bytes >> 20, width, height);
        DestroyGLWindow();
        return 1;
    }
    // ShowError has put the reason on stderr. A snapshot never writes the
    // settings file, so unlike the saver it does not save them here.
    OverridePicturePath(command.settings.picture);
    if (!LoadFallbackImage()) {
        DestroyGLWindow();
        return 1;
    }
    ApplySettingOverrides(command.settings, saverSettings);
    if (command.frameRate)
        std::fprintf(stderr, "lumox: --fps: a snapshot is drawn without a window system, whose fonts the overlay "
                             "needs; no overlay\n");
    // A video source (a camera, or LUMOX_VIDEO_SOURCE) gets a few seconds for
    // its first frame, so that the snapshot shows video; without one the
    // still picture shows, and the capture back end says why.
    const bool capturing = BuildCaptureGraph();
    const FirstFrame first = capturing ? WaitForFirstVideoFrame(kFirstFrameTimeoutMs) : FirstFrame::NoCapture;
    if (first != FirstFrame::Arrived && !TerminationRequested()) ShowError("%s", CaptureFailureText());
    std::srand(command.seed);
    for (int frame = 0; frame < command.frames; ++frame) {
        if (TerminationRequested()) return EndInterruptedSnapshot(capturing);
        HoldClockAt(command.startMs + static_cast<uint32_t>(frame) * command.stepMs);
        ComposeFrame();
        SwapGLBuffers();
    }
    ReleaseClock();
    if (TerminationRequested()) return EndInterruptedSnapshot(capturing);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.get());
    DestroyGLWindow();
    if (capturing) ReleaseCaptureGraph();
    std::string error;
    if (!WritePngFromGL(command.snapshotPath.c_str(), pixels.get(), width, height, error)) {
        std::fprintf(stderr, "lumox: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// A run on the display: in a window of its own (target 0), or on target,
// which belongs to another program and only the run's end is watched for.
int RunOnDisplay(const LinuxCommand& command, NativeWindow target) {
    SelectGLBackend(LinuxGLBackend::X11);
    SetX11QuitKeys(command.mode == LinuxMode::Windowed);
    EnableFrameRateReport(command.frameRate);
    const int ran = target ? RunSaver(target, true, false, &command.settings)
                           : RunSaver(0, false, command.mode == LinuxMode::Windowed, &command.settings);
    if (!ran) {
        // With the window open the picture failed, and said so already.
        if (!renderWindow.glContext)
            std::fprintf(stderr, "lumox: cannot open the OpenGL window (is DISPLAY set?)\n");
        return 1;
    }
    return 0;
}

int RunOnGivenWindow(const LinuxCommand& command) {
    NativeWindow target = command.window;
    // A hack is never to end for a picture it cannot read.
    runWithoutPicture = command.mode == LinuxMode::Hack;
    if (command.mode == LinuxMode::Hack && !target) {
        target = X11RootWindow();
        if (!target) {
            std::fprintf(stderr, "lumox: cannot open the display (is DISPLAY set?)\n");
            return 1;
        }
    }
    if (!X11WindowExists(target)) {
        // Without a display no window can be found: that is what to say.
        if (!X11RootWindow())
            std::fprintf(stderr, "lumox: cannot open the display (is DISPLAY set?)\n");
        else
            std::fprintf(stderr, "lumox: there is no window 0x%lx on the display\n", static_cast<unsigned long>(target));
        return -1;
    }
    return RunOnDisplay(command, target);
}

int RunDialog(const LinuxCommand& command) {
    // An owner that is no window gives a dialog without one.
    NativeWindow owner = command.owner && X11WindowExists(command.owner) ? command.owner : 0;
    return RunConfigDialogBox(owner);
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so that every wait of every mode sees SIGTERM and SIGINT;
    // before this a signal simply ends the process.
    WatchTermination();
    LinuxCommand command = ParseLinuxCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    PreferCaptureDevice(command.device);
    switch (command.mode) {
        case LinuxMode::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case LinuxMode::AddToXScreenSaver:
            return AddLumoxToXScreenSaver();
        case LinuxMode::Version:
            std::puts("lumox " LUMOX_VERSION);
            return 0;
        case LinuxMode::Snapshot:
            return RunSnapshot(command);
        case LinuxMode::ConfigDialog:
            return RunDialog(command);
        case LinuxMode::FullScreen:
        case LinuxMode::Windowed:
            return RunOnDisplay(command, 0);
        case LinuxMode::Preview:
        case LinuxMode::Hack:
            return RunOnGivenWindow(command);
        case LinuxMode::Invalid:
            break;
    }
    std::fprintf(stderr, "lumox: %s\nTry 'lumox --help'.\n", command.error.c_str());
    return -1;
}
