// The file half of the bitmap reader: one open picture file at a time, read
// whole into a buffer that LoadBMPFromMemory decodes.
#include "video/bitmap_reader.h"

#include "host/gl_window.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#ifndef O_BINARY
#define O_BINARY 0
#endif
#endif

namespace {
int fileHandle = -1;
int32_t fileLength = 0;
unsigned char* fileBuffer = nullptr;

// Reads up to count bytes; short reads are retried, so the result is what
// the file really gave up to its end or an error.
size_t ReadFully(int fd, unsigned char* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        const size_t chunk = count - done < 0x40000000u ? count - done : 0x40000000u;
        auto n = read(fd, out + done, static_cast<unsigned>(chunk));
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}
}  // namespace

int OpenImageFile(const char* path) {
    CloseImageFile();
    fileHandle = open(path, O_RDONLY | O_BINARY);
    struct stat info {};
    // A directory opens on POSIX systems; it is no more a picture than a
    // missing file is. So is anything longer than a 32-bit length.
    if (fileHandle != -1 &&
        (fstat(fileHandle, &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG || static_cast<uint64_t>(info.st_size) > kMaxBitmapBytes)) {
        close(fileHandle);
        fileHandle = -1;
    }
    if (fileHandle == -1) {
        ShowError("Open for %s failed\n", path);
        return 0;
    }
    fileLength = static_cast<int32_t>(info.st_size);
    return 1;
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
    if (lseek(fileHandle, offset, SEEK_SET) != offset) return nullptr;
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
    if (fileHandle != -1) {
        close(fileHandle);
        fileHandle = -1;
    }
    fileLength = 0;
}
