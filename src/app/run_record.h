// The run record: everything one run of the saver holds in the portable
// core, in one place. The run owns it: StartRun puts it back to its start
// values (ResetRun) before anything else, the frames work on it, and StopRun
// leaves it as the run ended, for the host to read (the Windows host asks
// whether the run was told to quit).
//
// Its parts are declared by the folders whose units work on them, since no
// lower folder may include this one: settings/ (SettingsInUse), platform/
// (RenderWindowState), video/ (TextureNames, StillPicture), scene/
// (AnimationState, SceneState), render/ (ScreenCopies). Each folder names
// what its units read with references (saverSettings, renderWindow,
// pictureTexture, sceneList, ...) that run_record.cpp binds to this record's
// members: the render passes and the platform units read the record without
// knowing it, and what a part starts from is said once, by its default
// member initialisers.
//
// Not the run's, and so not here: the frame exchange the capture thread
// shares (video/frame_exchange.h, behind its own lock), the settings
// directory (windowsDirectory, the process's), the Windows host's state
// (saverHost, which outlives the run), the frame trace file (one for all
// the runs of a process), and the render passes' savings switch and report
// (frameSavings, frameSavingsReport: for the tests and the benchmark,
// rewritten every frame).
#pragma once

#include <cstdint>

#include "app/frame_report.h"
#include "app/run.h"
#include "platform/gl_window.h"
#include "render/screen_copy.h"
#include "scene/animation.h"
#include "scene/scene_list.h"
#include "settings/settings.h"
#include "video/fallback_image.h"
#include "video/texture_upload.h"

// The run's own course: what it was started with and how far it got.
struct RunCourse {
    // As StartRun was given them; lastFrame and firstFrameAt point into the
    // host's memory until StopRun.
    RunOptions options;
    // How the start went (Done once the run is on), then how the run ended.
    // NoWindow before any start: nothing was made.
    RunEnd end = RunEnd::NoWindow;
    bool running = false;            // started and not yet stopped
    bool capturing = false;          // the capture graph runs or is starting
    uint32_t pauseMicroseconds = 0;  // after each frame
    int framesDrawn = 0;
};

struct SaverRun {
    SettingsInUse settings;          // saverSettings, resolutionTable
    RenderWindowState renderWindow;  // viewportWidth, quitRequested, verifyingPassword, ...
    TextureNames textures;           // nextTextureName, textureFilterMode, pictureTexture
    StillPicture stillPicture;       // the run's picture file, the picture last decoded
    AnimationState animation;        // frameTime, spinAngle
    SceneState scene;                // sceneList, baseBrightness
    ScreenCopies screenCopies;       // feedbackTexture, blurTexture
    FrameReports frameReports;       // the --fps overlay
    RunCourse course;
};

extern SaverRun saverRun;

// Puts the whole record back to its start values, after freeing what it
// owns (the scene nodes, the kept picture). Between runs only: StartRun
// calls it first (tests may too); the GL objects its names refer to went
// with the context that StopRun destroyed.
void ResetRun();
