// Copies of the screen kept inside the graphics system: the feedback copy
// that the next frame's tunnel enlarges, and the blur source with the radial
// blur laid over the finished frame.
#pragma once

#include <cstdint>

#include "render/screen_reach.h"

// Storage size of a copy, to notice a viewport that changed size.
struct CopySize {
    int32_t width = 0;
    int32_t height = 0;
};

// The run's two screen copies: a part of the run record, put back at the
// run's start. Rectangle textures (texel-addressed, row 0 at the bottom of
// the screen) of the viewport's size; -1 until their first use takes a name
// from nextTextureName. Never deleted: they live as long as the GL context.
struct ScreenCopies {
    int32_t feedbackTexture = -1;
    int32_t blurTexture = -1;
    CopySize feedbackSize;
    CopySize blurSize;
};
extern ScreenCopies& screenCopies;
extern int32_t& feedbackTexture;
extern int32_t& blurTexture;

// The frame drawn so far into feedbackTexture.
void CaptureFeedback();

// The scene objects drawn alone on black into blurTexture.
void CaptureBlurSource();

// Lays 30 ever larger, ever fainter copies of blurTexture additively over
// the frame. blurTexture must have been filled in this frame.
void DrawRadialBlur();

// The same, knowing that every texel of blurTexture outside litSource is
// black. Black adds nothing under the blur's blending, so with the savings
// on (frameSavings) each layer draws only the pixels whose samples can
// reach litSource; the picture is the same either way.
void DrawRadialBlur(const PixelBox& litSource);

// Inside glBegin(GL_QUADS): the whole w x h screen textured with a screen
// copy inset by mx across and my down on each side (row 0 of a copy is the
// bottom of the screen, y = 0 the top).
void EmitInsetScreenQuad(float w, float h, float mx, float my);
