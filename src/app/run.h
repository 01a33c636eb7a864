// One run of the saver: start-up, one frame at a time, and shut-down, in one
// order for every mode, over the one run record (app/run_record.h). A host
// that calls the saver once per frame itself drives StartRun, RunOneFrame
// and StopRun; RunSaver is the loop over them that today's hosts use. On
// Windows it runs inside the saver window's WM_CREATE (SaverProc); on Linux
// the entry point calls it for a window of its own, another program's
// window (a preview, XScreenSaver) and a snapshot. What differs between the
// modes is the RunOptions record handed in.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gl_window.h"
#include "settings/settings.h"

// Video capture and the per-frame upload; off builds show the still picture.
constexpr bool videoInputEnabled = true;

// Where the run's render window comes from.
enum class RunWindow {
    Own,        // a window of its own at the configured resolution, full screen as fullScreen says
    Given,      // the context on givenWindow, 160 x 120 (a platform that follows the window takes its size)
    Offscreen,  // an offscreen surface of offscreenWidth x offscreenHeight
};

// The last frame of a run, read back before shut-down: width x height RGBA
// pixels, rows bottom-up as glReadPixels gives them.
struct FrameImage {
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char[]> rgba;  // width x height x 4 bytes
};

// How a run is to go. The defaults are the Windows saver run full screen.
struct RunOptions {
    RunWindow window = RunWindow::Own;
    NativeWindow givenWindow = 0;  // Given: the window to draw on (a preview, a hack's window)
    bool windowed = false;         // Own: a captioned window, whatever fullScreen says
    bool quitKeys = false;         // Own and windowed: q, Q and Escape end the run (renderWindow.quitKeys)
    int offscreenWidth = 0;        // Offscreen: the surface's size; 0 x 0 is the configured resolution
    int offscreenHeight = 0;

    // A picture that cannot be read ends the run (the saver), or the run
    // draws on without it (a hack, which the XScreenSaver daemon would
    // otherwise restart again and again).
    bool pictureFailureEndsRun = true;
    // Whether the run may write the settings file: the saver saves them with
    // an empty picture path when its picture cannot be read, as the Windows
    // saver always has (which also writes the defaults when there was no
    // file). A hack and a snapshot never write it.
    bool maySaveSettings = true;

    // The clock: live, or held at clockStartMs for the first frame and
    // clockStepMs later for each frame after it.
    bool holdClock = false;
    uint32_t clockStartMs = 0;
    uint32_t clockStepMs = 0;
    // Frames to draw; 0: until told to quit.
    int frames = 0;
    // The random generator's seed: the tick count at start, or seed.
    bool fixedSeed = false;
    uint32_t seed = 0;
    // Values of the settings for this run alone (a command line's): they
    // replace the file's after the picture is read, and are never saved. A
    // picture named here is read instead of lumox.bmp, and its failure
    // saves nothing.
    SettingOverrides settings;
    // The pause after each frame (settings.delayMicroseconds, else the one
    // limitFrameRate asks for); a snapshot, which holds the clock, draws
    // without it.
    bool pauseAfterFrame = true;
    // How long a running capture may take for its first frame before the
    // first frame is drawn; 0: not waited for (the saver never waits).
    uint32_t firstFrameWaitMs = 0;
    // The frame-rate figure (--fps).
    bool frameRateReport = false;
    // Where the last frame goes when every frame was drawn; null: nowhere.
    FrameImage* lastFrame = nullptr;
    // Where the moment the first frame was swapped goes (MonotonicMicroseconds),
    // for a measure of start-up; null: nowhere.
    uint64_t* firstFrameAt = nullptr;
};

// How a run ended.
enum class RunEnd {
    Done,         // the main loop ran to its end (a quit, or the last frame) and everything was shut down
    QuitEarly,    // told to quit before the last of its frames: shut down, nothing read back
    NoWindow,     // the render window could not be made (nothing said, nothing released)
    Refused,      // the offscreen surface cannot draw, copy or hold the frame asked for; said so
    NoPicture,    // the picture could not be read and that ends the run; said so
};

// Starts a run, in this order:
//  1. the run record put back to its start values (ResetRun: the settings
//     zeroed, no texture names taken, no scene nodes, no flags), after a
//     run still on was stopped; the capture graph started, on Linux beside
//     the run, which never waits for it (without a camera the run shows the
//     still picture, and the back end says why), unless the run's settings
//     leave the camera off: then no video source is made at all;
//  2. the settings read (the defaults when there is no file) and the
//     resolution table filled;
//  3. the render window opened as options.window says;
//  4. the still picture read (its failure ends the run, and may save the
//     settings, as the options say); of a folder, the picture the run's
//     seed picks;
//  5. the random generator seeded with that seed (and a first frame of
//     video waited for, if asked).
// Done when the run is on. An early exit (NoWindow, Refused, NoPicture)
// leaves what was made in place, for StopRun or the process's end. The
// options' lastFrame and firstFrameAt must stay valid until StopRun.
RunEnd StartRun(const RunOptions& options);

// Draws one frame of the run that is on: the video frame taken up, the
// scene animated, the frame composed, reported and swapped, then the pause
// after it. The host sees to the window's messages (PumpOneMessage, or its
// own). true while the run goes on: it is on, quitRequested is not set and
// frames are left; without that, draws nothing and gives false.
bool RunOneFrame();

// Ends the run: the clock let go, the last frame read back when every frame
// was drawn and the options ask for it, the render window destroyed and the
// capture graph released. Done when every frame asked for was drawn (a run
// without a frame count ends by quitting), QuitEarly when told to quit
// before. After a start that failed it lets go what that start made and
// gives its result. The record stays as the run left it (the host may read
// quitRequested) until the next start.
RunEnd StopRun();

// The whole run in the saver's own loop, as the Windows saver (inside
// WM_CREATE) and the Linux entry point run it: StartRun, then passes of one
// window-system message, or one frame when none is pending, until the run
// ends, then StopRun. After an early exit of the start nothing is stopped:
// what was made stays in place.
RunEnd RunSaver(const RunOptions& options);

// The frame step without presenting it: upload, animation, composition.
void ComposeFrame();
