// Bitmaps made byte by byte for the tests of the bitmap reader, and the
// records it gives back.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "video/bitmap_reader.h"

using Bytes = std::vector<unsigned char>;

// Writes value's count low bytes, little-endian, at offset.
inline void Put(Bytes& file, size_t offset, uint32_t value, int count = 4) {
    for (int i = 0; i < count; ++i) file[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The 54 header bytes of a 24-bit bitmap as the saver expects it.
inline Bytes Header(int32_t width, int32_t height) {
    Bytes file(54, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put(file, 10, 54);
    Put(file, 14, 40);
    Put(file, 18, static_cast<uint32_t>(width));
    Put(file, 22, static_cast<uint32_t>(height));
    Put(file, 26, 1, 2);
    Put(file, 28, 24, 2);
    return file;
}

inline void Append(Bytes& file, std::initializer_list<int> bytes) {
    for (int b : bytes) file.push_back(static_cast<unsigned char>(b));
}

struct RecordDeleter {
    void operator()(ImageRecord* image) const { FreeImageRecord(image); }
};
using Record = std::unique_ptr<ImageRecord, RecordDeleter>;

inline Record Load(const Bytes& file) { return Record(LoadBMPFromMemory(file.data(), file.size())); }

// Texel (x, y) of a decoded picture, R, G, B, A.
inline std::vector<unsigned char> Texel(const ImageRecord& image, int x, int y) {
    const unsigned char* t = image.texels + (static_cast<size_t>(y) * image.width + x) * 4;
    return {t[0], t[1], t[2], t[3]};
}
