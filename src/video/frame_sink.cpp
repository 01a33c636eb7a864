#include "video/frame_sink.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "video/texture_upload.h"

namespace {

std::atomic<uint32_t> framesWritten{0};

bool Acceptable(const VideoFormat& format) {
    // int64 so that the absolute value of the most negative height exists.
    const int64_t height = format.height < 0 ? -int64_t{format.height} : int64_t{format.height};
    return format.videoInfo && format.width == kVideoWidth && height == kVideoHeight && format.bitCount == 24 &&
           format.uncompressed;
}

// The smallest power of two not below n, for the frame texture's sides.
}  // namespace

bool CheckVideoFormat(const VideoFormat& format) {
    if (!format.videoInfo) return false;
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    // A refused proposal wipes the sizes of an earlier accepted one: frames
    // are then ignored until a good format is agreed and set again.
    const bool accepted = Acceptable(format);
    videoFrameState.videoWidth = accepted ? kVideoWidth : 0;
    videoFrameState.videoHeight = accepted ? kVideoHeight : 0;
    return accepted;
}

void SetVideoFormat(const VideoFormat& format) {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    VideoFrameState& state = videoFrameState;
    if (!Acceptable(format)) {
        state.videoWidth = 0;
        state.videoHeight = 0;
        return;
    }
    state.videoWidth = kVideoWidth;
    state.videoHeight = kVideoHeight;
    int32_t side = NextPowerOfTwo(state.videoWidth);
    if (NextPowerOfTwo(state.videoHeight) > side) side = NextPowerOfTwo(state.videoHeight);
    state.frameTexWidth = side;
    state.frameTexHeight = side;
    // The render side reads the buffer only under the exchange lock, so it
    // can go now; the next frame allocates it at the new size. Until then
    // there is no frame to upload.
    std::free(state.frameBuffer);
    state.frameBuffer = nullptr;
    state.newFrame = false;
}

bool RenderVideoSample(const unsigned char* data, size_t length, size_t stride) {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    VideoFrameState& state = videoFrameState;
    if (state.videoWidth <= 0 || state.videoHeight <= 0 || !data) return false;
    const size_t width = static_cast<size_t>(state.videoWidth);
    const size_t height = static_cast<size_t>(state.videoHeight);
    const size_t rowBytes = width * 3;
    if (stride == 0) stride = (rowBytes + 3) & ~size_t{3};
    // Never read past the sample: (height - 1) strides and the last row's
    // pixels, checked without overflowing.
    if (stride < rowBytes || length < rowBytes || (length - rowBytes) / stride < height - 1) return false;

    const size_t texWidth = static_cast<size_t>(state.frameTexWidth);
    const size_t texHeight = static_cast<size_t>(state.frameTexHeight);
    if (texWidth < width || texHeight < height) return false;  // accepted but never set
    state.newFrame = true;
    if (!state.frameBuffer) {
        state.frameBuffer = static_cast<unsigned char*>(std::malloc(texWidth * texHeight * 4));
        if (!state.frameBuffer) {
            state.newFrame = false;
            return false;
        }
    }
    for (size_t row = 0; row < texHeight; ++row) {
        unsigned char* out = state.frameBuffer + row * texWidth * 4;
        size_t column = 0;
        if (row < height) {
            const unsigned char* in = data + row * stride;
            for (; column < width; ++column, in += 3, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = 255;
            }
        }
        std::memset(out, 0, (texWidth - column) * 4);
    }
    framesWritten.fetch_add(1, std::memory_order_release);
    return true;
}

uint32_t VideoFramesWritten() { return framesWritten.load(std::memory_order_acquire); }

void ResetFrameSink() {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    VideoFrameState& state = videoFrameState;
    state.videoWidth = 0;
    state.videoHeight = 0;
    state.frameTexWidth = 0;
    state.frameTexHeight = 0;
    std::free(state.frameBuffer);
    state.frameBuffer = nullptr;
    state.newFrame = false;
    state.captureEnded = false;
    framesWritten = 0;
}
