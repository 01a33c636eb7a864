// Text over a finished frame, as XScreenSaver's hacks draw their frame-rate
// figures: lines in the bottom-left corner, white over a one-pixel black
// shadow, from glyphs the window system made (OverlayFont).
#pragma once

#include "platform/gl_window.h"

// Pixels between the text and the left and bottom edges.
constexpr int kOverlayMargin = 10;

// Draws count lines (characters 0 to 127; others are skipped), the last one
// lowest. Leaves every GL state as it found it: enables, the current colour,
// the raster position, the list base, the matrices and the matrix mode.
void DrawOverlayText(const OverlayFont& font, const char* const* lines, int count);
