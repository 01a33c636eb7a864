// libFuzzer target: the reader and editor of XScreenSaver's programs list.
// Any text is read without a fault; where it lacks Lumox, adding it gives a
// text that lists Lumox and keeps every byte of the old one, in order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/xscreensaver_programs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (FindLumoxInPrograms(text) != ProgramsListing::Absent) return 0;
    const std::string added = AddLumoxToPrograms(text);
    if (FindLumoxInPrograms(added) != ProgramsListing::Listed) __builtin_trap();
    // Only insertions: the old text is a subsequence of the new one.
    size_t next = 0;
    for (char c : added)
        if (next < text.size() && c == text[next]) ++next;
    if (next != text.size()) __builtin_trap();
    return 0;
}
