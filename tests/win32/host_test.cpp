// The Windows screen saver host on real windows under Wine: the saver
// window's message table, closing on input, the password lock of the
// Windows 95 family (with a stand-in PASSWORD.CPL), the input-method
// hand-back, the preview run and the exception guard.
#include <windows.h>

#include <imm.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/gl_window.h"
#include "app/run_record.h"
#include "app/saver_host.h"
#include "windows/wgl_gl_window.h"
#include "windows/saver.h"

namespace {

// The saver window's procedure without the run its creation would start.
LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE || message == WM_CREATE) return DefWindowProcA(window, message, wParam, lParam);
    return SaverWindowProc(window, message, wParam, lParam);
}

HWND MakeWindow(const char* className, WNDPROC procedure, DWORD style, HWND parent, const char* title = "") {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);  // already registered is fine
    return CreateWindowExA(0, className, title, style, 0, 0, 200, 150, parent, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

HWND MakeStandIn(HWND parent = nullptr) {
    return MakeWindow("lumox_saver_stand_in", StandInProc, parent ? WS_CHILD : WS_POPUP, parent, "Screen Saver");
}

HWND MakePlain(DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr) {
    return MakeWindow("lumox_plain", DefWindowProcA, style, parent);
}

// Takes every message of kind message queued for window; true if any was.
bool Took(HWND window, UINT message, MSG* last = nullptr) {
    MSG taken;
    bool any = false;
    while (PeekMessageA(&taken, window, message, message, PM_REMOVE)) {
        any = true;
        if (last) *last = taken;
    }
    return any;
}

void DrainQuit() {
    MSG taken;
    while (PeekMessageA(&taken, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

class SaverHostWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSaverHostState();
        saverHostHandles = SaverHostHandles{};
        ResetRun();
    }
    void TearDown() override {
        ResetSaverHostState();
        saverHostHandles = SaverHostHandles{};
        ResetRun();
        DrainQuit();
    }
};

TEST_F(SaverHostWin32, FullScreenWindowClosesOnInput) {
    HWND window = MakeStandIn();
    ASSERT_TRUE(window);
    Took(window, WM_CLOSE);

    // The title is fixed; the task switcher and another saver are refused.
    SetWindowTextA(window, "changed");
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_NEXTWINDOW, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_PREVWINDOW, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 1);
    EXPECT_FALSE(Took(window, WM_CLOSE));

    for (UINT input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SendMessageA(window, input, 0, 0);
        EXPECT_TRUE(Took(window, WM_CLOSE)) << input;
    }
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_FALSE(Took(window, WM_CLOSE));
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(Took(window, WM_CLOSE));
    SendMessageA(window, WM_POWERBROADCAST, 0, 0);
    EXPECT_TRUE(Took(window, WM_CLOSE));
    // After the run, before the window is shown, the activation the render
    // window takes away with it does not count; once shown, a loss does.
    renderWindow.quitRequested = 1;
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(Took(window, WM_CLOSE));
    ShowWindow(window, SW_SHOWNA);
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(Took(window, WM_CLOSE));

    // Movement is measured on the screen from the saved cursor position.
    ASSERT_TRUE(SetCursorPos(100, 100));
    saverHost.savedCursorX = 100;
    saverHost.savedCursorY = 100;
    SetCursorPos(103, 101);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(Took(window, WM_CLOSE));
    SetCursorPos(104, 101);
    SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    EXPECT_TRUE(Took(window, WM_CLOSE));
    EXPECT_EQ(saverHost.savedCursorX, 104);

    // Without a password lock a close destroys the window, and its end
    // posts the quit message.
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(SaverHostWin32, OnceClosingIsAcceptedInputIsNotInterpreted) {
    HWND window = MakeStandIn();
    saverHost.closeAccepted = 1;
    renderWindow.fullScreenActive = 1;
    Took(window, WM_CLOSE);
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(Took(window, WM_CLOSE));
    // Keys no longer reach the saver's own procedures either.
    EXPECT_EQ(renderWindow.quitRequested, 0);
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    DestroyWindow(window);
}

// The control panel's side of a preview: what reached its window.
struct ParentRecord {
    UINT message = 0;
    WPARAM wParam = 0;
    DWORD helpSize = 0;
} parentGot;
LRESULT CALLBACK RecordingParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP || message == WM_CONTEXTMENU) {
        parentGot.message = message;
        parentGot.wParam = wParam;
        parentGot.helpSize = message == WM_HELP ? reinterpret_cast<HELPINFO*>(lParam)->cbSize : 0;
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Delivers what was posted to window, so that its procedure sees it.
void Deliver(HWND window) {
    MSG message;
    while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

TEST_F(SaverHostWin32, PreviewIgnoresInputAndPassesHelpToItsParent) {
    HWND parent = MakeWindow("lumox_recording_parent", RecordingParentProc, WS_OVERLAPPEDWINDOW, nullptr);
    saverHost.isPreview = 1;
    HWND window = MakeStandIn(parent);
    ASSERT_TRUE(window);
    for (UINT input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE}) {
        SetCursorPos(10, 10);
        SendMessageA(window, input, 0, 0);
        SetCursorPos(300, 300);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
    }
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(Took(window, WM_CLOSE));

    EXPECT_EQ(SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(12, 34)), 1);
    MSG posted = {};
    ASSERT_TRUE(Took(parent, WM_CONTEXTMENU, &posted));  // posted, not sent
    EXPECT_EQ(posted.wParam, reinterpret_cast<WPARAM>(parent));
    EXPECT_EQ(posted.lParam, MAKELPARAM(12, 34));

    HELPINFO help = {};
    help.cbSize = sizeof help;
    EXPECT_EQ(SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    Deliver(parent);
    EXPECT_EQ(parentGot.message, static_cast<UINT>(WM_HELP));
    EXPECT_EQ(parentGot.wParam, reinterpret_cast<WPARAM>(parent));
    EXPECT_EQ(parentGot.helpSize, sizeof help);
    DestroyWindow(parent);
}

// The Windows 95 family's lock, with the stand-in PASSWORD.CPL beside the
// test program and the registry value that asks for it.
class PasswordLock : public SaverHostWin32 {
protected:
    void SetUp() override {
        SaverHostWin32::SetUp();
        saverHost.isWindows9x = 1;
    }
    void TearDown() override {
        UnloadPasswordVerifier();
        HKEY key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "ScreenSaveUsePassword");
            RegCloseKey(key);
        }
        SaverHostWin32::TearDown();
    }
    static void UsePassword(DWORD value) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
        RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
};

TEST_F(PasswordLock, VerifierLoadsOnlyWhenAskedForOnThatFamily) {
    UsePassword(0);
    LoadPasswordVerifier();
    EXPECT_EQ(saverHostHandles.verifyPassword, nullptr);
    EXPECT_EQ(saverHost.verifierLoaded, 0);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);

    UsePassword(1);
    saverHost.isWindows9x = 0;
    LoadPasswordVerifier();
    EXPECT_EQ(saverHostHandles.verifyPassword, nullptr);
    EXPECT_EQ(saverHost.verifierLoaded, 0);

    saverHost.isWindows9x = 1;
    LoadPasswordVerifier();
    EXPECT_NE(saverHostHandles.verifyPassword, nullptr);
    EXPECT_EQ(saverHost.verifierLoaded, 1);
    EXPECT_NE(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    UnloadPasswordVerifier();
    EXPECT_EQ(saverHostHandles.verifyPassword, nullptr);
    EXPECT_EQ(saverHost.verifierLoaded, 0);
    EXPECT_EQ(saverHostHandles.passwordLibrary, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
}

TEST_F(PasswordLock, RefusedPasswordKeepsTheSaverAndThrottlesTheNextCheck) {
    UsePassword(1);
    LoadPasswordVerifier();
    HMODULE cpl = GetModuleHandleA("PASSWORD.CPL");
    ASSERT_NE(cpl, nullptr);
    auto setAnswer = reinterpret_cast<void(WINAPI*)(BOOL)>(reinterpret_cast<void*>(GetProcAddress(cpl, "SetVerifierAnswer")));
    auto calls = reinterpret_cast<int(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(cpl, "VerifierCalls")));
    ASSERT_TRUE(setAnswer && calls);
    HWND window = MakeStandIn();
    saverHost.autoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");

    setAnswer(FALSE);
    SetCursorPos(50, 60);
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(calls(), 1);
    // The request passed SaverProc on its way to the verifier.
    EXPECT_EQ(renderWindow.verifyingPassword, 1);
    EXPECT_EQ(saverHost.closeAccepted, 0);
    EXPECT_EQ(saverHost.checkingPassword, 0);
    EXPECT_EQ(saverHost.savedCursorX, 50);  // re-armed where the cursor is
    EXPECT_EQ(saverHost.savedCursorY, 60);

    // Right after a refused check the next close is refused unasked.
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(calls(), 1);
    EXPECT_TRUE(IsWindow(window));

    // The auto-play request is cancelled on the locked desktop.
    EXPECT_NE(saverHost.autoPlayMessage, 0u);
    Took(window, WM_CLOSE);
    EXPECT_EQ(SendMessageA(window, saverHost.autoPlayMessage, 0, 0), 1);
    EXPECT_TRUE(Took(window, WM_CLOSE));

    Sleep(250);
    setAnswer(TRUE);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(calls(), 2);
    EXPECT_EQ(saverHost.closeAccepted, 1);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PasswordLock, WithoutVerifierTheRequestIsAccepted) {
    HWND window = MakeStandIn();
    EXPECT_EQ(SendMessageA(window, kPasswordCheckMessage, 0, 0), 1);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(saverHost.closeAccepted, 1);
}

TEST_F(SaverHostWin32, OwnersAndPreviewHandles) {
    HWND foreground = GetForegroundWindow();
    HWND window = MakePlain();
    EXPECT_EQ(OwnerOrForeground(reinterpret_cast<NativeWindow>(window)), window);
    EXPECT_EQ(OwnerOrForeground(0), foreground);
    DestroyWindow(window);
    EXPECT_EQ(OwnerOrForeground(reinterpret_cast<NativeWindow>(window)), foreground);  // gone

    EXPECT_EQ(RunPreview(""), -1);
    EXPECT_EQ(RunPreview("0"), -1);
    EXPECT_EQ(RunPreview(std::to_string(reinterpret_cast<uintptr_t>(window)).c_str()), -1);
    // Without MPR's password change nothing happens, and the result is 0.
    EXPECT_EQ(RunChangePassword("0"), 0);
}

// The preview run of RunSaverWindow itself: the control panel's window
// (here a plain one) is discarded while the saver draws.
HWND previewParent = nullptr;
HWND previewWindowSeen = nullptr;
bool inputContextDetached = false;
void CALLBACK DiscardPreview(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    previewWindowSeen = FindWindowExA(previewParent, nullptr, kSaverWindowClass, kPreviewSaverTitle);
    inputContextDetached = previewWindowSeen && ImmGetContext(previewWindowSeen) == nullptr;
    DestroyWindow(previewParent);
}

TEST_F(SaverHostWin32, PreviewRunEndsWithItsParent) {
    UnregisterClassA(kSaverWindowClass, GetModuleHandleA(nullptr));
    saverHostHandles.saverInstance = GetModuleHandleA(nullptr);
    previewParent = MakePlain(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    RECT client;
    GetClientRect(previewParent, &client);
    SetTimer(nullptr, 0, 400, DiscardPreview);
    EXPECT_EQ(RunSaverWindow(previewParent), 0);
    ASSERT_NE(previewWindowSeen, nullptr);
    EXPECT_EQ(saverHost.isPreview, 1);
    EXPECT_EQ(saverHost.saverWindow, 0u);  // the run ended with the window
    EXPECT_EQ(renderWindow.viewportWidth, 160);
    EXPECT_EQ(renderWindow.viewportHeight, 120);
    EXPECT_FALSE(HasGLContext());
    if (saverHostHandles.imeLibrary) {
        EXPECT_TRUE(inputContextDetached);
        EXPECT_NE(saverHostHandles.savedInputContext, nullptr);
    }
    std::printf("input method library %s\n", saverHostHandles.imeLibrary ? "loaded: context detached" : "not loaded");
    UnregisterClassA(kSaverWindowClass, GetModuleHandleA(nullptr));
}

TEST_F(SaverHostWin32, SecondFullScreenInstanceOnlyBringsTheFirstForward) {
    // The first instance's window, as another process would have it.
    UnregisterClassA(kSaverWindowClass, GetModuleHandleA(nullptr));
    HWND first = MakeWindow(kSaverWindowClass, DefWindowProcA, WS_POPUP | WS_VISIBLE, nullptr, kFullScreenSaverTitle);
    ASSERT_TRUE(first);
    HWND other = MakePlain(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetForegroundWindow(other);
    EXPECT_EQ(RunSaverWindow(nullptr), 0);
    EXPECT_EQ(GetForegroundWindow(), first);
    EXPECT_EQ(saverHost.saverWindow, 0u);  // no window of its own
    DestroyWindow(other);
    DestroyWindow(first);
    UnregisterClassA(kSaverWindowClass, GetModuleHandleA(nullptr));
}

int previousFilterCalls = 0;
EXCEPTION_POINTERS* previousFilterSaw = nullptr;
LONG WINAPI RecordingFilter(EXCEPTION_POINTERS* exception) {
    ++previousFilterCalls;
    previousFilterSaw = exception;
    return EXCEPTION_EXECUTE_HANDLER;
}

TEST_F(SaverHostWin32, ExceptionGuardChainsToTheFilterBeforeIt) {
    LPTOP_LEVEL_EXCEPTION_FILTER original = SetUnhandledExceptionFilter(RecordingFilter);
    EXPECT_EQ(SaverMain(GetModuleHandleA(nullptr), "/x"), -1);
    // The guard is in place only while the mode runs.
    EXPECT_EQ(SetUnhandledExceptionFilter(original), RecordingFilter);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    CONTEXT context = {};
    EXCEPTION_POINTERS pointers = {&record, &context};
    EXPECT_EQ(SaverExceptionFilter(&pointers), EXCEPTION_EXECUTE_HANDLER);
    EXPECT_EQ(previousFilterCalls, 1);
    EXPECT_EQ(previousFilterSaw, &pointers);
}

}  // namespace
