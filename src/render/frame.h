// Composition of one frame into the back buffer, and the 2D pixel
// projection that every full-screen pass uses.
#pragma once

#include "render/screen_reach.h"
#include "scene/scene_list.h"

// Draws the whole frame: clear, (blur source), tunnel, scene objects,
// feedback copy, (radial blur). Releases the scene list. The caller swaps.
//
// Expects, and leaves: GL_TEXTURE_2D enabled, the rectangle target and
// blending disabled, the depth test enabled, matrix mode GL_MODELVIEW, the
// perspective projection, and the colour (baseBrightness, ..., 1).
void RenderFrame();

// Saves both matrices and sets pixel coordinates: (0, 0) top left,
// (viewportWidth, viewportHeight) bottom right.
void BeginOrtho();

// Restores the matrices BeginOrtho saved; matrix mode GL_MODELVIEW after.
void EndOrtho();

// The exact savings of the render passes, which leave every pixel as it
// would be without them: the radial blur's layers draw only the pixels they
// can change, and the tunnel's first layer, which falls on black, is drawn
// without blending. On by default; tests and the benchmark turn them off to
// draw every pass the plain way.
extern bool frameSavings;

// What the savings did in the last frame drawn, for the benchmark and tests.
struct FrameSavingsReport {
    Footprint figure;     // the blur source's lit pixels as bounded (whole screen without savings)
    long long blurPixels; // pixels drawn by the blur layers, all layers together
};
extern FrameSavingsReport frameSavingsReport;
