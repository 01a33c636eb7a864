// Pictures in the formats people keep them in (PNG, JPEG, ...), decoded by
// the desktop's image library, for a picture a run names (--picture).
// Bitmaps, lumox.bmp and any other, are the bitmap reader's alone. Implemented per platform:
// linux/gdk_pixbuf_picture.cpp (gdk-pixbuf) and windows/picture_decoder.cpp,
// which declines every picture: the Windows saver reads bitmaps only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// The largest picture decoded: a side longer than any texture OpenGL takes
// here, or more pixels than a camera's photo holds (a 50-megapixel one
// passes), is refused from the file's header, before its pixels are
// decoded; so the decoding is bounded in time and memory.
constexpr int32_t kMaxPictureSide = 16384;
constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 26;  // 8192 x 8192, 256 MiB of texels

// Where the texels go: called once the picture's size is known (within the
// limits above) and before they are written; room for width x height RGBA
// texels, or nullptr to refuse the picture.
using PictureRoom = std::function<unsigned char*(int32_t width, int32_t height)>;

// Decodes the bytes of a picture file into RGBA texels, top row first, as
// the bitmap reader lays out a bitmap's: red, green, blue and 255. A picture
// with transparency is laid over black (each colour times its alpha), as it
// would show on the saver's black. An animation gives its first frame; a
// photo is turned as its orientation tag says. false when the bytes are no
// picture of a format this platform reads, are broken, or too large, or the
// room was refused, or (on Linux) the process was told to end meanwhile.
bool DecodePicture(const unsigned char* bytes, size_t size, const PictureRoom& room);

// Whether the first bytes of a file (at least kPictureHeadSize of them,
// when the file is that long) begin a picture of a format DecodePicture
// reads: a folder's files are told apart by this before being read whole.
constexpr size_t kPictureHeadSize = 16;
bool LooksLikePicture(const unsigned char* head, size_t size);
