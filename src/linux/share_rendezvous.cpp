// The rendezvous of runs that share a video source (share_rendezvous.h).
#include "linux/share_rendezvous.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The longest path a Unix socket takes (sun_path, less its terminating zero).
constexpr size_t kLongestSocketPath = sizeof(sockaddr_un::sun_path) - 1;
// "/video-", 16 hex digits and ".sock".
constexpr size_t kSocketNameLength = 7 + 16 + 5;

bool OnlyUsersDirectory(const struct stat& info, uid_t uid) {
    return S_ISDIR(info.st_mode) && info.st_uid == uid && (info.st_mode & 077) == 0;
}

// FNV-1a, 64 bits: a short name that differs for different sources.
uint64_t Hash(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// Digits from text[at] on, as a positive pid; at moves past them. 0 when
// there are none, too many, or a leading zero.
pid_t Digits(const char* text, size_t length, size_t& at) {
    const size_t start = at;
    if (at < length && text[at] == '0') return 0;
    long long value = 0;
    while (at < length && text[at] >= '0' && text[at] <= '9' && at - start < 10) value = value * 10 + (text[at++] - '0');
    if (at == start || (at < length && text[at] >= '0' && text[at] <= '9') || value <= 0 || value > INT_MAX) return 0;
    return static_cast<pid_t>(value);
}

// Whether process pid has ended: gone, or a zombie whose parent has not
// reaped it yet (its files, and so the lock, are already closed).
bool ProcessEnded(pid_t pid) {
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) return kill(pid, 0) != 0 && errno == ESRCH;
    char text[512];
    const ssize_t length = read(file, text, sizeof text - 1);
    close(file);
    if (length <= 0) return false;
    text[length] = '\0';
    // "pid (name) S ...": the name may hold anything, the state follows its last ')'.
    const char* end = std::strrchr(text, ')');
    if (!end || end[1] != ' ') return false;
    return end[2] == 'Z' || end[2] == 'X' || end[2] == 'x';
}

}  // namespace

std::string ShareDirectory(const char* runtimeDir, const std::string& tmp, uid_t uid, std::string& problem) {
    problem.clear();
    struct stat info;
    std::string directory;
    if (runtimeDir && runtimeDir[0] == '/' && stat(runtimeDir, &info) == 0 && OnlyUsersDirectory(info, uid))
        directory = std::string(runtimeDir) + "/lumox";
    else
        directory = tmp + "/lumox-" + std::to_string(uid);
    if (directory.size() + kSocketNameLength > kLongestSocketPath) {
        problem = directory + " is too long a path for a socket";
        return {};
    }
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = directory + " cannot be made (" + std::strerror(errno) + ")";
        return {};
    }
    if (lstat(directory.c_str(), &info) != 0 || !OnlyUsersDirectory(info, uid)) {
        problem = directory + " is not a directory of this user's that only this user may use";
        return {};
    }
    return directory;
}

ShareNames SourceShareNames(const std::string& directory, const std::string& source) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Hash(source)));
    const std::string stem = directory + "/video-" + hex;
    return {stem + ".lock", stem + ".sock"};
}

SourceLock TakeSourceLock(const ShareNames& names, int& fd, const std::string& shmDir) {
    fd = -1;
    // An owner that lets go removes its file first: a lock taken on the
    // removed file is worth nothing, and the file under the name is tried.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Never waits in the open, whatever stands under the name.
        const int file = open(names.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (file < 0) return SourceLock::Failed;
        if (flock(file, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(file);
            return error == EWOULDBLOCK || error == EINTR ? SourceLock::Held : SourceLock::Failed;
        }
        struct stat held, named;
        if (fstat(file, &held) != 0 || !S_ISREG(held.st_mode) || held.st_uid != geteuid()) {
            close(file);
            return SourceLock::Failed;
        }
        if (lstat(names.lock.c_str(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev) {
            close(file);
            continue;
        }
        char text[32];
        const ssize_t length = pread(file, text, sizeof text, 0);
        const pid_t previous = length > 0 ? ParseOwnerPid(text, static_cast<size_t>(length)) : 0;
        if (previous > 0 && previous != getpid() && ProcessEnded(previous))
            RemoveSegmentsOf(previous, geteuid(), shmDir);
        // The socket's name is this owner's now: what is there, a killed
        // owner left (shmsink would otherwise take another name).
        const std::string pid = std::to_string(getpid()) + "\n";
        if ((unlink(names.socket.c_str()) != 0 && errno != ENOENT) || ftruncate(file, 0) != 0 ||
            pwrite(file, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
            DropSourceLock(names, file);
            return SourceLock::Failed;
        }
        fd = file;
        return SourceLock::Taken;
    }
    return SourceLock::Held;
}

void DropSourceLock(const ShareNames& names, int fd) {
    unlink(names.lock.c_str());
    close(fd);
}

void RemoveOwnShareTraces(const ShareNames& names, const std::string& shmDir) {
    unlink(names.socket.c_str());
    RemoveSegmentsOf(getpid(), geteuid(), shmDir);
    unlink(names.lock.c_str());
}

pid_t ParseOwnerPid(const char* text, size_t length) {
    size_t at = 0;
    const pid_t pid = Digits(text, length, at);
    if (at < length && text[at] == '\n') ++at;
    return at == length ? pid : 0;
}

pid_t SegmentWriterPid(const char* name) {
    static const char kPrefix[] = "shmpipe.";
    if (std::strncmp(name, kPrefix, sizeof kPrefix - 1) != 0) return 0;
    const size_t length = std::strlen(name);
    size_t at = sizeof kPrefix - 1;
    while (at < length && name[at] == ' ') ++at;
    const pid_t pid = Digits(name, length, at);
    if (!pid || at >= length || name[at++] != '.') return 0;
    while (at < length && name[at] == ' ') ++at;
    const size_t serialStart = at;
    while (at < length && name[at] >= '0' && name[at] <= '9') ++at;
    return at > serialStart && at == length ? pid : 0;
}

void RemoveSegmentsOf(pid_t pid, uid_t uid, const std::string& shmDir) {
    DIR* directory = opendir(shmDir.c_str());
    if (!directory) return;
    const int dirFd = dirfd(directory);
    while (const dirent* entry = readdir(directory)) {
        if (SegmentWriterPid(entry->d_name) != pid) continue;
        struct stat info;
        // In the sticky /dev/shm nobody else can put another file under a
        // name of this user's between the look and the removal.
        if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == uid)
            unlinkat(dirFd, entry->d_name, 0);
    }
    closedir(directory);
}
