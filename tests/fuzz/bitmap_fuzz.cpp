// libFuzzer target: the bitmap reader's in-memory entry point. Any input
// either is refused or decodes into a record consistent with the bytes it
// came from; the sanitizers catch every read outside them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "video/bitmap_reader.h"

namespace {
uint32_t Field(const uint8_t* data, size_t offset) {
    uint32_t v;
    std::memcpy(&v, data + offset, 4);
    return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageRecord* image = LoadBMPFromMemory(data, size);
    if (!image) return 0;
    // Accepted: the header said what the record holds, and every row of
    // the stride was inside the input.
    if (size < kBitmapHeaderSize || image->width <= 0 || image->height <= 0) __builtin_trap();
    if (static_cast<int32_t>(Field(data, 18)) != image->width) __builtin_trap();
    if (static_cast<int32_t>(Field(data, 22)) != image->height) __builtin_trap();
    const uint64_t stride = (static_cast<uint64_t>(image->width) * 3 + 3) / 4 * 4;
    if (kBitmapHeaderSize + stride * static_cast<uint64_t>(image->height) > size) __builtin_trap();
    const size_t texels = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    // The last stored row is the first record row.
    const uint8_t* top = data + kBitmapHeaderSize + static_cast<size_t>(stride) * static_cast<size_t>(image->height - 1);
    if (image->texels[0] != top[2] || image->texels[1] != top[1] || image->texels[2] != top[0]) __builtin_trap();
    for (size_t i = 0; i < texels; ++i)
        if (image->texels[i * 4 + 3] != 255) __builtin_trap();
    FreeImageRecord(image);
    return 0;
}
