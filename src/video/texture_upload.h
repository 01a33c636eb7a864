// Texture names, the one picture texture, uploads of decoded pictures, and
// the hand-over of captured video frames from the capture thread to the
// picture texture. Everything here but VideoFrameState's sink side runs on
// the render thread with the GL context current.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

// The name the next created texture takes; starts at 1 and only grows.
// The screen-copy textures take their names from it too.
extern int32_t nextTextureName;
// Selects the wrap and filter that uploads set (see ApplyTextureFilter).
extern int32_t textureFilterMode;
// The texture that shows the still picture and then every video frame.
extern int32_t pictureTexture;

// A decoded picture: width x height RGBA texels, rows back to back.
struct ImageRecord {
    int32_t width;
    int32_t height;
    unsigned char* texels;
};

// State shared by the capture thread's frame sink and UploadVideoFrame.
//
// The sink holds `exchange` while it sets the format (and replaces
// frameBuffer) and while it writes a frame's texels; it sets newFrame before
// it starts writing. UploadVideoFrame only try_locks `exchange`: when the
// sink is busy it leaves newFrame raised and uploads on the next frame, so
// the render loop never waits and never reads a buffer being replaced.
struct VideoFrameState {
    std::atomic<bool> captureRunning{false};
    int32_t videoWidth = 0;      // accepted format; 0 while none
    int32_t videoHeight = 0;     // always positive
    int32_t frameTexWidth = 0;   // a power of two, equal to frameTexHeight
    int32_t frameTexHeight = 0;
    // frameTexWidth x frameTexHeight RGBA, from the C heap (malloc).
    unsigned char* frameBuffer = nullptr;
    std::atomic<bool> newFrame{false};
    // Raised by a capture back end whose stream failed or ended while the
    // graph was running, after the last frame was delivered; the render
    // loop takes it down and shows the still picture again.
    std::atomic<bool> captureEnded{false};
    std::mutex exchange;
};

extern VideoFrameState videoFrameState;

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
// arrived; otherwise does nothing.
void UploadVideoFrame();

// Test hook: every value above back to its process-start state (frees the
// frame buffer).
void ResetTextureState();
