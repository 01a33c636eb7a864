// libFuzzer target: the picture decoder of the desktop's image library
// (gdk-pixbuf) as the saver calls it, on bytes of any kind. Any input is
// refused, or gives texels once, for a size within the limits, every one
// opaque; the sanitizers catch every write outside the room given.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/picture_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> texels;
    int rooms = 0;
    const bool decoded = DecodePicture(data, size, [&](int32_t width, int32_t height) -> unsigned char* {
        ++rooms;
        if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
            static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPicturePixels)
            __builtin_trap();
        // Exactly the texels asked for: ASan sees a byte written past them.
        texels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        return texels.data();
    });
    if (decoded && !LooksLikePicture(data, size)) __builtin_trap();
    if (decoded != (rooms == 1) || rooms > 1) __builtin_trap();
    for (size_t i = 3; decoded && i < texels.size(); i += 4)
        if (texels[i] != 255) __builtin_trap();
    return 0;
}
