#include "common/clock.h"

#include <chrono>
#include <thread>

namespace {
bool held = false;
uint32_t heldAt = 0;
}  // namespace

uint32_t TickCount() {
    if (held) return heldAt;
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void SleepMilliseconds(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SleepMicroseconds(uint32_t microseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

uint64_t MonotonicMicroseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void HoldClockAt(uint32_t milliseconds) {
    held = true;
    heldAt = milliseconds;
}

void ReleaseClock() { held = false; }
