// The in-memory half of the bitmap reader: header checks and pixel decoding.
// Depends on nothing but the C library, so the fuzz target builds it alone.
#include "video/bitmap_reader.h"

#include <cstdlib>

namespace {

// Reads little-endian fields out of a byte range; every read is checked
// against the range, and a failed read leaves the cursor failed.
class ByteCursor {
public:
    ByteCursor(const unsigned char* bytes, size_t size) : bytes_(bytes), size_(size) {}

    bool Seek(size_t position) {
        if (position > size_) return Fail();
        position_ = position;
        return ok_;
    }

    uint16_t U16() {
        const unsigned char* p = Take(2);
        return p ? static_cast<uint16_t>(p[0] | (p[1] << 8)) : 0;
    }

    uint32_t U32() {
        const unsigned char* p = Take(4);
        if (!p) return 0;
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }

    int32_t I32() { return static_cast<int32_t>(U32()); }

    // count bytes at the cursor, or nullptr when fewer are left.
    const unsigned char* Take(size_t count) {
        if (!ok_ || count > size_ - position_) {
            Fail();
            return nullptr;
        }
        const unsigned char* p = bytes_ + position_;
        position_ += count;
        return p;
    }

    bool ok() const { return ok_; }

private:
    bool Fail() {
        ok_ = false;
        return false;
    }

    const unsigned char* bytes_;
    size_t size_;
    size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace

ImageRecord* LoadBMPFromMemory(const unsigned char* bytes, size_t size) {
    if (!bytes) return nullptr;
    ByteCursor cursor(bytes, size);
    // The one variant the saver takes, tested field by field in file order:
    // "BM", a 40-byte information header, 24 bits, no compression and no
    // colour table.
    const unsigned char* signature = cursor.Take(2);
    if (!signature || signature[0] != 'B' || signature[1] != 'M') return nullptr;
    cursor.Seek(14);
    if (cursor.U32() != 40 || !cursor.ok()) return nullptr;
    cursor.Seek(28);
    if (cursor.U16() != 24 || !cursor.ok()) return nullptr;
    if (cursor.U32() != 0 || !cursor.ok()) return nullptr;
    cursor.Seek(46);
    if (cursor.U32() != 0 || !cursor.ok()) return nullptr;
    if (cursor.U32() != 0 || !cursor.ok()) return nullptr;
    return DecodeBitmapPixels(bytes, size);
}

ImageRecord* DecodeBitmapPixels(const unsigned char* bytes, size_t size) {
    if (!bytes) return nullptr;
    ByteCursor cursor(bytes, size);
    cursor.Seek(18);
    const int32_t width = cursor.I32();
    const int32_t height = cursor.I32();
    // Zero-sized and top-down (negative height) bitmaps are not this variant.
    if (!cursor.ok() || width <= 0 || height <= 0) return nullptr;

    // 64-bit products of 31-bit factors cannot overflow; the limit keeps
    // every later size within a 32-bit count.
    const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~static_cast<uint64_t>(3);
    const uint64_t pixelBytes = stride * static_cast<uint64_t>(height);
    const uint64_t texelBytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    if (pixelBytes > kMaxBitmapBytes || texelBytes > kMaxBitmapBytes) return nullptr;
    // Every row, the padding of the last one included, must have been read.
    if (!cursor.Seek(kBitmapHeaderSize) || !cursor.Take(static_cast<size_t>(pixelBytes))) return nullptr;

    ImageRecord* image = NewImageRecord(width, height);
    if (!image) return nullptr;

    // Stored rows run bottom to top; the record runs top to bottom.
    unsigned char* out = image->texels;
    for (int32_t k = 0; k < height; ++k) {
        const unsigned char* row =
            bytes + kBitmapHeaderSize + static_cast<size_t>(height - 1 - k) * static_cast<size_t>(stride);
        for (int32_t x = 0; x < width; ++x, row += 3, out += 4) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
            out[3] = 255;
        }
    }
    return image;
}

ImageRecord* NewImageRecord(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return nullptr;
    const uint64_t texelBytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    if (texelBytes > kMaxBitmapBytes) return nullptr;
    // The record and its texels in one zero-filled block.
    auto* image = static_cast<ImageRecord*>(std::calloc(1, sizeof(ImageRecord) + static_cast<size_t>(texelBytes)));
    if (!image) return nullptr;
    image->width = width;
    image->height = height;
    image->texels = reinterpret_cast<unsigned char*>(image + 1);
    return image;
}

void FreeImageRecord(ImageRecord* image) { std::free(image); }
