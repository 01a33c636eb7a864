// Opening and replacing files on POSIX systems. Implements the platform half
// of file_io.h; relies on O_NONBLOCK opens, fsync and rename(2), which puts
// the new image in place in one step and never follows a link in the name
// it replaces, and on kill(pid, 0) to tell a process that no longer runs.
#include "platform/file_io.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// procfs, whose descriptor links name kernel objects rather than paths.
constexpr long kProcSuperMagic = 0x9fa0;

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// resolved/name, where resolved is "" for the current directory.
std::string Join(const std::string& resolved, const std::string& name) {
    if (resolved.empty()) return name;
    return resolved.back() == '/' ? resolved + name : resolved + "/" + name;
}

// The kernel's rule for protected links: in a sticky directory that anyone
// may write in, a link is followed only by its owner, or when it belongs to
// the directory's owner.
bool MayFollow(const struct stat& link, const struct stat& directory) {
    if (link.st_uid == geteuid()) return true;
    const mode_t shared = S_ISVTX | S_IWOTH;
    if ((directory.st_mode & shared) != shared) return true;
    return link.st_uid == directory.st_uid;
}

// The names between the slashes of path, empty ones too.
std::deque<std::string> Components(const std::string& path) {
    std::deque<std::string> names;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool ReadLink(const std::string& path, std::string& text) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = readlink(path.c_str(), &buffer[0], buffer.size());
        if (n < 0) return false;
        if (static_cast<size_t>(n) < buffer.size()) {
            text.assign(buffer, 0, static_cast<size_t>(n));
            return true;
        }
        if (buffer.size() >= 65536) {
            errno = ENAMETOOLONG;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A link in /proc whose text names no file there (pipe:[N], socket:[N]).
bool IsKernelLink(const std::string& directory, const std::string& text) {
    struct statfs fs {};
    if (text.empty() || text[0] == '/' || statfs(directory.c_str(), &fs) != 0 || fs.f_type != kProcSuperMagic)
        return false;
    struct stat info {};
    return lstat(Join(directory, text).c_str(), &info) != 0;
}

}  // namespace

bool ResolveWritablePath(const char* path, std::string& target, std::string& why, bool* kernelLink) {
    if (kernelLink) *kernelLink = false;
    const std::string given = path;
    std::deque<std::string> rest = Components(given);
    // What is resolved so far: real directories only, so that ".." may drop
    // the last of them.
    std::string resolved = !given.empty() && given[0] == '/' ? "/" : "";
    int hops = 0;
    while (!rest.empty()) {
        const std::string name = rest.front();
        rest.pop_front();
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (resolved.empty() || NameOf(resolved) == "..")
                resolved = Join(resolved, "..");
            else if (resolved != "/")
                resolved = DirectoryOf(resolved) == "." ? "" : DirectoryOf(resolved);
            continue;
        }
        const std::string candidate = Join(resolved, name);
        struct stat link {};
        if (lstat(candidate.c_str(), &link) != 0) {
            // Nothing there yet (the writer makes it, or says why it
            // cannot): the rest of the path is taken as it is.
            resolved = candidate;
            break;
        }
        if (!S_ISLNK(link.st_mode)) {
            resolved = candidate;
            continue;
        }
        const std::string directory = resolved.empty() ? "." : resolved;
        struct stat holder {};
        if (stat(directory.c_str(), &holder) != 0) {
            why = std::strerror(errno);
            return false;
        }
        if (!MayFollow(link, holder)) {
            why = "the symbolic link " + candidate +
                  " belongs to another user in a sticky directory anyone may write in; it is not followed";
            return false;
        }
        std::string text;
        if (++hops > 40) {
            why = std::strerror(ELOOP);
            return false;
        }
        if (!ReadLink(candidate, text)) {
            why = std::strerror(errno);
            return false;
        }
        if (IsKernelLink(directory, text)) {
            resolved = candidate;
            if (kernelLink) *kernelLink = true;
            break;
        }
        const std::deque<std::string> linked = Components(text);
        rest.insert(rest.begin(), linked.begin(), linked.end());
        if (text[0] == '/') resolved = "/";
    }
    for (const std::string& more : rest) resolved = Join(resolved, more);
    target = resolved.empty() ? given : resolved;
    return true;
}

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

bool ListFolderFiles(const char* path, size_t maxEntries, std::vector<std::string>& names) {
    names.clear();
    // O_DIRECTORY: anything else is refused by the open itself, never waited on.
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd == -1) return false;
    DIR* folder = fdopendir(fd);
    if (!folder) {
        close(fd);
        return false;
    }
    size_t looked = 0;
    while (looked < maxEntries) {
        const dirent* entry = readdir(folder);
        if (!entry) break;
        if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden files
        ++looked;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // What a link names, or what a file system that gives no type holds.
            struct stat info {};
            regular = fstatat(dirfd(folder), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (regular) names.emplace_back(entry->d_name);
    }
    closedir(folder);
    return true;
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

void ReplacementFile::RemoveStaleTemporaries(unsigned long oldOwner) {
    DIR* directory = opendir(DirectoryOf(target_).c_str());
    if (!directory) return;
    const std::string base = NameOf(target_);
    const uid_t self = geteuid();
    while (const dirent* entry = readdir(directory)) {
        unsigned long pid = 0;
        if (!IsTemporaryOf(entry->d_name, base, pid) || pid == 0 || pid == ProcessId()) continue;
        // Only a process that is gone for certain: one of another user's
        // answers EPERM, and is left alone.
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        // A file such a run made: a regular file of this user's, or, for
        // root, of the user it gave its temporaries to.
        struct stat info {};
        if (fstatat(dirfd(directory), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (info.st_uid != self && !(self == 0 && info.st_uid == oldOwner)) continue;
        unlinkat(dirfd(directory), entry->d_name, 0);
    }
    closedir(directory);
}

bool ReplacementFile::Begin(const char* path) {
    Start(path);

    // A link stays a link: the file it names is replaced (or made, if the
    // link leads to a file not there yet, as writing through it would),
    // where the kernel's rule for protected links follows it.
    std::string why;
    bool kernelLink = false;
    if (!ResolveWritablePath(path, target_, why, &kernelLink)) return Fail(why);
    if (kernelLink) return Fail("not a regular file");
    const std::string directory = DirectoryOf(target_);
    struct stat info {};
    if (lstat(target_.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return Fail("not a regular file");
        // A read-only file stays so, for root too, whose writes the
        // permission bits would not stop.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Fail("the file is read-only");
        if (access(target_.c_str(), W_OK) != 0) return Fail(std::strerror(errno));
        existed_ = true;
        oldLength_ = static_cast<int64_t>(info.st_size);
        keptAttributes_ = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return Fail(std::strerror(errno));
    }
    // Who the new file goes to: the old one's owner, else, where asked, the
    // directory's; else the new file stays as made.
    bool giveAway = existed_;
    struct stat holder {};
    if (!existed_ && newFileToDirectoryOwner_ && geteuid() == 0 && stat(directory.c_str(), &holder) == 0) {
        info.st_uid = holder.st_uid;
        info.st_gid = holder.st_gid;
        giveAway = true;
    }

    RemoveStaleTemporaries(giveAway ? info.st_uid : geteuid());
    if (!CreateTemporary()) {
        // What the user has to mend is the directory, not the file.
        if (access(directory.c_str(), W_OK | X_OK) != 0 && (errno == EACCES || errno == EPERM))
            error_ = "the directory " + directory + " is not writable";
        return false;
    }
    // The owner first: giving a file away may clear its set-id bits. Only
    // root may give it away; anyone else keeps owning the new file.
    struct stat made {};
    if (giveAway && fstat(fd_, &made) == 0 && (made.st_uid != info.st_uid || made.st_gid != info.st_gid)) {
        if (fchown(fd_, info.st_uid, info.st_gid) != 0) {
            // The old owner is out of reach; the mode is still kept.
        }
    }
    if (existed_ && fchmod(fd_, static_cast<mode_t>(keptAttributes_)) != 0) return Fail(std::strerror(errno));
    return true;
}

bool ReplacementFile::Commit(const std::function<bool()>& beforeRename) {
    if (!FinishWriting()) return false;
    if (beforeRename && !beforeRename()) return Fail("the file changed meanwhile");
    if (rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(std::strerror(errno));
    temporary_.clear();
    // The rename itself reaches the disk with its directory.
    const int dirFd = open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd != -1) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}
