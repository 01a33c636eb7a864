// libFuzzer target: the reader and editor of XScreenSaver's programs list.
// Any text is read without a fault; where it lacks Lumox, adding it either
// refuses or gives a text that lists Lumox and keeps every byte of the old
// one, in order (that the daemon reads it as before, but for the new entry,
// the editor checks itself).
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/xscreensaver_programs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string unread = UnreadProgramsList(text);
    if (FindLumoxInPrograms(text) != ProgramsListing::Absent) return 0;
    std::string added;
    if (!AddLumoxToPrograms(text, added)) {
        if (!added.empty()) __builtin_trap();
        return 0;
    }
    if (FindLumoxInPrograms(added) != ProgramsListing::Listed) __builtin_trap();
    // A list that is read makes a look-alike moot.
    if (!UnreadProgramsList(added).empty()) __builtin_trap();
    // Only insertions: the old text is a subsequence of the new one.
    size_t next = 0;
    for (char c : added)
        if (next < text.size() && c == text[next]) ++next;
    if (next != text.size()) __builtin_trap();
    return 0;
}
