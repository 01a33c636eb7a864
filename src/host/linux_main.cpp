// Entry point of the Linux build: reads the command line and runs the saver
// full screen (-s), in a captioned window (--window), on another program's
// window (/p ID, and XScreenSaver's --root and --window-id), headless into a
// PNG (--snapshot), or the configuration dialog (no arguments, /c).
#include "common/termination.h"
#include "host/config_dialog.h"
#include "host/command_line.h"
#include "host/libpng_writer.h"
#include "host/x11_gl_window.h"
#include "render/run_lifecycle.h"
#include "video/capture_source.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kUsage[] =
    "Usage: lumox [OPTION]\n"
    "Live-video screen saver.\n"
    "\n"
    "  (no option), /c     the configuration dialog (/c:ID: owned by window ID)\n"
    "  -s, /s              run the saver full screen\n"
    "  /p ID               run the saver on the X window ID (decimal)\n"
    "  --root              run on $XSCREENSAVER_WINDOW, else on the root window\n"
    "                      (as an XScreenSaver hack: SIGTERM ends the run)\n"
    "  --window-id ID      run on window ID (decimal or 0x hexadecimal)\n"
    "  --window            run the saver in a window (q, Q or Escape quits)\n"
    "  --fps               print the frame rate on stderr once a second\n"
    "  --snapshot FILE.png render offscreen and write the last frame, with\n"
    "      --frames N      frames to render (30)\n"
    "      --size WxH      image size (the configured resolution), at most what\n"
    "                      the offscreen OpenGL draws (4096x4096 with Mesa)\n"
    "      --start-ms T    frame time of the first frame (0)\n"
    "      --step-ms S     frame time added per frame (16)\n"
    "      --seed N        seed of the random generator (1)\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "\n"
    "Settings are read from $XDG_CONFIG_HOME/lumox/lumox.cfg (else ~/.config/lumox),\n"
    "the picture from lumox.bmp there (else the installed default picture).\n";

// A snapshot: the run offscreen, then its last frame into the PNG. Whatever
// went wrong has been said; a snapshot told to end (SIGTERM, SIGINT) writes
// no picture.
int RunSnapshot(const LinuxCommand& command) {
    FrameImage image;
    RunOptions options = RunOptionsFor(command);
    options.lastFrame = &image;
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
            return 1;
        case RunEnd::Refused:
        case RunEnd::NoPicture:
            break;
    }
    // The picture failed, and said so already.
    return 1;
}

int RunOnGivenWindow(const LinuxCommand& command) {
    RunOptions options = RunOptionsFor(command);
    if (command.mode == LinuxMode::Hack && !options.givenWindow) {
        options.givenWindow = X11RootWindow();
        if (!options.givenWindow) {
            std::fprintf(stderr, "lumox: cannot open the display (is DISPLAY set?)\n");
            return 1;
        }
    }
    if (!X11WindowExists(options.givenWindow)) {
        std::fprintf(stderr, "lumox: there is no window 0x%lx on the display\n",
                     static_cast<unsigned long>(options.givenWindow));
        return -1;
    }
    return RunOnDisplay(options);
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
    switch (command.mode) {
        case LinuxMode::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case LinuxMode::Version:
            std::puts("lumox " LUMOX_VERSION);
            return 0;
        case LinuxMode::Snapshot:
            return RunSnapshot(command);
        case LinuxMode::ConfigDialog:
            return RunDialog(command);
        case LinuxMode::FullScreen:
        case LinuxMode::Windowed:
            return RunOnDisplay(RunOptionsFor(command));
        case LinuxMode::Preview:
        case LinuxMode::Hack:
            return RunOnGivenWindow(command);
        case LinuxMode::Invalid:
            break;
    }
    std::fprintf(stderr, "lumox: %s\nTry 'lumox --help'.\n", command.error.c_str());
    return -1;
}
