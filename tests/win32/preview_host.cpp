// Plays the display control panel for lumox.scr under Wine: makes a window
// with a preview area, starts the saver with the area's handle on its
// command line and watches what the saver does with it.
//
// usage: preview_host.exe LUMOX.SCR preview
//          the full preview check: the saver's child window fills the area,
//          ignores input, hands WM_HELP and WM_CONTEXTMENU to the area, and
//          ends when the control panel's window is destroyed
//        preview_host.exe LUMOX.SCR run ARGUMENTS
//          starts the saver with ARGUMENTS, "%u" replaced by the area's
//          handle, and reports its exit code
// Prints what it saw; exit code 0 when every check held.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kAreaWidth = 152;
const int kAreaHeight = 112;

struct Received {
    bool help = false;
    WPARAM helpWParam = 0;
    DWORD helpSize = 0;
    bool contextMenu = false;
    WPARAM contextWParam = 0;
    LPARAM contextLParam = 0;
} received;

LRESULT CALLBACK AreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP) {
        received.help = true;
        received.helpWParam = wParam;
        received.helpSize = lParam ? reinterpret_cast<HELPINFO*>(lParam)->cbSize : 0;
        return 1;
    }
    if (message == WM_CONTEXTMENU) {
        received.contextMenu = true;
        received.contextWParam = wParam;
        received.contextLParam = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Handles this program's messages for milliseconds.
void Pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

bool Start(const std::string& commandLine, PROCESS_INFORMATION& process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
}

// Waits (handling messages) for the process to end; its exit code, or
// "still running".
bool WaitForExit(PROCESS_INFORMATION& process, DWORD milliseconds, int& exitCode) {
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > milliseconds) return false;
        Pump(20);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    exitCode = static_cast<int>(code);
    return true;
}

int failures = 0;
void Check(bool held, const char* what) {
    std::printf("%s: %s\n", held ? "ok" : "FAILED", what);
    if (!held) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: preview_host.exe LUMOX.SCR preview | run ARGUMENTS\n");
        return 2;
    }
    const std::string scr = argv[1];
    const std::string mode = argv[2];

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "lumox_display_properties";
    RegisterClassA(&windowClass);
    windowClass.lpfnWndProc = AreaProc;
    windowClass.lpszClassName = "lumox_preview_area";
    RegisterClassA(&windowClass);
    HWND panel = CreateWindowExA(0, "lumox_display_properties", "Display Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 50, 50, 400, 300, nullptr, nullptr, instance, nullptr);
    HWND area = CreateWindowExA(0, "lumox_preview_area", "", WS_CHILD | WS_VISIBLE, 20, 20, kAreaWidth, kAreaHeight,
                                panel, nullptr, instance, nullptr);
    if (!panel || !area) {
        std::printf("FAILED: cannot make the control panel's windows\n");
        return 1;
    }
    const unsigned areaHandle = static_cast<unsigned>(reinterpret_cast<uintptr_t>(area));
    std::printf("area 0x%x\n", areaHandle);
    std::fflush(stdout);
    Pump(200);

    PROCESS_INFORMATION process = {};
    int exitCode = 0;
    if (mode == "run") {
        std::string arguments = argc > 3 ? argv[3] : "";
        const size_t at = arguments.find("%u");
        if (at != std::string::npos) arguments.replace(at, 2, std::to_string(areaHandle));
        if (!Start("\"" + scr + "\" " + arguments, process)) {
            std::printf("FAILED: cannot start %s\n", scr.c_str());
            return 1;
        }
        const bool ended = WaitForExit(process, 30000, exitCode);
        Check(ended, "the saver ended by itself");
        if (ended) std::printf("exit code %d\n", exitCode);
        return failures ? 1 : 0;
    }

    if (!Start("\"" + scr + "\" /p " + std::to_string(areaHandle), process)) {
        std::printf("FAILED: cannot start %s\n", scr.c_str());
        return 1;
    }
    HWND saver = nullptr;
    for (int i = 0; i < 600 && !saver; ++i) {
        Pump(50);
        saver = FindWindowExA(area, nullptr, "WindowsScreenSaverClass", "Preview");
    }
    Check(saver != nullptr, "the saver made its window \"Preview\" of class WindowsScreenSaverClass in the area");
    if (!saver) {
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    std::printf("preview window 0x%x\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(saver)));
    // Shown once the saver has put its context on it.
    Pump(1000);
    const LONG style = GetWindowLongA(saver, GWL_STYLE);
    std::printf("preview window style 0x%lx\n", static_cast<unsigned long>(style));
    Check((style & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN)) == (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN),
          "child, visible, clipping its children");
    RECT client = {};
    GetClientRect(saver, &client);
    Check(client.right == kAreaWidth && client.bottom == kAreaHeight, "the window fills the area's client rectangle");
    std::printf("preview window size %ldx%ld\n", client.right, client.bottom);

    // Input that would end a full-screen saver.
    SetCursorPos(10, 10);
    for (UINT input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
        PostMessageA(saver, input, input == WM_KEYDOWN ? VK_ESCAPE : 0, 0);
    SetCursorPos(300, 250);
    PostMessageA(saver, WM_MOUSEMOVE, 0, MAKELPARAM(100, 80));
    PostMessageA(saver, WM_ACTIVATEAPP, FALSE, 0);
    Pump(1000);
    Check(IsWindow(saver) && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT,
          "keys, clicks, mouse movement and lost activation leave the preview running");

    PostMessageA(saver, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(saver), MAKELPARAM(5, 6));
    HELPINFO help = {};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.hItemHandle = saver;
    SendMessageTimeoutA(saver, WM_HELP, 0, reinterpret_cast<LPARAM>(&help), SMTO_NORMAL, 5000, nullptr);
    Pump(1000);
    Check(received.contextMenu && received.contextWParam == reinterpret_cast<WPARAM>(area) &&
              received.contextLParam == MAKELPARAM(5, 6),
          "WM_CONTEXTMENU reached the area with the area as wParam");
    Check(received.help && received.helpWParam == reinterpret_cast<WPARAM>(area) && received.helpSize == sizeof help,
          "WM_HELP reached the area with the area as wParam and its HELPINFO");

    // The control panel discards its window: the saver must end.
    DestroyWindow(panel);
    const bool ended = WaitForExit(process, 20000, exitCode);
    Check(ended, "the saver ended once the control panel's window was destroyed");
    if (ended) {
        std::printf("exit code %d\n", exitCode);
        Check(exitCode == 0, "the preview's exit code is 0");
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    return failures ? 1 : 0;
}
