// Writes Lumox's icon: a Windows .ico with 16, 32 and 48 pixel images, each
// 32-bit BGRA with its 1-bit mask (the form every Windows since XP reads).
//
// The motif is the saver's figure in small: bright, tumbling quads fanned
// out around a white-hot glow, on a black tile with rounded corners, with
// the faint frames of the feedback tunnel behind them in the larger images.
// Every image is drawn from the same description at its own size, with
// 8 x 8 samples per pixel, so the small ones stay clean instead of being
// scaled down from a large one.
//
// usage: make_icon OUTPUT.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image_bytes.h"

namespace {

using namespace image_bytes;

constexpr int kSizes[] = {16, 32, 48};
constexpr int kSamples = 8;
constexpr double kPi = 3.14159265358979323846;

struct Rgba {
    double r, g, b, a;
};

// Distance-like test of a point against a square of half-side h, turned by
// angle, centred at (cx, cy); < 1 inside.
double SquareNorm(double x, double y, double cx, double cy, double h, double angle) {
    const double dx = x - cx, dy = y - cy;
    const double c = std::cos(angle), s = std::sin(angle);
    const double u = (dx * c + dy * s) / h, v = (-dx * s + dy * c) / h;
    return std::fmax(std::fabs(u), std::fabs(v));
}

// Colour and coverage at (x, y) in [0, 1]^2, y down, for an image of size px.
Rgba Sample(double x, double y, int px) {
    // The tile: a square with rounded corners; outside it the icon is clear.
    const double corner = 0.2;
    const double qx = std::fmax(std::fabs(x - 0.5) - (0.5 - corner), 0.0);
    const double qy = std::fmax(std::fabs(y - 0.5) - (0.5 - corner), 0.0);
    if (qx * qx + qy * qy > corner * corner) return {0, 0, 0, 0};

    Rgb c = {0.0, 0.0, 0.0};
    const double dx = x - 0.5, dy = y - 0.5;
    const double r = std::sqrt(dx * dx + dy * dy);

    // The tunnel: earlier frames, each larger, turned a little further and
    // dimmer, as the feedback leaves them. Too fine for 16 pixels.
    if (px >= 32) {
        for (int i = 0; i < 2; ++i) {
            const double size = 0.31 + 0.075 * i;
            const double n = SquareNorm(x, y, 0.5, 0.5, size, 0.14 * (i + 1));
            if (std::fabs(n - 1.0) < 0.022 / size) {
                const double k = 0.5 - 0.2 * i;
                c = {c.r + 0.35 * k, c.g + 0.3 * k, c.b + 0.9 * k};
            }
        }
    }

    // The figure: quads fanned around the centre, each in its own hue,
    // brighter at its middle, added up where they overlap as the saver
    // blends them.
    const int quads = px >= 32 ? 6 : 4;
    const double distance = px >= 32 ? 0.2 : 0.21;
    const double half = px >= 32 ? 0.095 : 0.13;
    for (int i = 0; i < quads; ++i) {
        const double a = 2.0 * kPi * i / quads - kPi / 2.0;
        const double n = SquareNorm(x, y, 0.5 + distance * std::cos(a), 0.5 + distance * std::sin(a), half,
                                    a + kPi / 7.0);
        if (n < 1.0) {
            const Rgb hue = Hue(static_cast<double>(i) / quads);
            const double k = 0.95 - 0.35 * n;
            c = {c.r + hue.r * k, c.g + hue.g * k, c.b + hue.b * k};
        }
    }

    // The glow: a white-hot core in a wide violet halo.
    const double core = std::exp(-(r * r) / (0.1 * 0.1));
    const double halo = std::exp(-(r * r) / (0.26 * 0.26));
    c = {c.r + 1.0 * core + 0.2 * halo, c.g + 0.95 * core + 0.08 * halo, c.b + 0.85 * core + 0.35 * halo};
    return {c.r, c.g, c.b, 1.0};
}

// Straight (not premultiplied) RGBA of an image of size px, top row first.
std::vector<Rgba> Render(int px) {
    std::vector<Rgba> image(static_cast<size_t>(px) * px);
    for (int row = 0; row < px; ++row) {
        for (int col = 0; col < px; ++col) {
            Rgba sum = {0, 0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = (col + (sx + 0.5) / kSamples) / px;
                    const double y = (row + (sy + 0.5) / kSamples) / px;
                    const Rgba s = Sample(x, y, px);
                    sum = {sum.r + std::fmin(s.r, 1.0) * s.a, sum.g + std::fmin(s.g, 1.0) * s.a,
                           sum.b + std::fmin(s.b, 1.0) * s.a, sum.a + s.a};
                }
            }
            Rgba& out = image[static_cast<size_t>(row) * px + col];
            if (sum.a > 0) out = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (kSamples * kSamples)};
        }
    }
    return image;
}

// One image of the .ico: the information header (height counts the colour
// image and the mask), BGRA rows bottom first, then the mask rows, each
// padded to 4 bytes, a set bit where the image is clear.
std::vector<unsigned char> IconImage(int px) {
    const std::vector<Rgba> image = Render(px);
    const uint32_t maskStride = ((px + 31) / 32) * 4;
    const uint32_t colourBytes = static_cast<uint32_t>(px) * px * 4;
    std::vector<unsigned char> out;
    Put32(out, 40);
    Put32(out, px);
    Put32(out, 2 * px);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, 0);   // no compression
    Put32(out, colourBytes + maskStride * px);
    for (int i = 0; i < 4; ++i) Put32(out, 0);
    for (int row = px - 1; row >= 0; --row) {
        for (int col = 0; col < px; ++col) {
            const Rgba& p = image[static_cast<size_t>(row) * px + col];
            out.push_back(Byte(p.b));
            out.push_back(Byte(p.g));
            out.push_back(Byte(p.r));
            out.push_back(Byte(p.a));
        }
    }
    for (int row = px - 1; row >= 0; --row) {
        std::vector<unsigned char> mask(maskStride, 0);
        for (int col = 0; col < px; ++col) {
            if (Byte(image[static_cast<size_t>(row) * px + col].a) == 0) mask[col / 8] |= 0x80 >> (col % 8);
        }
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
        return 2;
    }
    const uint32_t count = sizeof kSizes / sizeof kSizes[0];
    std::vector<std::vector<unsigned char>> images;
    for (int px : kSizes) images.push_back(IconImage(px));

    std::vector<unsigned char> file;
    Put16(file, 0);  // reserved
    Put16(file, 1);  // an icon, not a cursor
    Put16(file, count);
    uint32_t offset = 6 + 16 * count;
    for (uint32_t i = 0; i < count; ++i) {
        file.push_back(static_cast<unsigned char>(kSizes[i]));  // width
        file.push_back(static_cast<unsigned char>(kSizes[i]));  // height
        file.push_back(0);                                      // no palette
        file.push_back(0);
        Put16(file, 1);   // planes
        Put16(file, 32);  // bits per pixel
        Put32(file, static_cast<uint32_t>(images[i].size()));
        Put32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
    return WriteWholeFile(argv[1], file);
}
