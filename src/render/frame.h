// Composition of one frame into the back buffer, and the 2D pixel
// projection that every full-screen pass uses.
#pragma once

// The frame's colour scale: 1.0 every frame. Passes that change the current
// colour set it back to (baseBrightness, baseBrightness, baseBrightness, 1).
extern float baseBrightness;

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
