// The picture a run names (--picture): a 24-bit bitmap, read by the bitmap
// reader, or a picture of another format this platform decodes (the
// desktop's image library, picture_decoder.h); or a folder, of which one
// picture is shown at each run. lumox.bmp is read by the bitmap reader
// alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "video/texture_upload.h"

// How much of a folder a run looks at: the entries listed, and the files
// read before it gives up (files that turn out to be no picture, or broken).
constexpr size_t kMaxFolderEntries = 10000;
constexpr size_t kMaxFolderTries = 64;

// Reads the picture at path, or when path is a folder, one of its pictures:
// the regular files are taken in the order of their names, from one that
// seed picks, and the first that is a picture is shown. nullptr when there
// is none: for a file that cannot be opened after "Open for %s failed\n",
// as the bitmap reader says it; for one that is no picture (a special file,
// another format, broken) and for a folder without a picture, without a
// message. The record belongs to the caller (FreeImageRecord).
ImageRecord* ReadGivenPicture(const std::string& path, uint32_t seed);

// The file of the folder that seed starts at: an index below count.
size_t FolderStart(uint32_t seed, size_t count);
