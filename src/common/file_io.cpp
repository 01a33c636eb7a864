#include "platform/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
// One read or write call moves at most this much, which every C runtime's
// count type holds.
constexpr size_t kChunk = 0x40000000u;
}  // namespace

size_t ReadFully(int fd, unsigned char* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        const size_t chunk = count - done < kChunk ? count - done : kChunk;
        auto n = read(fd, out + done, static_cast<unsigned>(chunk));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool WriteFully(int fd, const void* bytes, size_t count) {
    const auto* from = static_cast<const unsigned char*>(bytes);
    size_t done = 0;
    while (done < count) {
        const size_t chunk = count - done < kChunk ? count - done : kChunk;
        auto n = write(fd, from + done, static_cast<unsigned>(chunk));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;  // no progress: the device is full
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

ReplacementFile::~ReplacementFile() { Abandon(); }

void ReplacementFile::Start(const char* path) {
    Abandon();
    error_.clear();
    existed_ = false;
    oldLength_ = 0;
    keptAttributes_ = 0;
    target_ = path;
}

bool ReplacementFile::IsTemporaryOf(const std::string& name, const std::string& base, unsigned long& pid) {
    static const char kMark[] = ".new-";
    const size_t markLength = sizeof kMark - 1;
    if (name.size() <= base.size() + markLength || name.compare(0, base.size(), base) != 0 ||
        name.compare(base.size(), markLength, kMark) != 0)
        return false;
    // PID-N: two runs of decimal digits, nothing else; a process id has
    // fewer than ten of them.
    const std::string rest = name.substr(base.size() + markLength);
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash > 9 || dash + 1 == rest.size()) return false;
    if (rest.find_first_not_of("0123456789") != dash ||
        rest.find_first_not_of("0123456789", dash + 1) != std::string::npos)
        return false;
    pid = std::stoul(rest.substr(0, dash));
    return true;
}

bool ReplacementFile::CreateTemporary() {
    // Beside the target, so that the rename never crosses file systems; a
    // name another process holds is passed over.
    static unsigned serial = 0;
    for (int attempt = 0;; ++attempt) {
        temporary_ = target_ + ".new-" + std::to_string(ProcessId()) + "-" + std::to_string(serial++);
        fd_ = CreateNewFile(temporary_.c_str());
        if (fd_ != -1) return true;
        if (errno != EEXIST || attempt == 100) {
            const std::string why = std::strerror(errno);
            temporary_.clear();
            return Fail(why);
        }
    }
}

bool ReplacementFile::Write(const void* bytes, size_t count) {
    if (fd_ == -1) return Fail(error_.empty() ? "not open" : error_);
    if (!WriteFully(fd_, bytes, count)) return Fail(std::strerror(errno));
    return true;
}

bool ReplacementFile::FinishWriting() {
    if (fd_ == -1) return Fail(error_.empty() ? "not open" : error_);
    if (FlushToDisk(fd_) != 0) return Fail(std::strerror(errno));
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return Fail(std::strerror(errno));
    return true;
}

void ReplacementFile::Abandon() {
    if (fd_ != -1) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool ReplacementFile::Fail(const std::string& why) {
    error_ = why;
    Abandon();
    return false;
}
