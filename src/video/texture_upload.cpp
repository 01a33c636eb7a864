// Texture names, wrap and filter modes and the uploads of pictures and video
// frames into GL_TEXTURE_2D textures. Render thread only, context current.
#include "video/texture_upload.h"

#include "common/gl.h"
#include "video/frame_exchange.h"

#include <cstdlib>

namespace {
// The largest padded image made: a 32-bit byte count, as GL sizes are.
constexpr uint64_t kMaxPaddedBytes = 0x7fffffff;

bool IsPowerOfTwo(int32_t n) { return n > 0 && NextPowerOfTwo(n) == n; }

// Whether this OpenGL takes a w x h picture texture. One it does not take is
// left without an image, and the figure would show no picture at all while
// the picture seemed loaded.
bool TextureFits(int32_t w, int32_t h) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width != 0;
}

void DefineImage(int32_t name, int32_t w, int32_t h, const void* pixels) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glTexImage2D(GL_TEXTURE_2D, 0, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    ApplyTextureFilter();
}
}  // namespace

int32_t NextPowerOfTwo(int32_t n) {
    // Beyond 2^30 no power of two fits in an int32.
    if (n <= 0 || n > (1 << 30)) return 0;
    int32_t candidate = 1;
    while (candidate < n) candidate <<= 1;
    return candidate;
}

void ApplyTextureFilter() {
    const int32_t mode = textureFilterMode;
    const bool clamp = mode >= 2;
    const bool nearest = mode == 0 || mode == 3;
    if (clamp) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP));
    }
    const GLfloat filter = static_cast<GLfloat>(nearest ? GL_NEAREST : GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

int32_t CreateTextureFromImage(const ImageRecord& image) {
    if (!IsPowerOfTwo(image.width) || !IsPowerOfTwo(image.height))
        return CreatePaddedTexture(image, 0, 0, image.width, image.height);
    if (!TextureFits(image.width, image.height)) return 0;
    const int32_t name = nextTextureName;
    DefineImage(name, image.width, image.height, image.texels);
    ++nextTextureName;
    return name;
}

int32_t CreatePaddedTexture(const ImageRecord& image, int32_t x, int32_t y, int32_t w, int32_t h) {
    // The rectangle must lie inside the image: nothing is read outside it.
    if (!image.texels || x < 0 || y < 0 || w <= 0 || h <= 0 || x > image.width - w || y > image.height - h)
        return 0;
    const int32_t paddedWidth = NextPowerOfTwo(w);
    const int32_t paddedHeight = NextPowerOfTwo(h);
    if (paddedWidth == 0 || paddedHeight == 0) return 0;
    const uint64_t bytes = static_cast<uint64_t>(paddedWidth) * static_cast<uint64_t>(paddedHeight) * 4;
    if (bytes > kMaxPaddedBytes || !TextureFits(paddedWidth, paddedHeight)) return 0;
    // Zero-filled: the padding is transparent black. Without the memory the
    // picture is not made, no name is taken, and the caller learns it by
    // the name 0.
    auto* buffer = static_cast<unsigned char*>(std::calloc(1, static_cast<size_t>(bytes)));
    if (!buffer) return 0;

    const size_t sourceStride = static_cast<size_t>(image.width) * 4;
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    const unsigned char* source = image.texels + static_cast<size_t>(y) * sourceStride + static_cast<size_t>(x) * 4;
    for (int32_t r = 0; r < h; ++r) {
        unsigned char* out = buffer + static_cast<size_t>(r) * static_cast<size_t>(paddedWidth) * 4;
        for (size_t i = 0; i < rowBytes; ++i) out[i] = source[i];
        source += sourceStride;
    }

    const int32_t name = nextTextureName;
    DefineImage(name, paddedWidth, paddedHeight, buffer);
    std::free(buffer);
    ++nextTextureName;
    return name;
}

int32_t UploadTexture(const unsigned char* pixels, int32_t w, int32_t h, int32_t name) {
    const bool isNew = name == -1;
    if (isNew) name = nextTextureName;
    if (!IsPowerOfTwo(w) || !IsPowerOfTwo(h)) return 0;
    DefineImage(name, w, h, pixels);
    if (isNew) ++nextTextureName;
    return name;
}

void UploadVideoFrame() {
    TakeNewestFrame(
        [](const VideoFrame& frame, void*) { UploadTexture(frame.texels, frame.width, frame.height, pictureTexture); },
        nullptr);
}
