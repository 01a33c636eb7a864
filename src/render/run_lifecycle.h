// One run of the saver: start-up, the main loop and shut-down. On Windows it
// runs inside the saver window's WM_CREATE (SaverProc); on Linux the entry
// point calls it directly.
#pragma once

#include "host/gl_window.h"
#include "host/linux_options.h"

#include <cstdint>

// Video capture and the per-frame upload; off builds show the still picture.
constexpr bool videoInputEnabled = true;

// Set by a host that must never end for a missing picture: a hack of the
// XScreenSaver family, whose daemon would show a crash box and start it
// again. The run then goes on without the picture (the figure shows the
// video, or plain quads), after the same message, and writes no settings.
extern bool runWithoutPicture;

// Start-up, main loop and shut-down. saverWindow is the window the run
// belongs to; with isPreview the context goes on it at 160 x 120, otherwise
// a render window of its own is made at the configured resolution.
// forceWindowed opens a captioned window whatever fullScreen says.
// overrides (from the command line) replace settings of the file for this
// run; they never reach the file.
// 1 when the main loop ran and everything was shut down; 0 on an early exit
// (render window or picture failed, the latter unless runWithoutPicture),
// which leaves what was made in place.
int RunSaver(NativeWindow saverWindow, bool isPreview, bool forceWindowed = false,
             const SettingOverrides* overrides = nullptr);

// Reads the settings (defaults when there is no file) and the resolution
// table, as start-up does, after zeroing the record.
void PrepareSettings();

// Reads the still picture (overrides may name another), then puts the
// overrides into the settings record. They come after the picture, so that
// the save that follows a picture that cannot be read writes the file's own
// values; a picture given on the command line, or a run that goes on without
// its picture (runWithoutPicture), is never followed by a save.
// LoadFallbackImage's result.
int LoadPictureAndOverrides(const SettingOverrides* overrides);

// Passes until quitRequested: one message, or one frame when none is
// pending, each frame followed by a pause of pauseMicroseconds.
void RunMainLoop(uint32_t pauseMicroseconds);

// The frame step without presenting it: upload, animation, composition.
void ComposeFrame();

// One frame: ComposeFrame, the frame reports (trace, --fps overlay), swap,
// and the pause.
void DrawOneFrame(uint32_t pauseMicroseconds);
