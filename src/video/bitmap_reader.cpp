// The file half of the bitmap reader: one open picture file at a time, read
// whole into a buffer that LoadBMPFromMemory decodes.
#include "video/bitmap_reader.h"

#include "platform/file_io.h"
#include "platform/gl_window.h"

#include <cstdlib>

namespace {
int fileHandle = -1;
int32_t fileLength = 0;
unsigned char* fileBuffer = nullptr;
}  // namespace

int OpenImageFile(const char* path) {
    CloseImageFile();
    int64_t length = 0;
    // A directory, a FIFO or a device is no picture: it is refused as an
    // invalid file is, without a message of its own and without waiting on it.
    switch (OpenRegularFile(path, fileHandle, length)) {
        case FileOpenResult::NotRegular:
            return 0;
        case FileOpenResult::CannotOpen:
            break;
        case FileOpenResult::Opened:
            // Nor is anything longer than a 32-bit length.
            if (static_cast<uint64_t>(length) <= kMaxBitmapBytes) {
                fileLength = static_cast<int32_t>(length);
                return 1;
            }
            CloseFile(fileHandle);
            fileHandle = -1;
            break;
    }
    ShowError("Open for %s failed\n", path);
    return 0;
}

ImageRecord* GetBMPFromBuffer(int32_t offset, int32_t size) {
    if (fileHandle == -1) {
        ShowError("GetBMPFromBuffer call with no file buffer\n");
        return nullptr;
    }
    if (offset < 0 || offset > fileLength) return nullptr;
    // Never more than the file holds behind offset.
    const int32_t available = fileLength - offset;
    if (size <= 0 || size > available) size = available;

    std::free(fileBuffer);
    fileBuffer = nullptr;
    if (size == 0) return nullptr;
    fileBuffer = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
    if (!fileBuffer) return nullptr;
    if (!SeekFile(fileHandle, offset)) return nullptr;
    // Only the bytes actually read are handed on: a file that shrank since
    // it was opened cannot make the decoder read stale memory.
    const size_t got = ReadFully(fileHandle, fileBuffer, static_cast<size_t>(size));
    return LoadBMPFromMemory(fileBuffer, got);
}

void CloseImageFile() {
    if (fileBuffer) {
        std::free(fileBuffer);
        fileBuffer = nullptr;
    }
    CloseFile(fileHandle);
    fileHandle = -1;
    fileLength = 0;
}
