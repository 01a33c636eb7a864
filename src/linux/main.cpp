// Entry point of the Linux build: reads the command line and runs the saver
// full screen (-s), in a captioned window (--window), on another program's
// window (/p ID, and XScreenSaver's --root and --window-id), headless into a
// PNG (--snapshot), or the configuration dialog (no arguments, /c); or adds
// Lumox to XScreenSaver's programs list (--add-to-xscreensaver).
#include "platform/termination.h"
#include "app/command_line.h"
#include "platform/config_dialog.h"
#include "linux/libpng_writer.h"
#include "app/option_docs.h"
#include "linux/x11_gl_window.h"
#include "platform/xscreensaver_file.h"
#include "app/run.h"
#include "platform/capture_source.h"
#include "linux/gst_capture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A snapshot: the run offscreen, then its last frame into the PNG. Whatever
// went wrong has been said; a snapshot told to end (SIGTERM, SIGINT) writes
// no picture.
int RunSnapshot(const CommandLine& command) {
    FrameImage image;
    RunOptions options = RunOptionsFor(command);
    options.lastFrame = &image;
    if (command.frameRate)
        std::fprintf(stderr, "lumox: --fps: a snapshot is drawn without a window system, whose fonts the overlay "
                             "needs; no overlay\n");
    const RunEnd end = RunSaver(options);
    if (end == RunEnd::NoWindow) std::fprintf(stderr, "lumox: cannot create an offscreen OpenGL context (EGL)\n");
    if (end != RunEnd::Done && end != RunEnd::QuitEarly) {
        // An early exit leaves what was made; a snapshot lets it go.
        DestroyGLWindow();
        ReleaseCaptureGraph();
        return 1;
    }
    if (end == RunEnd::QuitEarly || TerminationRequested()) {
        std::fprintf(stderr, "lumox: interrupted; no snapshot written\n");
        return 1;
    }
    std::string error;
    if (!WritePngFromGL(command.snapshotPath.c_str(), image.rgba.get(), image.width, image.height, error)) {
        std::fprintf(stderr, "lumox: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// A run on the display: in a window of its own, or on another program's
// window (a preview, a hack), of which only the run's end is watched for.
int RunOnDisplay(const RunOptions& options) {
    switch (RunSaver(options)) {
        case RunEnd::Done:
        case RunEnd::QuitEarly:
            return 0;
        case RunEnd::NoWindow:
            std::fprintf(stderr, "lumox: cannot open the OpenGL window (is DISPLAY set?)\n");
            break;
        case RunEnd::Refused:
        case RunEnd::NoPicture:
            break;  // the picture failed, and said so already
    }
    // An early exit leaves what was made: the camera is let go (and its
    // threads ended) before the process ends.
    ReleaseCaptureGraph();
    return 1;
}

int RunOnGivenWindow(const CommandLine& command) {
    RunOptions options = RunOptionsFor(command);
    if (command.mode == RunMode::Hack && !options.givenWindow) {
        options.givenWindow = X11RootWindow();
        if (!options.givenWindow) {
            std::fprintf(stderr, "lumox: cannot open the display (is DISPLAY set?)\n");
            return 1;
        }
    }
    if (!X11WindowExists(options.givenWindow)) {
        // Without a display no window can be found: that is what to say.
        if (!X11RootWindow())
            std::fprintf(stderr, "lumox: cannot open the display (is DISPLAY set?)\n");
        else
            std::fprintf(stderr, "lumox: there is no window 0x%lx on the display\n",
                         static_cast<unsigned long>(options.givenWindow));
        return -1;
    }
    return RunOnDisplay(options);
}

int RunDialog(const CommandLine& command) {
    // An owner that is no window gives a dialog without one.
    NativeWindow owner = command.owner && X11WindowExists(command.owner) ? command.owner : 0;
    return RunConfigDialogBox(owner);
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so that every wait of every mode sees SIGTERM and SIGINT;
    // before this a signal simply ends the process.
    WatchTermination();
    CommandLine command = ParseCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    PreferCaptureDevice(command.device);
    switch (command.mode) {
        case RunMode::Help:
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        case RunMode::AddToXScreenSaver:
            return AddLumoxToXScreenSaver();
        case RunMode::Version:
            std::puts("lumox " LUMOX_VERSION);
            return 0;
        case RunMode::Snapshot:
            return RunSnapshot(command);
        case RunMode::ConfigDialog:
            return RunDialog(command);
        case RunMode::FullScreen:
        case RunMode::Windowed:
            return RunOnDisplay(RunOptionsFor(command));
        case RunMode::Preview:
        case RunMode::Hack:
            return RunOnGivenWindow(command);
        case RunMode::Invalid:
            break;
    }
    std::fprintf(stderr, "lumox: %s\nTry 'lumox --help'.\n", command.error.c_str());
    return -1;
}
