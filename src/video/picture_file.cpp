#include "video/picture_file.h"

#include "platform/file_io.h"
#include "platform/gl_window.h"
#include "platform/picture_decoder.h"
#include "video/bitmap_reader.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// The bytes of the picture in memory: a 24-bit bitmap as the bitmap reader
// takes it, else whatever the platform's decoder reads.
ImageRecord* DecodeAnyPicture(const unsigned char* bytes, size_t size) {
    if (ImageRecord* bitmap = LoadBMPFromMemory(bytes, size)) return bitmap;
    ImageRecord* image = nullptr;
    const bool decoded = DecodePicture(bytes, size, [&image](int32_t width, int32_t height) -> unsigned char* {
        FreeImageRecord(image);
        image = NewImageRecord(width, height);
        return image ? image->texels : nullptr;
    });
    if (decoded) return image;
    FreeImageRecord(image);
    return nullptr;
}

bool LooksLikeAnyPicture(const unsigned char* head, size_t size) {
    return (size >= 2 && head[0] == 'B' && head[1] == 'M') || LooksLikePicture(head, size);
}

// Reads the file at path whole and decodes it. A file of a folder is first
// told apart by its first bytes, so that a large file of another kind is
// never read whole, and none of its failures is said.
ImageRecord* ReadPictureFile(const char* path, bool inFolder) {
    int fd = -1;
    int64_t length = 0;
    const FileOpenResult opened = OpenRegularFile(path, fd, length);
    if (opened != FileOpenResult::Opened || static_cast<uint64_t>(length) > kMaxBitmapBytes) {
        CloseFile(fd);
        // As the bitmap reader has it: a special file is no picture, said by
        // the caller's "Image load failed." alone.
        if (opened != FileOpenResult::NotRegular && !inFolder) ShowError("Open for %s failed\n", path);
        return nullptr;
    }
    const size_t size = static_cast<size_t>(length);
    auto* bytes = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    ImageRecord* image = nullptr;
    if (bytes) {
        // Only the bytes actually read are decoded: a file that shrank
        // meanwhile cannot make a decoder read stale memory.
        size_t got = ReadFully(fd, bytes, std::min(size, kPictureHeadSize));
        if (!inFolder || LooksLikeAnyPicture(bytes, got)) {
            if (got < size) got += ReadFully(fd, bytes + got, size - got);
            image = DecodeAnyPicture(bytes, got);
        }
        std::free(bytes);
    }
    CloseFile(fd);
    return image;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

size_t FolderStart(uint32_t seed, size_t count) {
    if (count == 0) return 0;
    // Neighbouring seeds (a snapshot's 1, 2, 3; tick counts) far apart.
    uint32_t mixed = seed * 0x9E3779B9u;
    mixed ^= mixed >> 16;
    mixed *= 0x85EBCA6Bu;
    mixed ^= mixed >> 13;
    return mixed % count;
}

ImageRecord* ReadGivenPicture(const std::string& path, uint32_t seed) {
    std::vector<std::string> names;
    if (!ListFolderFiles(path.c_str(), kMaxFolderEntries, names)) return ReadPictureFile(path.c_str(), false);
    // The folder's own order differs between file systems; the names' does not.
    std::sort(names.begin(), names.end());
    const size_t start = FolderStart(seed, names.size());
    const size_t tries = std::min(names.size(), kMaxFolderTries);
    for (size_t i = 0; i < tries; ++i) {
        const std::string file = InFolder(path, names[(start + i) % names.size()]);
        if (ImageRecord* image = ReadPictureFile(file.c_str(), true)) return image;
    }
    return nullptr;
}
