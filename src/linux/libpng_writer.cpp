// Implements libpng_writer.h with libpng (Linux build). Relies on
// ReplacementFile (file_io.h) for the replacement of a file in one step.
#include "linux/libpng_writer.h"

#include "platform/file_io.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Where libpng's bytes go: the replacement image of a file, or a stream.
struct PngSink {
    ReplacementFile* file = nullptr;
    int streamFd = -1;
    std::string error;
};

void WriteBytes(png_structp png, png_bytep bytes, png_size_t count) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    const bool ok = sink->file ? sink->file->Write(bytes, count) : WriteFully(sink->streamFd, bytes, count);
    if (!ok) {
        sink->error = sink->file ? sink->file->error() : std::strerror(errno);
        png_error(png, "write failed");
    }
}

void FlushBytes(png_structp) {}

// Encodes the picture into sink. false with sink.error set on failure.
bool EncodePng(PngSink& sink, const unsigned char* rgba, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        sink.error = "out of memory";
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (sink.error.empty()) sink.error = "the PNG could not be made";
        return false;
    }
    png_set_write_fn(png, &sink, WriteBytes, FlushBytes);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = height - 1; y >= 0; --y) {
        const unsigned char* source = rgba + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
        for (int x = 0; x < width; ++x) std::memcpy(&row[static_cast<size_t>(x) * 3], source + x * 4, 3);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePngFromGL(const char* path, const unsigned char* rgba, int width, int height, std::string& error) {
    PngSink sink;
    bool ok;
    // Links are followed only where the kernel's rule for protected links
    // would follow them, for a pipe as for a file.
    std::string target;
    bool kernelLink = false;
    if (!ResolveWritablePath(path, target, sink.error, &kernelLink)) {
        error = std::string("cannot write \"") + path + "\": " + sink.error;
        return false;
    }
    struct stat info {};
    if (stat(target.c_str(), &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
        // A pipe or a device named on purpose (/dev/stdout) takes the bytes
        // as they come; there is no file there to keep. No link is followed
        // on the way but a descriptor's own in /proc.
        sink.streamFd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (kernelLink ? 0 : O_NOFOLLOW));
        ok = sink.streamFd != -1;
        if (!ok) sink.error = std::strerror(errno);
        ok = ok && EncodePng(sink, rgba, width, height);
        if (sink.streamFd != -1 && close(sink.streamFd) != 0 && ok) {
            sink.error = std::strerror(errno);
            ok = false;
        }
    } else {
        // Anything else gets a new image put in place in one step: a failed
        // write leaves an existing file as it was and no partial file.
        ReplacementFile file;
        sink.file = &file;
        ok = file.Begin(path);
        if (!ok) sink.error = file.error();
        ok = ok && EncodePng(sink, rgba, width, height);
        if (ok && !file.Commit()) {
            sink.error = file.error();
            ok = false;
        }
    }
    if (!ok) error = std::string("cannot write \"") + path + "\": " + sink.error;
    return ok;
}
