// Which pixels of a full-screen pass can sample a screen copy's lit texels,
// against the sampling rule itself, pixel by pixel: for the blur's 30 layers
// at every size of the resolution table and the preview, mirrored layers and
// layers reaching past the copy included.
#include <gtest/gtest.h>

#include <cmath>

#include "render/screen_reach.h"

namespace {

// Whether pixel p samples a texel in first..last: GL_LINEAR reads the two
// texels around the coordinate, clamped to the copy as GL_CLAMP clamps it.
bool Samples(const InsetAxis& axis, int p, int first, int last) {
    const double gain = (static_cast<double>(axis.end) - axis.margin) / axis.size;
    double s = axis.margin + (p + 0.5) * gain;
    s = std::fmin(std::fmax(s, 0.0), axis.size);
    const double i0 = std::floor(s - 0.5);
    return i0 + 1 >= first && i0 <= last;
}

TEST(ScreenReach, SpansHoldEverySamplingPixelAndLittleMore) {
    const int sizes[] = {120, 160, 240, 320, 384, 480, 512, 640, 1200, 1600};
    for (int size : sizes) {
        const float n = static_cast<float>(size);
        // The blur's layers along this axis, as a width: cuts of n/64 and 10
        // more per layer; beyond n/2 they are crossed, beyond n they reach
        // past the copy.
        float margin = n * 0.0015625f * 10.0f;
        for (int layer = 0; layer < 30; ++layer, margin += 10.0f) {
            const InsetAxis axis = InsetAxisOf(n, margin);
            const int lits[][2] = {{0, 0}, {0, 5}, {size / 2 - 3, size / 2 + 4}, {size / 3, size / 2},
                                   {size - 6, size - 1}, {size / 5, size - 1}, {7, 7}};
            for (const auto& lit : lits) {
                const PixelSpan span = SpanSampling(axis, lit[0], lit[1]);
                int lo = size, hi = -1;
                for (int p = 0; p < size; ++p) {
                    if (!Samples(axis, p, lit[0], lit[1])) continue;
                    lo = std::min(lo, p);
                    hi = std::max(hi, p);
                    ASSERT_TRUE(p >= span.lo && p <= span.hi)
                        << "size " << size << " layer " << layer << " lit " << lit[0] << ".." << lit[1] << " pixel "
                        << p << " outside " << span.lo << ".." << span.hi;
                }
                // Little more: the slack of a texel and a pixel each way.
                const double gain = std::fabs((static_cast<double>(axis.end) - margin) / n);
                const double slack = 2.0 / gain + 3.0;
                if (hi >= lo) {
                    EXPECT_GE(span.lo, lo - slack) << size << " " << layer;
                    EXPECT_LE(span.hi, hi + slack) << size << " " << layer;
                } else {
                    EXPECT_LE(span.hi - span.lo + 1, 2 * slack) << size << " " << layer;
                }
            }
        }
    }
}

TEST(ScreenReach, EmptyLitSpansReachNothingAndFlatLayersAllOrNothing) {
    const InsetAxis axis = InsetAxisOf(640.0f, 10.0f);
    const PixelSpan none = SpanSampling(axis, 5, 4);
    EXPECT_LT(none.hi, none.lo);
    // A layer cut to a single coordinate samples it at every pixel.
    const InsetAxis flat = InsetAxisOf(640.0f, 320.0f);
    const PixelSpan all = SpanSampling(flat, 300, 340);
    EXPECT_EQ(all.lo, 0);
    EXPECT_EQ(all.hi, 639);
    const PixelSpan away = SpanSampling(flat, 10, 20);
    EXPECT_LT(away.hi, away.lo);
}

}  // namespace
