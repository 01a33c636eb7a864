// Opening and replacing files on Windows. Implements the platform half of
// file_io.h; relies on the C runtime's descriptor calls, _commit, and
// MoveFileExA, which puts the new image in place in one step.
#include "platform/file_io.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

namespace {

// The system's words for a Win32 error code, without the closing period.
std::string WindowsErrorText(DWORD code) {
    char text[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    if (n == 0) return "error " + std::to_string(code);
    return std::string(text, n);
}

// Attributes a replaced file hands on to its replacement.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

FileOpenResult OpenRegularFile(const char* path, int& fd, int64_t& length) {
    fd = -1;
    length = 0;
    const int opened = _open(path, _O_RDONLY | _O_BINARY);
    if (opened == -1) return FileOpenResult::CannotOpen;
    struct _stat64 info {};
    if (_fstat64(opened, &info) != 0) {
        _close(opened);
        return FileOpenResult::CannotOpen;
    }
    // A device name (CON, NUL, COM1) opens like a file; it is not one.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(opened));
    if ((info.st_mode & _S_IFMT) != _S_IFREG || GetFileType(handle) != FILE_TYPE_DISK) {
        _close(opened);
        return FileOpenResult::NotRegular;
    }
    fd = opened;
    length = static_cast<int64_t>(info.st_size);
    return FileOpenResult::Opened;
}

bool SeekFile(int fd, int64_t offset) { return _lseeki64(fd, offset, SEEK_SET) == offset; }

void CloseFile(int fd) {
    if (fd != -1) _close(fd);
}

int ReplacementFile::CreateNewFile(const char* path) {
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

unsigned long ReplacementFile::ProcessId() { return static_cast<unsigned long>(_getpid()); }

int ReplacementFile::FlushToDisk(int fd) { return _commit(fd); }

bool ResolveWritablePath(const char* path, std::string& target, std::string&, bool* kernelLink) {
    if (kernelLink) *kernelLink = false;
    target = path;
    return true;
}

bool ReplacementFile::Begin(const char* path) {
    Start(path);

    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
            return Fail("not a regular file");
        // Replacing would take away what the read-only mark protects.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return Fail("the file is read-only");
        existed_ = true;
        oldLength_ = static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        keptAttributes_ = data.dwFileAttributes & kKeptAttributes;
    } else {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) return Fail(WindowsErrorText(code));
    }

    return CreateTemporary();
}

bool ListFolderFiles(const char*, size_t, std::vector<std::string>& names) {
    names.clear();
    return false;
}

bool ReplacementFile::Commit(const std::function<bool()>& beforeRename) {
    if (!FinishWriting()) return false;
    if (beforeRename && !beforeRename()) return Fail("the file changed meanwhile");
    if (keptAttributes_ && !SetFileAttributesA(temporary_.c_str(), keptAttributes_)) return Fail(WindowsErrorText(GetLastError()));
    if (!MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Fail(WindowsErrorText(GetLastError()));
    }
    temporary_.clear();
    return true;
}
