// The settings file and its directory: where the file is, reading it and
// replacing it. Portable; the directory and the file access come from the
// platform (config_dir.h, file_io.h).
#include "settings/settings.h"

#include "platform/file_io.h"
#include "platform/config_dir.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
const char* directoryOverride = nullptr;
// The directory path the last refresh refused, "" if none.
std::string refusedDirectory;
std::string saveProblem;

// The message of a directory path too long for windowsDirectory.
std::string LongDirectoryText() {
    return "the settings directory path is too long (" + std::to_string(refusedDirectory.size()) + " bytes; at most " +
           std::to_string(kMaxSettingsDirectoryLength) + "): " + refusedDirectory;
}

// Copies what the old file holds behind the record into the new image.
bool CopyTail(ReplacementFile& file, std::string& why) {
    const int64_t tail = file.existed() ? file.oldLength() - static_cast<int64_t>(sizeof(SaverSettings)) : 0;
    if (tail <= 0) return true;
    int fd = -1;
    int64_t length = 0;
    why = "the file could not be read";
    if (OpenRegularFile(file.target().c_str(), fd, length) != FileOpenResult::Opened) return false;
    int64_t copied = 0;
    bool ok = SeekFile(fd, static_cast<int64_t>(sizeof(SaverSettings)));
    unsigned char chunk[16384];
    while (ok && copied < tail) {
        const size_t got = ReadFully(fd, chunk, sizeof chunk);
        if (got == 0) break;
        ok = file.Write(chunk, got);
        if (!ok) why = file.error();
        copied += static_cast<int64_t>(got);
    }
    CloseFile(fd);
    // A read that ends early would cut the tail off: no save then.
    return ok && copied >= tail;
}

}  // namespace

// windowsDirectory keeps its Windows name; it holds the settings directory of every platform.
int RefreshSettingsDirectory() {
    const std::string dir = directoryOverride ? std::string(directoryOverride) : PlatformSettingsDirectory();
    // Paths are built from the buffer: a directory that does not fit with
    // a file name behind it is refused, never cut.
    if (dir.size() > kMaxSettingsDirectoryLength) {
        windowsDirectory[0] = '\0';
        refusedDirectory = dir;
        return 0;
    }
    std::memcpy(windowsDirectory, dir.c_str(), dir.size() + 1);
    refusedDirectory.clear();
    return 1;
}

int BuildSettingsPath(char* out, size_t outSize, const char* name) {
    if (outSize == 0) return 0;
    out[0] = '\0';
    if (!windowsDirectory[0]) return 0;  // no directory, no path
    const int n = std::snprintf(out, outSize, "%s%c%s", windowsDirectory, kPathSeparator, name);
    if (n < 0 || static_cast<size_t>(n) >= outSize) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int LoadSettings() {
    if (!RefreshSettingsDirectory()) {
        std::fprintf(stderr, "lumox: %s\n", LongDirectoryText().c_str());
        return 0;
    }
    char path[kWindowsDirectorySize + 16];
    if (!BuildSettingsPath(path, sizeof path, kSettingsFileName)) return 0;

    // Anything but a regular file (a directory, a FIFO, a device) counts as
    // a file that cannot be opened, and is not waited on.
    int fd = -1;
    int64_t length = 0;
    if (OpenRegularFile(path, fd, length) != FileOpenResult::Opened) return 0;
    // Whatever the file holds replaces the start of the record; a short file
    // leaves the rest of the record as it was.
    ReadFully(fd, reinterpret_cast<unsigned char*>(&saverSettings), sizeof saverSettings);
    CloseFile(fd);
    return 1;
}

int SaveSettings() {
    saveProblem.clear();
    if (!RefreshSettingsDirectory()) {
        const std::string text = LongDirectoryText();
        std::fprintf(stderr, "lumox: %s\n", text.c_str());
        saveProblem = "The settings could not be saved: " + text + ".";
        return 0;
    }
    char path[kWindowsDirectorySize + 16];
    if (!BuildSettingsPath(path, sizeof path, kSettingsFileName)) {
        saveProblem = "The settings could not be saved: the settings directory is not known.";
        return 0;
    }
    auto fail = [&path](const std::string& why) {
        saveProblem = std::string("The settings could not be saved to ") + path + " (" + why + ").";
        return 0;
    };
    if (!EnsureSettingsDirectory(windowsDirectory)) return fail(std::strerror(errno));

    // A new image of the whole file (the record, then whatever a longer
    // file holds behind it) takes the old one's place in one step: a full
    // disk or a failed write leaves the old file as it was.
    ReplacementFile file;
    std::string why;
    if (!file.Begin(path) || !file.Write(&saverSettings, sizeof saverSettings)) return fail(file.error());
    if (!CopyTail(file, why)) return fail(why);
    if (!file.Commit()) return fail(file.error());
    return 1;
}

const char* SettingsSaveProblem() { return saveProblem.c_str(); }

void OverrideSettingsDirectory(const char* dir) { directoryOverride = dir; }
