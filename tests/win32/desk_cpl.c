/* A stand-in for the display control panel's desk.cpl, which Wine lacks:
 * InstallScreenSaver, as rundll32 runs it, writes the command line it was
 * given into the file named by LUMOX_DESK_CPL_LOG. */
#include <windows.h>

__declspec(dllexport) void CALLBACK InstallScreenSaver(HWND window, HINSTANCE instance, LPSTR commandLine, int show) {
    (void)window;
    (void)instance;
    (void)show;
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LUMOX_DESK_CPL_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, commandLine, lstrlenA(commandLine), &written, NULL);
    CloseHandle(file);
}
