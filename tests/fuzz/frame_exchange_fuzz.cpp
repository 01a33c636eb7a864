// libFuzzer target: the frame exchange, driven as a capture back end and the
// render loop drive it, in any order. The input is a list of operations:
// propose a format (any width, height, bit count and flags), set a format,
// hand over a sample (any data length and stride), and upload the newest
// frame into the picture texture on a real (EGL, Mesa) context, with the
// capture running or not.
//
// A small model of the exchange predicts what each operation must do; every
// frame written is compared texel by texel with the sample it came from, and
// every upload with the texture read back. Samples lie in heap blocks of
// exactly their length, so AddressSanitizer catches any read past them; the
// frame buffer is copied out whole after every frame written, so a buffer
// smaller than its sizes is caught too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "common/gl.h"
#include "app/run_record.h"
#include "platform/gl_window.h"
#include "video/frame_exchange.h"
#include "video/texture_upload.h"

namespace {

constexpr size_t kWidth = kVideoWidth, kHeight = kVideoHeight, kRowBytes = kWidth * 3;
// The longest sample made: a frame at any stride up to 4 KiB. Samples of
// any length in between are kept shorter, for speed.
constexpr size_t kMaxSample = size_t{1} << 19;
constexpr size_t kAnySample = size_t{1} << 17;

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "frame_exchange_fuzz: %s\n", what);
    __builtin_trap();
}

// Reads the input front to back; past its end every value is 0.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Done() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint64_t Bytes(int count) {
        uint64_t value = 0;
        for (int i = 0; i < count; ++i) value |= uint64_t{Byte()} << (8 * i);
        return value;
    }
    int32_t Int32() { return static_cast<int32_t>(static_cast<uint32_t>(Bytes(4))); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// What the exchange's state must be after the operations so far.
struct Model {
    int32_t width = 0, height = 0;  // the accepted size, 0 while none
    int32_t texSide = 0;            // the frame texture's side once a format was set
    bool buffer = false;            // frameBuffer exists
    bool newFrame = false;
};
Model model;
// The frame last written, and the texture read back. Made once: an input
// that ends with more blocks allocated than freed is run again by the
// leak check, and large blocks cost fresh pages each time.
constexpr size_t kTextureBytes = 256 * 256 * 4;
std::vector<unsigned char> expected, readBack;

bool Acceptable(const VideoFormat& format) {
    return format.videoInfo && format.width == kVideoWidth &&
           (format.height == kVideoHeight || format.height == -kVideoHeight) && format.bitCount == 24 &&
           format.uncompressed;
}

// A format from the input: each field either the accepted value or any.
VideoFormat TakeFormat(Input& in) {
    const uint8_t choice = in.Byte();
    VideoFormat format;
    format.videoInfo = !(choice & 1);
    format.uncompressed = !(choice & 2);
    format.width = (choice & 4) ? in.Int32() : kVideoWidth;
    format.height = (choice & 8) ? in.Int32() : ((choice & 16) ? -kVideoHeight : kVideoHeight);
    format.bitCount = (choice & 32) ? in.Int32() : 24;
    return format;
}

void ProposeFormat(Input& in) {
    const VideoFormat format = TakeFormat(in);
    const bool accepted = CheckVideoFormat(format);
    Require(accepted == Acceptable(format), "a format decided against the rule");
    if (!format.videoInfo) return;  // refused without touching anything
    model.width = accepted ? kVideoWidth : 0;
    model.height = accepted ? kVideoHeight : 0;
}

void SetFormat(Input& in) {
    const VideoFormat format = TakeFormat(in);
    SetVideoFormat(format);
    if (!Acceptable(format)) {
        model.width = model.height = 0;
        return;
    }
    model.width = kVideoWidth;
    model.height = kVideoHeight;
    model.texSide = 256;
    model.buffer = false;
    model.newFrame = false;
}

// Random bytes, made once: enough for the longest sample from any start
// below 64 KiB.
const std::vector<unsigned char>& Noise() {
    static const std::vector<unsigned char> noise = [] {
        std::vector<unsigned char> bytes(kMaxSample + 65536);
        uint32_t state = 0x9e3779b9;
        for (auto& byte : bytes) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            byte = static_cast<unsigned char>(state >> 7);
        }
        return bytes;
    }();
    return noise;
}

// Bytes a sample needs at this stride (0: the bitmap stride), or SIZE_MAX
// when no length is enough.
size_t NeededLength(size_t stride) {
    if (stride == 0) stride = kRowBytes;
    if (stride < kRowBytes || stride > (SIZE_MAX - kRowBytes) / (kHeight - 1)) return SIZE_MAX;
    return stride * (kHeight - 1) + kRowBytes;
}

void HandSample(Input& in) {
    const uint8_t choice = in.Byte();
    size_t stride;
    switch (choice & 3) {
        case 0: stride = 0; break;
        case 1: stride = kRowBytes + in.Byte(); break;
        case 2: stride = in.Bytes(2); break;
        default: stride = in.Bytes(8); break;
    }
    const size_t needed = NeededLength(stride);
    size_t length;
    if ((choice & 4) && needed <= kMaxSample) {
        length = needed + static_cast<size_t>(static_cast<int8_t>(in.Byte()));  // at the edge
    } else {
        length = in.Bytes(3) % kAnySample;
    }
    // The sample's bytes: noise from a place the input picks.
    std::unique_ptr<unsigned char[]> sample(new unsigned char[length ? length : 1]);
    std::memcpy(sample.get(), &Noise()[in.Bytes(2)], length);
    const unsigned char* data = (choice & 0x18) == 0x18 ? nullptr : sample.get();

    const uint32_t before = VideoFramesWritten();
    const bool written = RenderVideoSample(data, length, stride);
    const bool takes = model.width > 0 && model.texSide >= kVideoWidth && data && length >= needed;
    Require(written == takes, "a sample taken or refused against the rule");
    Require(VideoFramesWritten() == before + (written ? 1 : 0), "the frame count does not follow the frames");
    if (!written) return;
    model.buffer = true;
    model.newFrame = true;

    // Rows in sample order at the stride, blue-green-red into opaque RGBA,
    // transparent black around the picture.
    const size_t side = static_cast<size_t>(model.texSide);
    const size_t rowStride = stride ? stride : kRowBytes;
    expected.assign(side * side * 4, 0);
    for (size_t y = 0; y < kHeight; ++y)
        for (size_t x = 0; x < kWidth; ++x) {
            const unsigned char* pixel = data + y * rowStride + x * 3;
            unsigned char* texel = &expected[(y * side + x) * 4];
            texel[0] = pixel[2];
            texel[1] = pixel[1];
            texel[2] = pixel[0];
            texel[3] = 255;
        }
    Require(CopyFrameBuffer() == expected, "a texel does not match its sample");
}

void Upload(Input& in) {
    const bool running = in.Byte() & 1;
    SetCaptureRunning(running);
    UploadVideoFrame();
    const bool uploads = running && model.newFrame && model.width > 0 && model.buffer;
    if (!uploads) return;
    model.newFrame = false;
    const size_t side = static_cast<size_t>(model.texSide);
    readBack.assign(side * side * 4, 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(pictureTexture));
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Require(static_cast<size_t>(width) == side && static_cast<size_t>(height) == side, "the texture has the wrong size");
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, readBack.data());
    Require(readBack == expected, "the texture does not hold the newest frame");
}

// The state the render side reads agrees with the model.
void CheckState() {
    const VideoFrameStatus state = ReadVideoFrameStatus();
    Require(state.videoWidth == model.width && state.videoHeight == model.height, "the video size is not the model's");
    Require(state.frameTexWidth == model.texSide && state.frameTexHeight == model.texSide, "the texture size is not the model's");
    Require(state.hasFrameBuffer == model.buffer, "the frame buffer exists against the model");
    Require(state.newFrame == model.newFrame, "newFrame is not the model's");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (CreateOffscreenGLWindow(16, 16, 32) != 1) {
        std::fprintf(stderr, "frame_exchange_fuzz: no offscreen OpenGL context (EGL, Mesa)\n");
        std::exit(1);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    expected.reserve(kTextureBytes);
    readBack.reserve(kTextureBytes);
    Noise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetRun();
    ResetFrameExchange();
    model = Model();
    // The picture texture the frames replace, as the fallback picture makes it.
    const unsigned char black[4] = {0, 0, 0, 255};
    pictureTexture = UploadTexture(black, 1, 1, -1);

    Input in(data, size);
    while (!in.Done()) {
        switch (in.Byte() % 4) {
            case 0: ProposeFormat(in); break;
            case 1: SetFormat(in); break;
            case 2: HandSample(in); break;
            default: Upload(in); break;
        }
        CheckState();
    }
    ResetFrameExchange();  // the input's frame buffer goes with it
    return 0;
}
