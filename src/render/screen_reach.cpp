#include "render/screen_reach.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The near plane of the projection every resize sets. A corner nearer than
// this may be clipped, and one at or behind the eye projects through
// infinity: either way the box of the corners no longer bounds the quad.
constexpr double kNearPlane = 0.1;

// The GL projects in single precision and snaps vertices to a sub-pixel
// grid: whole pixels of slack, plus a share of the coordinate for corners
// far off the screen, cover every difference from this double arithmetic.
constexpr double kCornerSlackPixels = 2.0;
constexpr double kCornerSlackShare = 1e-5;

// A linear sample reads the texels within one texel of its coordinate; one
// more texel covers the GL's single-precision interpolation of coordinates.
constexpr double kSampleSlackTexels = 1.0;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Beyond this the GL's single-precision arithmetic may overflow on the way.
constexpr double kLargest = 1e30;

// Column-major 4x4 times (x, y, z, 1).
void Project(const double m[16], const double v[3], double out[4]) {
    for (int row = 0; row < 4; ++row) out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row];
}

// Rotation by degrees about one axis, as glRotatef builds it; (a, b) are the
// two coordinates it turns, a toward b.
void Turn(double degrees, double& a, double& b) {
    const double radians = degrees * (3.14159265358979323846 / 180.0);
    const double c = std::cos(radians), s = std::sin(radians);
    const double na = a * c - b * s;
    b = a * s + b * c;
    a = na;
}

// Pixels i whose centre i + 0.5 lies in [lo, hi], widened by whole pixels and
// held to 0..count-1. Infinite or huge ends are fine; NaN gives everything.
PixelSpan PixelsOfInterval(double lo, double hi, double widen, int count) {
    if (std::isnan(lo) || std::isnan(hi)) return PixelSpan{0, count - 1};
    const double first = std::ceil(lo - 0.5) - widen;
    const double last = std::floor(hi - 0.5) + widen;
    if (last < 0.0 || first > count - 1.0 || last < first) return PixelSpan{0, -1};
    return PixelSpan{static_cast<int>(std::max(first, 0.0)), static_cast<int>(std::min(last, count - 1.0))};
}

}  // namespace

Footprint SceneListFootprint(const SceneNode* list, const double projection[16], int width, int height) {
    const Footprint whole{WholeScreen(width, height), true};
    if (!list) return Footprint{PixelBox{0, 0, -1, -1}, false};
    double xMin = kInfinity, xMax = -kInfinity, yMin = kInfinity, yMax = -kInfinity;
    for (const SceneNode* node = list; node; node = node->next) {
        const double hw = node->halfWidth, hh = node->halfHeight;
        const double corners[4][2] = {{-hw, -hh}, {-hw, hh}, {hw, hh}, {hw, -hh}};
        for (const auto& corner : corners) {
            // translate, then rotate about X, Y and Z: the last applied first.
            double v[3] = {corner[0], corner[1], 0.0};
            Turn(node->rotZ, v[0], v[1]);
            Turn(node->rotY, v[2], v[0]);
            Turn(node->rotX, v[1], v[2]);
            v[0] += node->x;
            v[1] += node->y;
            v[2] += node->z;
            double clip[4];
            Project(projection, v, clip);
            if (!(clip[3] > kNearPlane)) return whole;  // also NaN
            for (double c : clip) {
                if (!(std::fabs(c) < kLargest)) return whole;
            }
            const double x = (clip[0] / clip[3] + 1.0) * 0.5 * width;
            const double y = (clip[1] / clip[3] + 1.0) * 0.5 * height;
            xMin = std::min(xMin, x - kCornerSlackShare * std::fabs(x));
            xMax = std::max(xMax, x + kCornerSlackShare * std::fabs(x));
            yMin = std::min(yMin, y - kCornerSlackShare * std::fabs(y));
            yMax = std::max(yMax, y + kCornerSlackShare * std::fabs(y));
        }
    }
    const PixelSpan across = PixelsOfInterval(xMin, xMax, kCornerSlackPixels, width);
    const PixelSpan down = PixelsOfInterval(yMin, yMax, kCornerSlackPixels, height);
    if (across.hi < across.lo || down.hi < down.lo) return Footprint{PixelBox{0, 0, -1, -1}, false};
    return Footprint{PixelBox{across.lo, down.lo, across.hi, down.hi}, false};
}

PixelSpan SpanSampling(const InsetAxis& axis, int first, int last) {
    const int count = static_cast<int>(axis.size);
    if (last < first) return PixelSpan{0, -1};
    // The texel coordinates whose linear samples read texels first..last. A
    // coordinate beyond the copy is clamped onto its edge texel, so a lit
    // edge texel is read from as far out as the coordinates go.
    const double sLo = first <= 1 ? -kInfinity : first - 0.5 - kSampleSlackTexels;
    const double sHi = last >= count - 2 ? kInfinity : last + 1.5 + kSampleSlackTexels;
    // The GL interpolates s = margin + u * gain across the window.
    const double margin = axis.margin;
    const double gain = (static_cast<double>(axis.end) - margin) / axis.size;
    if (!std::isfinite(margin) || !std::isfinite(gain)) return PixelSpan{0, count - 1};
    if (std::fabs(gain) < 1e-9) {
        // Every pixel samples (nearly) the same coordinate.
        const bool reads = margin >= sLo - 1.0 && margin <= sHi + 1.0;
        return reads ? PixelSpan{0, count - 1} : PixelSpan{0, -1};
    }
    const double a = (sLo - margin) / gain, b = (sHi - margin) / gain;
    return PixelsOfInterval(std::min(a, b), std::max(a, b), 1.0, count);
}
