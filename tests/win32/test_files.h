// Files the Windows tests are given by the build: Unix paths from the
// environment as Wine sees them, and whole files read into memory.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

// The Windows path of the file named by the environment variable name: a
// Unix path becomes one on Wine's drive Z:.
inline std::string PathFromEnvironment(const char* name) {
    const char* path = std::getenv(name);
    std::string result = path ? path : "";
    if (!result.empty() && result[0] == '/') {
        result = "Z:" + result;
        for (char& c : result)
            if (c == '/') c = '\\';
    }
    return result;
}

// lumox.scr of this build.
inline std::string ScrPath() { return PathFromEnvironment("LUMOX_SCR"); }

inline bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.assign(GetFileSize(file, nullptr), 0);
    DWORD got = 0;
    BOOL ok = bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    return ok && got == bytes.size();
}
