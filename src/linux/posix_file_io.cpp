// Opening and replacing files on POSIX systems. Implements the platform half
// of file_io.h; relies on O_NONBLOCK opens, fsync and rename(2), which puts
// the new image in place in one step.
#include "platform/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileOpenResult OpenRegularFile(const char* path, int& fd, int64_t& length) {
    fd = -1;
    length = 0;
    // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer.
    const int opened = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened == -1) return FileOpenResult::CannotOpen;
    struct stat info {};
    if (fstat(opened, &info) != 0) {
        close(opened);
        return FileOpenResult::CannotOpen;
    }
    if (!S_ISREG(info.st_mode)) {
        close(opened);
        return FileOpenResult::NotRegular;
    }
    const int flags = fcntl(opened, F_GETFL);
    if (flags != -1) fcntl(opened, F_SETFL, flags & ~O_NONBLOCK);
    fd = opened;
    length = static_cast<int64_t>(info.st_size);
    return FileOpenResult::Opened;
}

bool SeekFile(int fd, int64_t offset) { return lseek(fd, static_cast<off_t>(offset), SEEK_SET) == offset; }

void CloseFile(int fd) {
    if (fd != -1) close(fd);
}

int ReplacementFile::CreateNewFile(const char* path) {
    // 0666 less the umask, as any new file.
    return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
}

unsigned long ReplacementFile::ProcessId() { return static_cast<unsigned long>(getpid()); }

int ReplacementFile::FlushToDisk(int fd) { return fsync(fd); }

bool ReplacementFile::Begin(const char* path) {
    Start(path);

    // A link stays a link: the file it names is replaced (or made, if the
    // link leads to a file not there yet, as writing through it would).
    struct stat info {};
    for (int hops = 0; lstat(target_.c_str(), &info) == 0 && S_ISLNK(info.st_mode); ++hops) {
        char next[4096];
        const ssize_t n = hops < 40 ? readlink(target_.c_str(), next, sizeof next - 1) : -1;
        if (n <= 0) return Fail(hops < 40 ? std::strerror(errno) : std::strerror(ELOOP));
        next[n] = '\0';
        const size_t slash = target_.find_last_of('/');
        if (next[0] == '/' || slash == std::string::npos) {
            target_ = next;
        } else {
            target_ = target_.substr(0, slash + 1) + next;
        }
    }
    if (stat(target_.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return Fail("not a regular file");
        // A file its owner made read-only stays so, as it would for a write
        // in place.
        if (access(target_.c_str(), W_OK) != 0) return Fail(std::strerror(errno));
        existed_ = true;
        oldLength_ = static_cast<int64_t>(info.st_size);
        keptAttributes_ = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(std::strerror(errno));
    }

    if (!CreateTemporary()) return false;
    if (existed_) {
        // The owner first: giving a file away may clear its set-id bits.
        // Only root may give it away; anyone else keeps owning the new file.
        struct stat made {};
        if (fstat(fd_, &made) == 0 && (made.st_uid != info.st_uid || made.st_gid != info.st_gid)) {
            if (fchown(fd_, info.st_uid, info.st_gid) != 0) {
                // The old owner is out of reach; the mode is still kept.
            }
        }
        if (fchmod(fd_, static_cast<mode_t>(keptAttributes_)) != 0) return Fail(std::strerror(errno));
    }
    return true;
}

bool ReplacementFile::Commit() {
    if (!FinishWriting()) return false;
    if (rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(std::strerror(errno));
    temporary_.clear();
    // The rename itself reaches the disk with its directory.
    const size_t slash = target_.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);
    const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd != -1) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}
