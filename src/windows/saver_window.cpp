// The screen saver host on Windows. Implements windows/saver.h on top of the
// portable command-line reading (saver_command.h) and close rules
// (saver_host.h): this unit turns window messages into their events and
// carries out the answers. Password protection, the auto-play request and
// the screen-saver-running notice exist only on the Windows 95 family.
#include <windows.h>

#include <commctrl.h>
#include <imm.h>

#include "platform/config_dialog.h"
#include "app/saver_command.h"
#include "app/saver_host.h"
#include "windows/wgl_gl_window.h"
#include "windows/config_dialog.h"
#include "windows/saver.h"

SaverHostHandles saverHostHandles;

const char kSaverWindowClass[] = "WindowsScreenSaverClass";
const char kFullScreenSaverTitle[] = "Screen Saver";
const char kPreviewSaverTitle[] = "Preview";

namespace {

using PwdChangePasswordFunction = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);

LPTOP_LEVEL_EXCEPTION_FILTER previousExceptionFilter = nullptr;

// How long a preview waits for the control panel to take a help request.
constexpr UINT kHelpSendTimeoutMs = 2000;

HINSTANCE Instance() { return saverHostHandles.saverInstance; }

// The function found by name in library, as the type F.
template <class F>
F ProcAddress(HMODULE library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const char* NextCharacterA(const char* text) { return CharNextA(text); }

SaverMessage Classify(UINT message) {
    switch (message) {
        case WM_CLOSE: return SaverMessage::Close;
        case kPasswordCheckMessage: return SaverMessage::PasswordCheck;
        case WM_ACTIVATEAPP: return SaverMessage::ActivateApp;
        case WM_SHOWWINDOW: return SaverMessage::ShowWindow;
        case WM_SETCURSOR: return SaverMessage::SetCursor;
        case WM_POWER: return SaverMessage::Power;
        case WM_POWERBROADCAST: return SaverMessage::PowerBroadcast;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: return SaverMessage::KeyDown;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: return SaverMessage::ButtonDown;
        case WM_MOUSEMOVE: return SaverMessage::MouseMove;
        default: break;
    }
    if (saverHost.autoPlayMessage && message == saverHost.autoPlayMessage) return SaverMessage::AutoPlay;
    return SaverMessage::Other;
}

void SaveCursorPosition() {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    saverHost.savedCursorX = cursor.x;
    saverHost.savedCursorY = cursor.y;
}

}  // namespace

LONG WINAPI SaverExceptionFilter(EXCEPTION_POINTERS* exception) {
    // A crashed saver must not leave the system believing one still runs.
    SetScreenSaverRunning(FALSE);
    return previousExceptionFilter ? previousExceptionFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void SaverEntry() {
    const char* text = SkipProgramName(GetCommandLineA(), NextCharacterA);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(SaverMain(GetModuleHandleA(nullptr), text, show)));
}

int SaverMain(HINSTANCE instance, const char* text, int) {
    saverHostHandles.saverInstance = instance;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;  // 148
    saverHost.isWindows9x = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

    // gcc has no __try: the guard is a top-level exception filter for the
    // time of the dispatch, chained in front of the one already in place.
    previousExceptionFilter = SetUnhandledExceptionFilter(SaverExceptionFilter);
    const SaverCommand command = ParseSaverCommand(text, saverHost.isWindows9x != 0);
    int result = -1;
    switch (command.mode) {
        case SaverMode::ConfigDialog:
            result = RunConfigDialog(nullptr);
            break;
        case SaverMode::ConfigDialogForOwner:
            result = RunConfigDialog(OwnerOrForeground(command.owner));
            break;
        case SaverMode::FullScreen:
            result = RunSaverWindow(nullptr);
            break;
        case SaverMode::Preview:
            result = RunPreview(command.argument);
            break;
        case SaverMode::ChangePassword:
            RunChangePassword(command.argument);
            result = 0;
            break;
        case SaverMode::Refused:
            result = -1;
            break;
    }
    SetUnhandledExceptionFilter(previousExceptionFilter);
    return result;
}

HWND OwnerOrForeground(NativeWindow handle) {
    HWND window = reinterpret_cast<HWND>(handle);
    if (!window || !IsWindow(window)) window = GetForegroundWindow();
    return window;
}

int RunPreview(const char* text) {
    HWND parent = reinterpret_cast<HWND>(ParseWindowHandle(text));
    if (!parent || !IsWindow(parent)) return -1;
    return RunSaverWindow(parent);
}

int RunConfigDialog(HWND owner) {
    if (!InitDialogControls(Instance())) return 0;
    return RunConfigDialogBox(reinterpret_cast<NativeWindow>(owner));
}

int RunChangePassword(const char* text) {
    HWND owner = OwnerOrForeground(ParseWindowHandle(text));
    HMODULE library = LoadLibraryA("MPR.DLL");
    if (library) {
        auto change = ProcAddress<PwdChangePasswordFunction>(library, "PwdChangePasswordA");
        if (change) change("SCRSAVE", owner, 0, 0);
        FreeLibrary(library);
    }
    return 0;
}

bool RegisterSaverWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = instance;
    // There is no icon 100: the class has none (icon 102 is the render
    // window's).
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

int RunSaverWindow(HWND parent) {
    int x = 0, y = 0, width = 0, height = 0;
    DWORD style, exStyle = 0;
    const char* title;
    if (parent) {
        RECT client = {0, 0, 0, 0};
        GetClientRect(parent, &client);
        width = client.right;
        height = client.bottom;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        title = kPreviewSaverTitle;
        saverHost.isPreview = 1;
    } else {
        HDC screen = GetDC(nullptr);
        RECT clip = {0, 0, 0, 0};
        GetClipBox(screen, &clip);
        ReleaseDC(nullptr, screen);
        x = clip.left;
        y = clip.top;
        width = clip.right - clip.left;
        height = clip.bottom - clip.top;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;
        title = kFullScreenSaverTitle;
        HWND running = FindWindowA(kSaverWindowClass, kFullScreenSaverTitle);
        if (running && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        LoadPasswordVerifier();
    }
    saverHost.autoPlayMessage = saverHost.isWindows9x ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    MSG message = {};
    bool quitTaken = false;
    if (RegisterSaverWindowClass(Instance())) {
        // The saver's whole run takes place inside this call (WM_CREATE).
        HWND window = CreateWindowExA(exStyle, kSaverWindowClass, title, style, x, y, width, height, parent, nullptr,
                                      Instance(), nullptr);
        saverHost.saverWindow = reinterpret_cast<NativeWindow>(window);
        if (window && IsWindow(window)) {
            if (!parent) SetForegroundWindow(window);
            while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            quitTaken = message.message == WM_QUIT;
        }
    }
    UnloadPasswordVerifier();
    if (quitTaken) return static_cast<int>(message.wParam);
    // No loop ran: either the run ended with its window (a preview whose
    // window was discarded), which is a normal end, or the class or the
    // window could not be made.
    return renderWindow.quitRequested ? 0 : -1;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            // Keep the input method from showing over the saver; only if the
            // process already has it (it is never loaded for this).
            SaverHostHandles& handles = saverHostHandles;
            handles.imeLibrary = GetModuleHandleA("IMM32.DLL");
            if (handles.imeLibrary) {
                handles.associateContext = ProcAddress<ImmAssociateContextFunction>(handles.imeLibrary,
                                                                                    "ImmAssociateContext");
                if (handles.associateContext) handles.savedInputContext = handles.associateContext(window, nullptr);
            }
            SaveCursorPosition();
            if (!saverHost.isPreview) SetCursor(nullptr);
            break;
        }
        case WM_DESTROY:
            if (saverHostHandles.imeLibrary && saverHostHandles.associateContext && saverHostHandles.savedInputContext)
                saverHostHandles.associateContext(window, saverHostHandles.savedInputContext);
            PostQuitMessage(0);
            break;
        case WM_SETTEXT:
            return 0;
        case WM_PAINT:
            if (saverHost.closeAccepted) return DefWindowProcA(window, message, wParam, lParam);
            if (!saverHost.isPreview) SetCursor(nullptr);
            break;
        case WM_HELP:
        case WM_CONTEXTMENU:
            if (saverHost.isPreview) {
                // Help and context menus belong to the control panel. The
                // system refuses to post WM_HELP, whose lParam points to a
                // HELPINFO; that one is sent, so that it arrives at all.
                HWND parent = GetParent(window);
                if (parent && !PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam) &&
                    message == WM_HELP)
                    SendMessageTimeoutA(parent, message, reinterpret_cast<WPARAM>(parent), lParam, SMTO_ABORTIFHUNG,
                                        kHelpSendTimeoutMs, nullptr);
                return 1;
            }
            break;
        case WM_SYSCOMMAND:
            if (!saverHost.isPreview && (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
                return 0;
            break;
        case WM_TIMER:
            if (saverHost.closeAccepted) return 0;
            Sleep(0);
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (saverHost.closeAccepted) return DefWindowProcA(window, message, wParam, lParam);
            break;
        default:
            break;
    }
    return SaverProc(window, message, wParam, lParam);
}

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SaverMessageEvent event;
    event.kind = Classify(message);
    event.wParam = static_cast<uintptr_t>(wParam);
    // Destroying the render window at the end of the run takes the
    // activation away from the saver before its own window was ever shown;
    // that window must still wait for the user's next input.
    if (event.kind == SaverMessage::ActivateApp)
        event.runEndedUnseen = renderWindow.quitRequested && !IsWindowVisible(window);
    if (event.kind == SaverMessage::MouseMove) {
        // Measured on the screen: the saver window may sit anywhere.
        POINT cursor = {0, 0};
        GetCursorPos(&cursor);
        event.cursorX = cursor.x;
        event.cursorY = cursor.y;
    }
    const SaverReaction reaction = DecideSaverMessage(event);
    switch (reaction.step) {
        case SaverStep::VerifyThenClose:
            if (!VerifyPassword(window)) {
                SaveCursorPosition();
                return 0;
            }
            break;
        case SaverStep::AskVerifier:
            return saverHostHandles.verifyPassword ? saverHostHandles.verifyPassword(window) : 1;
        default:
            break;
    }
    if (reaction.postClose) PostMessageA(window, WM_CLOSE, 0, 0);
    if (reaction.hideCursor) SetCursor(nullptr);
    if (reaction.step == SaverStep::Return) return reaction.result;
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL VerifyPassword(HWND window) {
    switch (BeginPasswordCheck(GetTickCount())) {
        case PasswordCheck::Refuse:
            return FALSE;
        case PasswordCheck::Accept:
            return TRUE;
        case PasswordCheck::AskVerifier:
            break;
    }
    // Timer messages queued while the verifier was away would arrive in a
    // burst; drop up to two.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    const LRESULT answer = SendMessageA(window, kPasswordCheckMessage, 0, 0);
    const int accepted = FinishPasswordCheck(answer, GetTickCount());
    if (!accepted) SetCursor(nullptr);
    return accepted;
}

void LoadPasswordVerifier() {
    if (!saverHost.isWindows9x) return;
    if (saverHostHandles.passwordLibrary) UnloadPasswordVerifier();
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return;
    DWORD usePassword = 0;
    DWORD size = sizeof usePassword;
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword),
                         &size) == ERROR_SUCCESS &&
        usePassword) {
        HMODULE library = LoadLibraryA("PASSWORD.CPL");
        if (library) {
            saverHostHandles.passwordLibrary = library;
            saverHostHandles.verifyPassword = ProcAddress<VerifyScreenSavePwdFunction>(library, "VerifyScreenSavePwd");
            saverHost.verifierLoaded = saverHostHandles.verifyPassword != nullptr;
            if (saverHost.verifierLoaded)
                SetScreenSaverRunning(TRUE);
            else
                UnloadPasswordVerifier();
        }
    }
    RegCloseKey(key);
}

void UnloadPasswordVerifier() {
    if (!saverHost.isWindows9x) return;
    if (saverHostHandles.passwordLibrary) {
        FreeLibrary(saverHostHandles.passwordLibrary);
        saverHostHandles.passwordLibrary = nullptr;
    }
    if (saverHostHandles.verifyPassword) {
        saverHostHandles.verifyPassword = nullptr;
        saverHost.verifierLoaded = 0;
        SetScreenSaverRunning(FALSE);
    }
}

void SetScreenSaverRunning(BOOL running) {
    if (!saverHost.isWindows9x) return;
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, static_cast<UINT>(running), &previous, 0);
}
