// Texture names, the one picture texture, uploads of decoded pictures, and
// the upload of the newest captured video frame (frame_exchange.h) into the
// picture texture. Everything here runs on the render thread with the GL
// context current, except NextPowerOfTwo, which is pure.
#pragma once

#include <cstdint>

// The run's texture names and upload mode: a part of the run record,
// which puts them back at the run's start (the textures themselves go with
// the GL context at the run's end).
struct TextureNames {
    // The name the next created texture takes; starts at 1 and only grows.
    // The screen-copy textures take their names from it too.
    int32_t nextTextureName = 1;
    // Selects the wrap and filter that uploads set (see ApplyTextureFilter).
    int32_t textureFilterMode = 1;
    // The texture that shows the still picture and then every video frame.
    int32_t pictureTexture = 0;
};
extern int32_t& nextTextureName;
extern int32_t& textureFilterMode;
extern int32_t& pictureTexture;

// A decoded picture: width x height RGBA texels, rows back to back.
struct ImageRecord {
    int32_t width = 0;
    int32_t height = 0;
    unsigned char* texels = nullptr;
};

// The smallest power of two not below n (1 <= n <= 2^30); 0 for n <= 0.
int32_t NextPowerOfTwo(int32_t n);

// Sets wrap and filter of the texture bound to GL_TEXTURE_2D from
// textureFilterMode.
void ApplyTextureFilter();

// A new texture from the whole image (padded when a side is not a power of
// two); returns its name. 0 (no name taken) when the padded copy cannot be
// made or this OpenGL takes no texture that large.
int32_t CreateTextureFromImage(const ImageRecord& image);

// A new texture from the w x h rectangle at (x, y) of the image, placed in a
// zero-filled power-of-two image; returns its name. 0 (no name taken) when
// the rectangle leaves the image, the padded copy cannot be made or this
// OpenGL takes no texture that large.
int32_t CreatePaddedTexture(const ImageRecord& image, int32_t x, int32_t y, int32_t w, int32_t h);

// Uploads w x h texels into texture name, or a new texture for name -1.
// Returns the name used, or 0 when w or h is not a power of two.
int32_t UploadTexture(const unsigned char* pixels, int32_t w, int32_t h, int32_t name);

// Copies the newest captured frame into pictureTexture when a new one has
// arrived and the frame exchange is free; otherwise does nothing. Never
// waits for the capture thread.
void UploadVideoFrame();
