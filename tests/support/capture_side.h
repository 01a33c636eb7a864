// The capture side of the frame exchange, played by a test: the formats it
// offers, and a thread that holds the exchange, as the capture side holds it
// while it converts a frame, from construction until destruction.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "video/frame_exchange.h"

// Uncompressed 24-bit frames of width x height, as a camera offers them.
inline VideoFormat Rgb24(int32_t width, int32_t height) {
    VideoFormat format;
    format.videoInfo = true;
    format.width = width;
    format.height = height;
    format.bitCount = 24;
    format.uncompressed = true;
    return format;
}

class CaptureSideHolding {
public:
    // Returns once the exchange is held.
    CaptureSideHolding() : thread_([this] { HoldFrameExchange(Hold, this); }) {
        std::unique_lock<std::mutex> lock(m_);
        cv_.wait(lock, [this] { return holding_; });
    }
    ~CaptureSideHolding() {
        {
            std::lock_guard<std::mutex> lock(m_);
            release_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    CaptureSideHolding(const CaptureSideHolding&) = delete;
    CaptureSideHolding& operator=(const CaptureSideHolding&) = delete;

private:
    static void Hold(void* context) {
        auto* self = static_cast<CaptureSideHolding*>(context);
        std::unique_lock<std::mutex> lock(self->m_);
        self->holding_ = true;
        self->cv_.notify_all();
        self->cv_.wait(lock, [self] { return self->release_; });
    }

    std::mutex m_;
    std::condition_variable cv_;
    bool holding_ = false;
    bool release_ = false;
    std::thread thread_;  // last: it starts once the members above exist
};
