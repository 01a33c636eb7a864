// Writes the saver's default still picture: a 128 x 128 uncompressed 24-bit
// Windows bitmap (40-byte information header, bottom row first).
//
// The picture: a glowing disc whose rim runs through the colour wheel,
// brightening to white at its centre, on a night-blue field that warms to
// violet towards the top, crossed by a thin light ring. A yellow bar along
// the top edge shows which way is up.
//
// usage: make_default_picture OUTPUT.bmp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image_bytes.h"

namespace {

using namespace image_bytes;

constexpr int kSize = 128;

// Colour of the pixel in row y (0 = top) and column x.
Rgb PixelAt(int x, int y) {
    const double pi = 3.14159265358979323846;
    const double cx = x + 0.5 - kSize / 2.0;
    const double cy = y + 0.5 - kSize / 2.0;
    const double radius = std::sqrt(cx * cx + cy * cy) / (kSize / 2.0);
    const double up = 1.0 - (y + 0.5) / kSize;

    Rgb colour = Mix({0.02, 0.03, 0.20}, {0.35, 0.05, 0.45}, up);
    if (radius < 0.72) {
        const double angle = std::atan2(cy, cx) / (2.0 * pi) + 0.5;
        const double towardsCentre = 1.0 - radius / 0.72;
        colour = Mix(Hue(angle), {1.0, 1.0, 1.0}, towardsCentre * towardsCentre);
    } else if (radius < 0.80) {
        // A soft dark gap between disc and ring.
        colour = Mix(colour, {0.0, 0.0, 0.0}, 0.6);
    }
    const double ring = std::fabs(radius - 0.88);
    if (ring < 0.025) colour = Mix(colour, {0.85, 0.95, 1.0}, 1.0 - ring / 0.025);
    if (y < 6) colour = {1.0, 0.85, 0.1};
    return colour;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
        return 2;
    }
    const uint32_t stride = (kSize * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * kSize;
    std::vector<unsigned char> file;
    file.push_back('B');
    file.push_back('M');
    Put32(file, 54 + pixelBytes);  // file size
    Put32(file, 0);                // reserved
    Put32(file, 54);               // offset of the pixel array
    Put32(file, 40);               // information header size
    Put32(file, kSize);            // width
    Put32(file, kSize);            // height: positive, bottom row first
    Put16(file, 1);                // planes
    Put16(file, 24);               // bits per pixel
    Put32(file, 0);                // no compression
    Put32(file, pixelBytes);       // image size
    Put32(file, 2835);             // 72 dpi across
    Put32(file, 2835);             // and down
    Put32(file, 0);                // no colour table
    Put32(file, 0);
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgb c = PixelAt(x, y);
            file.push_back(Byte(c.b));
            file.push_back(Byte(c.g));
            file.push_back(Byte(c.r));
        }
        for (uint32_t pad = kSize * 3; pad < stride; ++pad) file.push_back(0);
    }

    return WriteWholeFile(argv[1], file);
}
