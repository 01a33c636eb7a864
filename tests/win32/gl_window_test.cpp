#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/gl.h"
#include "app/run_record.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "windows/wgl_gl_window.h"
#include "windows/saver.h"
#include "render/screen_copy.h"
#include "video/texture_upload.h"

namespace {

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool ClassRegistered(const char* name) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), name, &info) != 0;
}

bool QuitMessagePending() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

DEVMODEA CurrentMode() {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return mode;
}

// A plain top-level window to stand in for the host's windows.
HWND MakeHostWindow(DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "lumox_test_host";
        RegisterClassA(&windowClass);
        registered = true;
    }
    return CreateWindowExA(0, "lumox_test_host", "host", style, 0, 0, 400, 300, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

class Win32GLWindow : public ::testing::Test {
protected:
    void SetUp() override { ResetRun(); }
    void TearDown() override {
        DestroyGLWindow();
        while (QuitMessagePending()) {
        }
    }
};

TEST_F(Win32GLWindow, WindowedRunIsACaptionedWindowOfTheRequestedClientSize) {
    ASSERT_EQ(CreateGLWindow(0, 320, 240, 32, 0), 1);
    HWND window = reinterpret_cast<HWND>(renderWindow.glWindow);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(ClassOf(window), "f_lumox");
    // The class carries the module's icon 102 (this test program holds
    // lumox.scr's resources).
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON));
    EXPECT_TRUE(icon);
    EXPECT_EQ(icon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(102)));
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Lumox");
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP));
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_WINDOWEDGE);
    EXPECT_TRUE(IsWindowVisible(window));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    EXPECT_EQ(renderWindow.viewportWidth, 320);
    EXPECT_EQ(renderWindow.fullScreenActive, 0);
    EXPECT_NE(glGetString(GL_RENDERER), nullptr);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);

    DestroyGLWindow();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(ClassRegistered("f_lumox"));
    EXPECT_FALSE(HasGLContext());
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Win32GLWindow, MessageTable) {
    ASSERT_EQ(CreateGLWindow(0, 200, 150, 32, 0), 1);
    HWND window = reinterpret_cast<HWND>(renderWindow.glWindow);

    EXPECT_EQ(SendMessageA(window, WM_SIZE, 0, MAKELPARAM(100, 50)), 0);
    EXPECT_EQ(renderWindow.viewportWidth, 100);
    EXPECT_EQ(renderWindow.viewportHeight, 50);

    // Windowed: neither Escape nor any mouse movement ends the run.
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 10; ++i) SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(i * 3, i));
    EXPECT_EQ(renderWindow.quitRequested, 0);
    EXPECT_EQ(renderWindow.mouseMoveCount, 10);
    // Coordinates are signed 16-bit halves.
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(-4, -9));
    EXPECT_EQ(renderWindow.lastMouseX, -4);
    EXPECT_EQ(renderWindow.lastMouseY, -9);

    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);

    SendMessageA(window, kPasswordCheckMessage, 0, 0);
    EXPECT_EQ(renderWindow.verifyingPassword, 1);

    // Close asks the main loop to end; the window itself stays.
    EXPECT_FALSE(QuitMessagePending());
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(QuitMessagePending());
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(Win32GLWindow, FullScreenFollowsTheModeChangeAndRestoresIt) {
    const DEVMODEA before = CurrentMode();
    ASSERT_EQ(CreateGLWindow(0, 640, 480, 32, 1), 1);
    HWND window = reinterpret_cast<HWND>(renderWindow.glWindow);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    const DEVMODEA during = CurrentMode();
    if (renderWindow.fullScreenActive) {
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_CAPTION);
        EXPECT_EQ(during.dmPelsWidth, 640u);
        EXPECT_EQ(during.dmPelsHeight, 480u);
        // Escape ends a full-screen run.
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        EXPECT_EQ(renderWindow.quitRequested, 0);
        SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(renderWindow.quitRequested, 1);
    } else {
        // The silent fall-back: a captioned window, nothing reported.
        EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
        SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(renderWindow.quitRequested, 0);
    }
    const char* expect = std::getenv("LUMOX_EXPECT_FULLSCREEN");
    if (expect) {
        EXPECT_EQ(renderWindow.fullScreenActive, std::atoi(expect));
    }
    std::printf("full screen: %d, mode during the run %lux%lu, before %lux%lu\n", renderWindow.fullScreenActive,
                during.dmPelsWidth, during.dmPelsHeight, before.dmPelsWidth, before.dmPelsHeight);

    DestroyGLWindow();
    const DEVMODEA after = CurrentMode();
    EXPECT_EQ(after.dmPelsWidth, before.dmPelsWidth);
    EXPECT_EQ(after.dmPelsHeight, before.dmPelsHeight);
    std::printf("mode after the run %lux%lu\n", after.dmPelsWidth, after.dmPelsHeight);
}

TEST(DisplayMode, AsksForSizeAndDepthInTheShortRecord) {
    DEVMODEA mode;
    std::memset(&mode, 0xA5, sizeof mode);
    FillDisplayMode(mode, 800, 600, 16);
    EXPECT_EQ(mode.dmSize, 148);
    EXPECT_EQ(mode.dmPelsWidth, 800u);
    EXPECT_EQ(mode.dmPelsHeight, 600u);
    EXPECT_EQ(mode.dmBitsPerPel, 16u);
    EXPECT_EQ(mode.dmFields, static_cast<DWORD>(DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT));
    // Every other byte is zero, the panning fields past the 148 included.
    mode.dmSize = 0;
    mode.dmPelsWidth = mode.dmPelsHeight = mode.dmBitsPerPel = mode.dmFields = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&mode);
    for (size_t i = 0; i < sizeof mode; ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

TEST_F(Win32GLWindow, PreviewPutsTheContextOnTheGivenWindow) {
    HWND host = MakeHostWindow();
    HWND saver = MakeHostWindow(WS_CHILD | WS_VISIBLE, host);
    ASSERT_TRUE(saver);
    ASSERT_EQ(CreateGLWindow(reinterpret_cast<NativeWindow>(saver), 160, 120, 32, 0), 1);
    EXPECT_EQ(renderWindow.glWindow, reinterpret_cast<NativeWindow>(saver));
    EXPECT_EQ(renderWindow.viewportWidth, 160);
    EXPECT_EQ(renderWindow.viewportHeight, 120);
    EXPECT_FALSE(ClassRegistered("f_lumox"));
    EXPECT_NE(wglGetCurrentContext(), nullptr);
    DestroyGLWindow();
    EXPECT_FALSE(IsWindow(saver));  // the given window goes with the run
    DestroyWindow(host);
}

TEST_F(Win32GLWindow, ShowErrorWithoutWindowReturnsAtOnce) {
    // A message box would wait for a user and hang the test.
    ShowError("Image load failed.");
    SUCCEED();
}

TEST(SaverProcRouting, PasswordRequestAndActivation) {
    ResetRun();
    HWND window = MakeHostWindow();
    SaverProc(window, kPasswordCheckMessage, 0, 0);
    EXPECT_EQ(renderWindow.verifyingPassword, 1);
    SaverProc(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(renderWindow.verifyingPassword, 0);
    SaverProc(window, kPasswordCheckMessage, 0, 0);
    SaverProc(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(renderWindow.verifyingPassword, 0);
    // Everything else passes through GLWindowProc.
    renderWindow.fullScreenActive = 1;
    SaverProc(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(renderWindow.quitRequested, 1);
    DestroyWindow(window);
    ResetRun();
}

// The preview run from start to end: the saver window's creation runs the
// main loop; destroying the window (as the control panel does) ends it.
HWND previewSaverWindow = nullptr;
int viewportSeen[2] = {0, 0};
void CALLBACK EndPreview(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    viewportSeen[0] = renderWindow.viewportWidth;
    viewportSeen[1] = renderWindow.viewportHeight;
    previewSaverWindow = reinterpret_cast<HWND>(renderWindow.glWindow);
    DestroyWindow(previewSaverWindow);
}

TEST(SaverRun, PreviewRunsUntilItsWindowIsDestroyed) {
    // A fresh process's texture names: earlier tests made textures too.
    ResetRun();
    ASSERT_TRUE(RegisterSaverWindowClass(GetModuleHandleA(nullptr)));
    HWND host = MakeHostWindow();
    SetTimer(nullptr, 0, 300, EndPreview);
    CreateWindowExA(0, kSaverWindowClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 160, 120, host, nullptr,
                    GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(renderWindow.quitRequested, 1);
    EXPECT_EQ(viewportSeen[0], 160);
    EXPECT_EQ(viewportSeen[1], 120);
    EXPECT_NE(previewSaverWindow, nullptr);
    EXPECT_FALSE(HasGLContext());
    EXPECT_EQ(saverSettings.pulseObjectCount, 50);  // defaults, no settings file
    EXPECT_EQ(pictureTexture, 1);  // C:\windows\lumox.bmp, the run's first texture
    char path[2048];
    BuildSettingsPath(path, sizeof path, kSettingsFileName);
    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
    DestroyWindow(host);
}

}  // namespace
