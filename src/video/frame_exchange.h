// The frame exchange: the hand-over of captured video frames from the
// capture thread to the render thread. It owns the one record the two
// threads share (videoFrameState: whether the capture runs, the accepted
// video format, the frame buffer of RGBA texels, the new-frame flag and
// whether the stream has ended) and the lock that guards it; nothing else
// reaches them.
//
// The capture side is the platform-free half of the capture source: a back
// end (DirectShow's TextureRenderer, the GStreamer appsink callback)
// describes each proposed video format with a VideoFormat, hands every
// frame's bytes to RenderVideoSample, and says when its graph runs. These
// calls take the lock for as long as they touch the record; the streaming
// thread never waits for the render loop, only for another capture call.
//
// The render side only takes the newest frame, with TakeNewestFrame, which
// try-locks: while the capture side holds the lock the frame stays flagged
// and goes up on a later pass, so the render loop never waits and never
// reads a buffer being replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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
// drops frameBuffer (and any frame not yet taken) so that the next frame
// allocates it at the new size. A format CheckVideoFormat would refuse clears
// the sizes instead.
void SetVideoFormat(const VideoFormat& format);

// Converts one frame of the current format: length bytes at data, rows
// stride bytes apart (0: the Windows bitmap stride, width x 3 rounded up to
// 4), blue-green-red pixels into opaque RGBA texels, the rest of the texture
// transparent black. Rows land in the texture in the order they lie in the
// sample. Nothing is read when no format is set or when the sample is
// shorter than the frame. true when the frame was written into frameBuffer
// (newFrame is then raised).
bool RenderVideoSample(const unsigned char* data, size_t length, size_t stride);

// Whether a capture graph runs: set by the back end once its graph runs,
// cleared when it is released. No frame is taken while it is false. A graph
// that starts running clears an earlier end.
void SetCaptureRunning(bool running);
bool CaptureRunning();

// Capture side: the running stream failed or ended (a camera pulled out, a
// source that runs dry), after its last frame was written; no frame follows
// until a graph runs again.
void ReportCaptureEnded();
// Whether the stream has ended since the graph started running.
bool CaptureEnded();
// Render side: true once after ReportCaptureEnded, and then a frame still
// flagged is dropped (the figure goes back to the still picture). Never
// waits.
bool TakeCaptureEnded();

// Frames written into frameBuffer since the process started (or the last
// ResetFrameExchange); lets a headless snapshot wait for the first one.
uint32_t VideoFramesWritten();

// The newest frame as the render thread takes it: the whole texture image,
// with the picture in its first videoWidth columns of its first videoHeight
// rows. Valid only during the call it is handed to.
struct VideoFrame {
    const unsigned char* texels = nullptr;  // width x height RGBA
    int32_t width = 0;                      // frameTexWidth, a power of two
    int32_t height = 0;                     // frameTexHeight, equal to width
    int32_t videoWidth = 0;
    int32_t videoHeight = 0;
};

enum class FrameTake {
    Taken,       // a new frame was handed over and newFrame cleared
    NoNewFrame,  // no capture runs, no format is set, or nothing new arrived
    Busy,        // the capture side holds the exchange: the frame waits for a later pass
};

using FrameConsumer = void (*)(const VideoFrame& frame, void* context);

// Render thread: hands the newest frame to consume (under the exchange lock,
// taken with a try-lock) and clears newFrame, when the capture runs, a
// format is set and a frame arrived since the last take. Never waits.
FrameTake TakeNewestFrame(FrameConsumer consume, void* context);

// What the exchange holds, copied under its lock: for tests and tools, not
// for the render loop (this waits while the capture side converts a frame).
struct VideoFrameStatus {
    bool captureRunning = false;
    int32_t videoWidth = 0;
    int32_t videoHeight = 0;
    int32_t frameTexWidth = 0;
    int32_t frameTexHeight = 0;
    bool hasFrameBuffer = false;
    bool newFrame = false;
    bool captureEnded = false;
};
VideoFrameStatus ReadVideoFrameStatus();

// A copy of the whole frameBuffer (frameTexWidth x frameTexHeight RGBA),
// empty when there is none. Tests and tools, as ReadVideoFrameStatus.
std::vector<unsigned char> CopyFrameBuffer();

// Test hook: runs whileHeld(context) with the exchange lock held, as the
// capture side holds it while it converts a frame.
void HoldFrameExchange(void (*whileHeld)(void* context), void* context);

// Test hook: the exchange back to its process-start state (frameBuffer
// freed, the frame count 0).
void ResetFrameExchange();
