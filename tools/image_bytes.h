// Little helpers shared by the build's image tools: colours in [0, 1],
// little-endian fields and writing a whole file.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace image_bytes {

struct Rgb {
    double r, g, b;
};

inline Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// Fully saturated colour at hue h in [0, 1).
inline Rgb Hue(double h) {
    const double k = h * 6.0;
    auto channel = [k](double offset) {
        double x = std::fmod(k + offset, 6.0);
        return 1.0 - std::fmin(std::fmax(std::fmin(x, 4.0 - x), 0.0), 1.0);
    };
    return {channel(5.0), channel(3.0), channel(1.0)};
}

inline unsigned char Byte(double v) {
    return static_cast<unsigned char>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255.0));
}

inline void Put16(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

inline void Put32(std::vector<unsigned char>& out, uint32_t v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

// Writes bytes to path; 0 on success, 1 after a message on stderr.
inline int WriteWholeFile(const char* path, const std::vector<unsigned char>& bytes) {
    FILE* out = std::fopen(path, "wb");
    if (!out) {
        std::perror(path);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) {
        std::perror(path);
        return 1;
    }
    return 0;
}

}  // namespace image_bytes
