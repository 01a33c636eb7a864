// libFuzzer target: the settings file. The input, of any length, is the
// file; LoadSettings reads it over a record that holds a known pattern, and
// SaveSettings writes the record back. Afterwards the record holds the
// file's first bytes and the pattern behind them, and the file holds every
// byte it held before: a load followed by a save changes nothing a user
// wrote, and a short file only grows by what the record held.
//
// The file lives in a private directory under $TMPDIR (the runner points it
// at a tmpfs), removed at exit.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace {

std::string directory;
std::string filePath;

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "settings_fuzz: %s\n", what);
    __builtin_trap();
}

// What the record holds before each load: no byte of it is likely to be the
// file's byte at the same offset by chance alone, and none is zero.
unsigned char PatternByte(size_t offset) { return static_cast<unsigned char>(0x80 | ((offset * 37 + 11) & 0x7f)); }

void RemoveDirectory() {
    if (directory.empty()) return;
    // Whatever a save left there, then the directory itself.
    if (DIR* dir = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                unlink((directory + "/" + entry->d_name).c_str());
        }
        closedir(dir);
    }
    rmdir(directory.c_str());
}

void WriteFile(const uint8_t* data, size_t size) {
    const int fd = open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Require(fd != -1, "cannot create the settings file");
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        Require(n > 0, "cannot write the settings file");
        done += static_cast<size_t>(n);
    }
    Require(close(fd) == 0, "cannot close the settings file");
}

std::vector<unsigned char> ReadFile() {
    std::vector<unsigned char> bytes;
    const int fd = open(filePath.c_str(), O_RDONLY);
    Require(fd != -1, "the settings file is gone after a save");
    unsigned char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    Require(n == 0, "cannot read the settings file back");
    close(fd);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/lumox-settings-fuzz.XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    Require(mkdtemp(name.data()) != nullptr, "cannot make a private directory under $TMPDIR");
    directory = name.data();
    filePath = directory + "/" + kSettingsFileName;
    std::atexit(RemoveDirectory);
    OverrideSettingsDirectory(directory.c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kRecord = sizeof(SaverSettings);
    auto* record = reinterpret_cast<unsigned char*>(&saverSettings);
    for (size_t i = 0; i < kRecord; ++i) record[i] = PatternByte(i);

    WriteFile(data, size);
    Require(LoadSettings() == 1, "a settings file that opens did not load");
    const size_t loaded = size < kRecord ? size : kRecord;
    Require(std::memcmp(record, data, loaded) == 0, "the record does not hold the file's first bytes");
    for (size_t i = loaded; i < kRecord; ++i)
        Require(record[i] == PatternByte(i), "a short file changed the record behind its end");

    Require(SaveSettings() == 1, "saving into a writable directory failed");
    const std::vector<unsigned char> after = ReadFile();
    Require(after.size() == (size > kRecord ? size : kRecord), "the save changed the file's length");
    Require(std::memcmp(after.data(), data, loaded) == 0, "the save changed the bytes the file held");
    for (size_t i = loaded; i < kRecord; ++i)
        Require(after[i] == PatternByte(i), "the save did not write the record behind a short file");
    if (size > kRecord)
        Require(std::memcmp(after.data() + kRecord, data + kRecord, size - kRecord) == 0,
                "the save changed the bytes behind the record");

    unlink(filePath.c_str());
    return 0;
}
