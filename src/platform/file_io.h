// Reading and replacing the saver's own files (the settings file, the still
// picture, a snapshot) so that a special file never blocks a start-up and a
// failed write never leaves a file cut short.
//
// file_io.cpp holds what is portable; opening and replacing are one unit per
// platform (posix_file_io.cpp, windows/file_io.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class FileOpenResult { Opened, CannotOpen, NotRegular };

// Opens path read-only without waiting on it (a FIFO or a device would make
// a plain open wait), and keeps it only if it is a regular file. On Opened,
// fd holds the descriptor and length the file's size; otherwise fd is -1.
FileOpenResult OpenRegularFile(const char* path, int& fd, int64_t& length);

// The names of the regular files in the folder at path (a symbolic link
// counts as what it names), without opening any of them: subdirectories,
// FIFOs, devices, sockets and hidden files (".name") are left out. At most
// maxEntries entries of the folder are looked at, so that a folder of a
// hundred thousand files holds nothing up; the names come in the folder's
// own order. false when path is no folder that can be read (on Windows,
// whose saver takes no folder, always).
bool ListFolderFiles(const char* path, size_t maxEntries, std::vector<std::string>& names);

// Moves the read position of a file OpenRegularFile opened to offset bytes
// from its start; false when it cannot.
bool SeekFile(int fd, int64_t offset);

// Closes a file OpenRegularFile opened; -1 closes nothing.
void CloseFile(int fd);

// Reads up to count bytes, retrying short reads: the result is what the
// file really gave up to its end or an error.
size_t ReadFully(int fd, unsigned char* out, size_t count);

// Writes all count bytes; false on an error or a write that makes no progress.
bool WriteFully(int fd, const void* bytes, size_t count);

// Where a write to path lands: target is path with every symbolic link on
// the way resolved, one hop at a time. A link is followed only where the
// kernel's rule for protected links (fs.protected_symlinks) would follow
// it, whatever the system's own setting: in a sticky directory that anyone
// may write in, only a link of this user's or of the directory's owner.
// false with why naming the link otherwise. A descriptor's link in /proc
// that names no path (a pipe, a socket) is left for the kernel: target is
// that link, and kernelLink, where given, says so. (Windows: target is
// path.)
bool ResolveWritablePath(const char* path, std::string& target, std::string& why, bool* kernelLink = nullptr);

// A new image of a file, written beside it and put in its place in one step.
// Until Commit succeeds the file at the path stays byte for byte as it was,
// and a replacement that fails or is never committed leaves no temporary
// file behind.
//
// A path that exists and is not a regular file (a directory, a FIFO, a
// device) is refused, and so is a read-only file. A symbolic link is
// followed where ResolveWritablePath follows it: the file it names is
// replaced and the link stays. The new file gets the permissions (and on
// POSIX, where it may, the owner) of the one it replaces; a file that did
// not exist gets those of any new file.
//
// The temporary file is TARGET.new-PID-N. On POSIX, Begin removes such
// files of processes that no longer run (a run killed while it wrote),
// and nothing else.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // A file that did not exist is given to the owner of its directory,
    // as a file in a user's home made there by root should be (POSIX, when
    // run as root). Before Begin.
    void GiveNewFileToDirectoryOwner() { newFileToDirectoryOwner_ = true; }

    // Starts the replacement of path: the temporary file is created.
    bool Begin(const char* path);
    bool Write(const void* bytes, size_t count);
    // Flushes the new image to the disk and renames it over the old file.
    // beforeRename, where given, runs just before the rename; when it
    // returns false the old file stays and nothing is renamed.
    bool Commit(const std::function<bool()>& beforeRename = nullptr);

    // The file being replaced (the target of a link), after Begin.
    const std::string& target() const { return target_; }
    // Whether it existed, and its length then.
    bool existed() const { return existed_; }
    int64_t oldLength() const { return oldLength_; }
    // Why the last step failed, in a few words ("No space left on device").
    const std::string& error() const { return error_; }

private:
    // Forgets any earlier replacement and aims at path.
    void Start(const char* path);
    // Creates the temporary file beside target_.
    bool CreateTemporary();
    // Puts what was written on the disk and closes the temporary file.
    bool FinishWriting();
    void Abandon();
    bool Fail(const std::string& why);

    // Whether name is a temporary of base's (base.new-PID-N), and whose.
    static bool IsTemporaryOf(const std::string& name, const std::string& base, unsigned long& pid);
    // Removes the temporaries beside target_ that runs which no longer run
    // left behind (POSIX). oldOwner: the user the file being replaced
    // belongs to, whose temporaries root's runs made.
    void RemoveStaleTemporaries(unsigned long oldOwner);

    // The platform's part: a file created anew (never opened if it exists),
    // with the permissions of any new file; -1 with errno on failure.
    static int CreateNewFile(const char* path);
    static unsigned long ProcessId();
    // 0 once the file's data is on the disk.
    static int FlushToDisk(int fd);

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool existed_ = false;
    int64_t oldLength_ = 0;
    // What the new file takes over from the old one: POSIX permission bits,
    // or Windows attributes.
    unsigned long keptAttributes_ = 0;
    bool newFileToDirectoryOwner_ = false;
    std::string error_;
};
