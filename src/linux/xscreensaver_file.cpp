// --add-to-xscreensaver on Linux: reads ~/.xscreensaver, adds Lumox's entry
// with xscreensaver_programs.h and puts the new text in place atomically (a
// temporary file beside it, renamed over it), so that XScreenSaver, which
// reads the file whenever it changes, never sees half of it. A link stays a
// link: the file it leads to is the one replaced. Relies on: rename(2)
// replacing a file in one step within a directory.
#include "platform/xscreensaver_file.h"

#include "app/xscreensaver_programs.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// No settings file of XScreenSaver's comes near this.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

int Fail(const std::string& path, const char* what) {
    std::fprintf(stderr, "lumox: %s %s: %s; nothing changed\n", what, path.c_str(), std::strerror(errno));
    return 1;
}

// The whole of a regular file; false with errno set otherwise (EINVAL: not
// a regular file). Never blocks on a pipe or opens a device for long.
bool ReadRegularFile(const std::string& path, std::string& text) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = EINVAL;
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > static_cast<size_t>(kMaxFileSize)) {
            close(fd);
            errno = EFBIG;
            return false;
        }
    }
    close(fd);
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Puts text at path in one step, with the given permissions.
bool ReplaceAtomically(const std::string& path, const std::string& text, mode_t mode) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string temp = dir + "/.xscreensaver-lumox-XXXXXX";
    const int fd = mkstemp(&temp[0]);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    const int error = errno;
    if (close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0) {
        const int reported = written ? errno : error;
        unlink(temp.c_str());
        errno = reported;
        return false;
    }
    // The rename itself is to survive a crash too.
    const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

}  // namespace

int AddLumoxToXScreenSaverFile(const std::string& path) {
    std::string target = path;
    struct stat info {};
    bool exists = false;
    if (lstat(path.c_str(), &info) == 0) {
        exists = true;
        if (S_ISLNK(info.st_mode)) {
            char* resolved = realpath(path.c_str(), nullptr);
            if (!resolved) return Fail(path, "cannot follow the link");
            target = resolved;
            std::free(resolved);
        }
    } else if (errno != ENOENT) {
        return Fail(path, "cannot look at");
    }

    std::string text;
    mode_t mode = NewFileMode();
    if (exists) {
        if (!ReadRegularFile(target, text)) {
            if (errno == EINVAL) {
                std::fprintf(stderr, "lumox: %s is not a regular file; nothing changed\n", path.c_str());
                return 1;
            }
            return Fail(path, "cannot read");
        }
        if (stat(target.c_str(), &info) == 0) mode = info.st_mode & 07777;
        switch (FindLumoxInPrograms(text)) {
            case ProgramsListing::Listed:
                std::printf("The programs list of %s already runs Lumox; nothing changed.\n", path.c_str());
                return 0;
            case ProgramsListing::SwitchedOff:
                std::printf("The programs list of %s has Lumox, switched off; nothing changed. Switch it on in "
                            "xscreensaver-settings.\n",
                            path.c_str());
                return 0;
            case ProgramsListing::Absent:
                break;
        }
    }
    const std::string result = exists ? AddLumoxToPrograms(text) : NewXScreenSaverFile();
    if (!ReplaceAtomically(target, result, mode)) return Fail(path, "cannot write");
    std::printf("%s \"%s\" to the programs list of %s. Choose Lumox in xscreensaver-settings.\n",
                exists ? "Added" : "Created the file with", kLumoxProgramsEntry, path.c_str());
    return 0;
}

int AddLumoxToXScreenSaver() {
    const std::string home = HomeDirectory();
    if (home.empty()) {
        std::fprintf(stderr, "lumox: no home directory (HOME is not set); nothing changed\n");
        return 1;
    }
    return AddLumoxToXScreenSaverFile(home + "/.xscreensaver");
}
