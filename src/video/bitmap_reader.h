// The still-picture reader: uncompressed 24-bit Windows bitmaps with the
// 40-byte information header, decoded into an RGBA ImageRecord, top row
// first.
//
// The file functions keep one open file at a time (process-wide, like the
// rest of the saver's state) and hand the bytes they actually read to
// LoadBMPFromMemory, which never reads past them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video/texture_upload.h"

// Offset of the pixel array; the file's own offset field is not consulted.
constexpr size_t kBitmapHeaderSize = 54;
// Largest pixel array or texel block the reader takes on (the file length
// is a 32-bit count, and GL sizes are too).
constexpr uint64_t kMaxBitmapBytes = 0x7fffffff;

// Opens path for reading. 1 on success; 0 after "Open for %s failed\n" when
// it cannot be opened, and 0 without a message when it is no regular file
// (the caller's "Image load failed." then says all, as for an invalid file).
int OpenImageFile(const char* path);

// Reads size bytes from offset of the open file (size <= 0: the whole file;
// a larger size is cut to the file), checks the headers and decodes.
// nullptr when the bytes are not a bitmap this reader takes (no message),
// or, after "GetBMPFromBuffer call with no file buffer\n", when no file is
// open. The record belongs to the caller (FreeImageRecord).
ImageRecord* GetBMPFromBuffer(int32_t offset, int32_t size);

// Frees the file buffer and closes the file, each only if present.
void CloseImageFile();

// The same checks and decoding on bytes in memory; never reads outside
// [bytes, bytes + size). nullptr when refused.
ImageRecord* LoadBMPFromMemory(const unsigned char* bytes, size_t size);

// Decodes a bitmap whose headers passed the checks. Refuses (nullptr) a
// width or height of zero or less and a file too short for its rows.
ImageRecord* DecodeBitmapPixels(const unsigned char* bytes, size_t size);

// A zero-filled record of width x height texels (C heap, FreeImageRecord);
// nullptr when a side is not positive, the texels pass kMaxBitmapBytes or
// there is no memory.
ImageRecord* NewImageRecord(int32_t width, int32_t height);

// Releases a record from the functions above; nullptr is fine.
void FreeImageRecord(ImageRecord* image);
