// --add-to-xscreensaver on Linux: reads ~/.xscreensaver, adds Lumox's entry
// with xscreensaver_programs.h and puts the new text in place with
// ReplacementFile (file_io.h), as the settings file is saved: in one step,
// so that XScreenSaver, which reads the file whenever it changes, never
// sees half of it; keeping its owner, group and permissions; refusing a
// read-only file and links planted in shared directories. A change another
// program makes to the file meanwhile is not lost: the file must still be
// the one that was read just before the new one takes its place, or the
// work starts again, once. Relies on: fstat's identity of a file (device,
// inode, size, change and modification times).
#include "platform/xscreensaver_file.h"

#include "platform/file_io.h"
#include "app/xscreensaver_programs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// No settings file of XScreenSaver's comes near this.
constexpr int64_t kMaxFileSize = 16 * 1024 * 1024;

// The file as it was read: its bytes and what tells a file changed since.
struct Snapshot {
    bool exists = false;
    std::string text;
    struct stat identity {};
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

enum class ReadResult { Read, Missing, NotRegular, Failed };

// Reads the whole regular file at path, without waiting on a FIFO; errno
// says why on Failed.
ReadResult ReadFile(const std::string& path, Snapshot& file) {
    file = Snapshot{};
    int fd = -1;
    int64_t length = 0;
    errno = 0;
    switch (OpenRegularFile(path.c_str(), fd, length)) {
        case FileOpenResult::Opened: break;
        case FileOpenResult::NotRegular: return ReadResult::NotRegular;
        case FileOpenResult::CannotOpen: return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    bool ok = fstat(fd, &file.identity) == 0;
    // To its end, whatever length it had when it was opened: a change
    // meanwhile shows when the file is looked at again.
    unsigned char chunk[65536];
    while (ok) {
        const size_t got = ReadFully(fd, chunk, sizeof chunk);
        file.text.append(reinterpret_cast<const char*>(chunk), got);
        if (static_cast<int64_t>(file.text.size()) > kMaxFileSize) {
            errno = EFBIG;
            ok = false;
        }
        if (got < sizeof chunk) break;
    }
    const int error = errno;
    CloseFile(fd);
    errno = error;
    file.exists = ok;
    return ok ? ReadResult::Read : ReadResult::Failed;
}

// Whether target holds what was read (or, for a file that was not there,
// still nothing).
bool Unchanged(const std::string& target, const Snapshot& read) {
    struct stat now {};
    if (!read.exists) return lstat(target.c_str(), &now) != 0 && errno == ENOENT;
    Snapshot again;
    return ReadFile(target, again) == ReadResult::Read && SameFile(again.identity, read.identity) &&
           again.text == read.text;
}

void Say(const std::string& path, const std::string& what) {
    std::fprintf(stderr, "lumox: %s %s; nothing changed\n", path.c_str(), what.c_str());
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

enum class Attempt { Done, Failed, Changed };

// One read, edit and replacement; Changed when another program changed the
// file between the read and the replacement.
Attempt AddOnce(const std::string& path, const std::function<void()>& meanwhile, int& code) {
    code = 1;
    Snapshot read;
    switch (ReadFile(path, read)) {
        case ReadResult::Read:
        case ReadResult::Missing: break;
        case ReadResult::NotRegular: Say(path, "is not a regular file"); return Attempt::Failed;
        case ReadResult::Failed: Say("cannot read " + path + ":", std::strerror(errno)); return Attempt::Failed;
    }
    std::string result;
    if (read.exists) {
        switch (FindLumoxInPrograms(read.text)) {
            case ProgramsListing::Listed:
                std::printf("The programs list of %s already runs Lumox; nothing changed.\n", path.c_str());
                code = 0;
                return Attempt::Done;
            case ProgramsListing::SwitchedOff:
                std::printf("The programs list of %s has Lumox, switched off; nothing changed. Switch it on in "
                            "xscreensaver-settings.\n",
                            path.c_str());
                code = 0;
                return Attempt::Done;
            case ProgramsListing::Absent: break;
        }
        const std::string unread = UnreadProgramsList(read.text);
        if (!unread.empty()) {
            Say(path + ":", unread + ", is not what XScreenSaver reads as its programs list (that is \"programs:\", "
                                     "with nothing between the name and the colon); mend that line");
            return Attempt::Failed;
        }
        if (!AddLumoxToPrograms(read.text, result)) {
            Say(path + ":", "its last line, without a newline, ends in a backslash that XScreenSaver reads "
                            "differently once a line follows; end the file with a newline");
            return Attempt::Failed;
        }
    } else {
        result = NewXScreenSaverFile();
    }

    ReplacementFile file;
    file.GiveNewFileToDirectoryOwner();
    bool changed = false;
    const bool written = file.Begin(path.c_str()) && file.Write(result.data(), result.size()) &&
                         file.Commit([&] {
                             if (meanwhile) meanwhile();
                             changed = !Unchanged(file.target(), read);
                             return !changed;
                         });
    if (changed) return Attempt::Changed;
    if (!written) {
        Say("cannot write " + path + ":", file.error());
        return Attempt::Failed;
    }
    std::printf("%s \"%s\" to the programs list of %s. Choose Lumox in xscreensaver-settings.\n",
                read.exists ? "Added" : "Created the file with", kLumoxProgramsEntry, path.c_str());
    code = 0;
    return Attempt::Done;
}

}  // namespace

int AddLumoxToXScreenSaverFile(const std::string& path, const std::function<void()>& meanwhile) {
    int code = 1;
    for (int attempt = 0; attempt < 2; ++attempt)
        if (AddOnce(path, meanwhile, code) != Attempt::Changed) return code;
    std::fprintf(stderr,
                 "lumox: %s was changed by another program while Lumox added its entry, twice; nothing changed "
                 "(close xscreensaver-settings and try again)\n",
                 path.c_str());
    return 1;
}

int AddLumoxToXScreenSaver() {
    const std::string home = HomeDirectory();
    if (home.empty()) {
        std::fprintf(stderr, "lumox: no home directory (HOME is not set); nothing changed\n");
        return 1;
    }
    return AddLumoxToXScreenSaverFile(home + "/.xscreensaver");
}
