#include "video/frame_exchange.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "video/texture_upload.h"

namespace {

// The state the capture thread and the render thread share.
//
// The capture side holds `exchange` while it sets the format (and replaces
// frameBuffer) and while it writes a frame's texels; it raises newFrame
// before it starts writing. The render side only try-locks `exchange`. The
// two flags are atomic so that the render side can see, without the lock,
// that there is nothing to take.
struct VideoFrameState {
    std::atomic<bool> captureRunning{false};
    int32_t videoWidth = 0;      // accepted format; 0 while none
    int32_t videoHeight = 0;     // always positive
    int32_t frameTexWidth = 0;   // a power of two, equal to frameTexHeight
    int32_t frameTexHeight = 0;
    // frameTexWidth x frameTexHeight RGBA, from the C heap (malloc).
    unsigned char* frameBuffer = nullptr;
    std::atomic<bool> newFrame{false};
    // Raised by the capture side when its running stream failed or ended,
    // after the last frame was written; taken down by the render side.
    std::atomic<bool> captureEnded{false};
    std::mutex exchange;
};

VideoFrameState videoFrameState;
std::atomic<uint32_t> framesWritten{0};

bool Acceptable(const VideoFormat& format) {
    // int64 so that the absolute value of the most negative height exists.
    const int64_t height = format.height < 0 ? -int64_t{format.height} : int64_t{format.height};
    return format.videoInfo && format.width == kVideoWidth && height == kVideoHeight && format.bitCount == 24 &&
           format.uncompressed;
}

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
    // there is no frame to take.
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

void SetCaptureRunning(bool running) {
    // A graph that starts has not ended yet.
    if (running) videoFrameState.captureEnded.store(false);
    videoFrameState.captureRunning.store(running);
}

bool CaptureRunning() { return videoFrameState.captureRunning.load(); }

void ReportCaptureEnded() { videoFrameState.captureEnded.store(true); }

bool CaptureEnded() { return videoFrameState.captureEnded.load(); }

bool TakeCaptureEnded() {
    if (!videoFrameState.captureEnded.exchange(false)) return false;
    // No frame follows the end: the one still flagged is not taken.
    videoFrameState.newFrame.store(false);
    return true;
}

uint32_t VideoFramesWritten() { return framesWritten.load(std::memory_order_acquire); }

FrameTake TakeNewestFrame(FrameConsumer consume, void* context) {
    VideoFrameState& state = videoFrameState;
    if (!state.captureRunning.load() || !state.newFrame.load()) return FrameTake::NoNewFrame;
    // Never wait for the capture side: while it writes a frame or changes
    // the format, the frame stays flagged and goes up on a later pass.
    std::unique_lock<std::mutex> lock(state.exchange, std::try_to_lock);
    if (!lock.owns_lock()) return FrameTake::Busy;
    if (state.videoWidth == 0 || state.videoHeight == 0 || !state.frameBuffer) return FrameTake::NoNewFrame;
    VideoFrame frame;
    frame.texels = state.frameBuffer;
    frame.width = state.frameTexWidth;
    frame.height = state.frameTexHeight;
    frame.videoWidth = state.videoWidth;
    frame.videoHeight = state.videoHeight;
    consume(frame, context);
    state.newFrame.store(false);
    return FrameTake::Taken;
}

VideoFrameStatus ReadVideoFrameStatus() {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    const VideoFrameState& state = videoFrameState;
    VideoFrameStatus status;
    status.captureRunning = state.captureRunning.load();
    status.videoWidth = state.videoWidth;
    status.videoHeight = state.videoHeight;
    status.frameTexWidth = state.frameTexWidth;
    status.frameTexHeight = state.frameTexHeight;
    status.hasFrameBuffer = state.frameBuffer != nullptr;
    status.newFrame = state.newFrame.load();
    status.captureEnded = state.captureEnded.load();
    return status;
}

std::vector<unsigned char> CopyFrameBuffer() {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    const VideoFrameState& state = videoFrameState;
    if (!state.frameBuffer) return {};
    const size_t bytes = static_cast<size_t>(state.frameTexWidth) * static_cast<size_t>(state.frameTexHeight) * 4;
    return std::vector<unsigned char>(state.frameBuffer, state.frameBuffer + bytes);
}

void HoldFrameExchange(void (*whileHeld)(void* context), void* context) {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    whileHeld(context);
}

void ResetFrameExchange() {
    std::lock_guard<std::mutex> lock(videoFrameState.exchange);
    VideoFrameState& state = videoFrameState;
    state.captureRunning.store(false);
    state.videoWidth = 0;
    state.videoHeight = 0;
    state.frameTexWidth = 0;
    state.frameTexHeight = 0;
    std::free(state.frameBuffer);
    state.frameBuffer = nullptr;
    state.newFrame.store(false);
    state.captureEnded.store(false);
    framesWritten = 0;
}
