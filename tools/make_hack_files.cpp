// Writes, from the option table, the files that make Lumox an XScreenSaver
// hack: the man page lumox.6x and the settings panel lumox.xml. Run by the
// build, so that they always name the options the program takes.
// usage: make_hack_files man VERSION OUT | xml OUT
#include <cstdio>
#include <cstring>
#include <string>

#include "app/option_docs.h"

namespace {
int Write(const char* path, const std::string& text) {
    std::FILE* out = std::fopen(path, "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_hack_files: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "man") == 0) return Write(argv[3], ManPage(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "xml") == 0) return Write(argv[2], XScreenSaverXml());
    std::fprintf(stderr, "usage: make_hack_files man VERSION OUT | xml OUT\n");
    return 2;
}
