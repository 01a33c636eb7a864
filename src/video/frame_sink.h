// The frame sink: the platform-free half of the capture source. A capture
// back end (DirectShow's TextureRenderer, the GStreamer appsink callback)
// describes each proposed video format with a VideoFormat, and hands every
// frame's bytes to RenderVideoSample; the sink keeps videoFrameState (see
// texture_upload.h) and converts the blue-green-red pixels into the RGBA
// frameBuffer that UploadVideoFrame takes to the picture texture.
//
// Every function here may run on the capture thread; each takes
// videoFrameState.exchange for as long as it touches the shared state.
#pragma once

#include <cstddef>
#include <cstdint>

// The only frame size the saver takes.
constexpr int32_t kVideoWidth = 160;
constexpr int32_t kVideoHeight = 120;

// A proposed video format, in the terms of a Windows video-info header.
struct VideoFormat {
    bool videoInfo = false;   // the format block is a video-info header that is present
    int32_t width = 0;        // biWidth
    int32_t height = 0;       // biHeight: positive bottom-up, negative top-down
    int32_t bitCount = 0;     // biBitCount
    bool uncompressed = false;  // biCompression is BI_RGB
};

// Decides a proposed format. Without a video-info header it refuses and
// changes nothing. Otherwise it records the proposal's size and accepts
// 160 x 120 (either sign of height) of uncompressed 24-bit pixels; any other
// proposal is refused and leaves videoWidth and videoHeight at 0, so frames
// are ignored until a good format is set again.
bool CheckVideoFormat(const VideoFormat& format);

// Takes an agreed format: sizes, the square power-of-two texture size, and
// drops frameBuffer so that the next frame allocates it at the new size. A
// format CheckVideoFormat would refuse clears the sizes instead.
void SetVideoFormat(const VideoFormat& format);

// Converts one frame of the current format: length bytes at data, rows
// stride bytes apart (0: the Windows bitmap stride, width x 3 rounded up to
// 4). Rows land in the texture in the order they lie in the sample. Nothing
// is read when no format is set or when the sample is shorter than the
// frame. true when the frame was written into frameBuffer.
bool RenderVideoSample(const unsigned char* data, size_t length, size_t stride);

// Frames written into frameBuffer since the process started (or the last
// ResetFrameSink); lets a headless snapshot wait for the first one.
uint32_t VideoFramesWritten();

// Test hook: the sink's part of videoFrameState back to its start values,
// frameBuffer freed.
void ResetFrameSink();
