// Entry point of the Linux build: reads the command line and runs the saver
// full screen (-s), in a captioned window (--window), or headless into a PNG
// (--snapshot), or shows the configuration dialog (-c or no arguments).
#include "common/clock.h"
#include "common/gl.h"
#include "host/config_dialog.h"
#include "host/linux_gl_backend.h"
#include "host/linux_options.h"
#include "host/png_writer.h"
#include "host/settings.h"
#include "render/run_lifecycle.h"
#include "video/fallback_image.h"
#include "video/capture_source.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char kUsage[] =
    "Usage: lumox [OPTION]\n"
    "Live-video screen saver.\n"
    "\n"
    "  (none), -c, /c      edit the settings\n"
    "  -s, /s              run the saver full screen\n"
    "  --window            run the saver in a window (q, Q or Escape quits)\n"
    "  --snapshot FILE.png render offscreen and write the last frame, with\n"
    "      --frames N      frames to render (30)\n"
    "      --size WxH      image size (the configured resolution)\n"
    "      --start-ms T    frame time of the first frame (0)\n"
    "      --step-ms S     frame time added per frame (16)\n"
    "      --seed N        seed of the random generator (1)\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "\n"
    "Settings are read from $XDG_CONFIG_HOME/lumox/lumox.cfg (else ~/.config/lumox),\n"
    "the picture from lumox.bmp there (else the installed default picture).\n";

constexpr uint32_t kFirstFrameTimeoutMs = 5000;

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
    // ShowError has put the reason on stderr. A snapshot never writes the
    // settings file, so unlike the saver it does not save them here.
    if (!LoadFallbackImage()) {
        DestroyGLWindow();
        return 1;
    }
    // A video source (a camera, or LUMOX_VIDEO_SOURCE) gets a few seconds for
    // its first frame, so that the snapshot shows video; without one the
    // still picture shows.
    const bool capturing = BuildCaptureGraph();
    if (capturing) WaitForFirstVideoFrame(kFirstFrameTimeoutMs);
    std::srand(command.seed);
    for (int frame = 0; frame < command.frames; ++frame) {
        HoldClockAt(command.startMs + static_cast<uint32_t>(frame) * command.stepMs);
        ComposeFrame();
        SwapGLBuffers();
    }
    ReleaseClock();
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    DestroyGLWindow();
    if (capturing) ReleaseCaptureGraph();
    std::string error;
    if (!WritePngFromGL(command.snapshotPath.c_str(), pixels.data(), width, height, error)) {
        std::fprintf(stderr, "lumox: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int RunOnDisplay(bool windowed) {
    SelectGLBackend(LinuxGLBackend::X11);
    SetX11QuitKeys(windowed);
    if (!RunSaver(0, false, windowed)) {
        // With the window open the picture failed, and said so already.
        if (!renderWindow.glContext)
            std::fprintf(stderr, "lumox: cannot open the OpenGL window (is DISPLAY set?)\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    LinuxCommand command = ParseLinuxCommandLine(argc, argv);
    switch (command.mode) {
        case LinuxMode::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case LinuxMode::Version:
            std::puts("lumox " LUMOX_VERSION);
            return 0;
        case LinuxMode::Dialog:
            return RunConfigDialogBox(0);
        case LinuxMode::Snapshot:
            return RunSnapshot(command);
        case LinuxMode::FullScreen:
            return RunOnDisplay(false);
        case LinuxMode::Windowed:
            return RunOnDisplay(true);
        case LinuxMode::Invalid:
            break;
    }
    std::fprintf(stderr, "lumox: %s\nTry 'lumox --help'.\n", command.error.c_str());
    return -1;
}
