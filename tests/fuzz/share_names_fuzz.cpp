// libFuzzer target: what a run that takes a shared source over reads of what
// others left, the pid in a lock file and the writer's pid in a name in
// /dev/shm. Any bytes are read without a fault, and a pid read back is one
// the text spells in decimal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "linux/share_rendezvous.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const pid_t owner = ParseOwnerPid(text, size);
    if (owner < 0) __builtin_trap();
    if (owner > 0) {
        const std::string spelt = std::to_string(owner);
        if (std::string(text, size) != spelt && std::string(text, size) != spelt + "\n") __builtin_trap();
    }
    // A directory entry's name: up to its first zero byte.
    const std::string name(text, size);
    const pid_t writer = SegmentWriterPid(name.c_str());
    if (writer < 0) __builtin_trap();
    if (writer > 0 && name.find(std::to_string(writer) + ".") == std::string::npos) __builtin_trap();
    return 0;
}
