// Where a frame's figure can show, and which pixels of a screen pass can
// sample it: the bounds that let the radial blur draw only the pixels it can
// change.
//
// Everything here errs on the side of the whole screen: a bound may be
// larger than the pixels the GL really touches, never smaller.
#pragma once

#include "scene/scene_list.h"

// Whole pixels of the viewport in window coordinates: columns x0..x1 and
// rows y0..y1, rows counted from the bottom (as the texels of a screen
// copy), bounds included. Empty when x1 < x0 or y1 < y0.
struct PixelBox {
    int x0, y0, x1, y1;
    bool Empty() const { return x1 < x0 || y1 < y0; }
    long long Area() const { return Empty() ? 0 : static_cast<long long>(x1 - x0 + 1) * (y1 - y0 + 1); }
    bool operator==(const PixelBox& o) const { return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1; }
    bool operator!=(const PixelBox& o) const { return !(*this == o); }
};

inline PixelBox WholeScreen(int width, int height) { return PixelBox{0, 0, width - 1, height - 1}; }

// The figure's footprint: a box holding every pixel the scene list's quads
// can cover when drawn as DrawSceneNode draws them, under projection (a
// column-major matrix, as glGetDoublev returns it) in a width x height
// viewport, clipped to the screen. unbounded is set, and the box is the
// whole screen, when a corner lies on or behind the near plane or a value is
// not finite: the quad's picture is then no longer the hull of its corners.
struct Footprint {
    PixelBox box;
    bool unbounded;
};
Footprint SceneListFootprint(const SceneNode* list, const double projection[16], int width, int height);

// One axis of a full-screen pass that shows a screen copy inset by margin on
// each side: texel coordinate margin at window coordinate 0 and end (the
// value the pass gives its far vertex, size - margin in single precision)
// at window coordinate size; crossed (mirrored) when end < margin.
struct InsetAxis {
    float size;
    float margin;
    float end;
};
inline InsetAxis InsetAxisOf(float size, float margin) { return InsetAxis{size, margin, size - margin}; }

// A run of pixels lo..hi along one axis; empty when hi < lo.
struct PixelSpan {
    int lo, hi;
};

// The pixels along the axis whose linear samples can read any texel in
// first..last (a copy's texel i is the screen's pixel i), clamping included.
PixelSpan SpanSampling(const InsetAxis& axis, int first, int last);
