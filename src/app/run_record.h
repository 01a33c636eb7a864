// The run record: everything one run of the saver holds in the portable
// core, in one place, and put back to its start values in one place
// (ResetRun).
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
#include "platform/gl_window.h"
#include "render/screen_copy.h"
#include "scene/animation.h"
#include "scene/scene_list.h"
#include "settings/settings.h"
#include "video/fallback_image.h"
#include "video/texture_upload.h"

struct SaverRun {
    SettingsInUse settings;          // saverSettings, resolutionTable
    RenderWindowState renderWindow;  // viewportWidth, quitRequested, verifyingPassword, ...
    TextureNames textures;           // nextTextureName, textureFilterMode, pictureTexture
    StillPicture stillPicture;       // the run's picture file, the picture last decoded
    AnimationState animation;        // frameTime, spinAngle
    SceneState scene;                // sceneList, baseBrightness
    ScreenCopies screenCopies;       // feedbackTexture, blurTexture
    FrameReports frameReports;       // the --fps overlay
};

extern SaverRun saverRun;

// Puts the whole record back to its start values, after freeing what it
// owns (the scene nodes, the kept picture). Between runs only: the GL
// objects its names refer to went with the context.
void ResetRun();
