// lumox.scr /c under Wine, driven from another process the way a user's
// clicks would: the dialog's controls are set with their own messages and
// the buttons pressed with BM_CLICK; the settings file in the Windows
// directory is then compared byte for byte. The dialog resource itself is
// read out of lumox.scr and checked against its template and against the
// settings table, which the hand-written lumox.rc must follow.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/config_controls.h"
#include "settings/setting_table.h"
#include "settings/settings.h"
#include "test_files.h"

namespace {

struct Control {
    int id;
    const char* windowClass;  // as GetClassNameA reports it
    WORD classAtom;           // 0: a class given by name in the template
    const char* text;
    DWORD style;  // beside WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
};

const DWORD kTrackbar = WS_TABSTOP | TBS_BOTH | TBS_NOTICKS;
const DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
// Template order, which is also the tab order.
const Control kControls[18] = {
    {1000, "Button", 0x80, "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 206, 7, 50, 14},
    {2, "Button", 0x80, "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 206, 24, 50, 14},
    {1001, "msctls_trackbar32", 0, "Slider1", kTrackbar, 68, 15, 126, 16},
    {-1, "Static", 0x82, "Outward speed:", WS_GROUP | SS_RIGHT, 7, 18, 57, 11},
    {1007, "Button", 0x80, "&Extra saturation on tunnel pass", kCheck, 13, 36, 135, 8},
    {1008, "Button", 0x80, "&Fluctuate tunnel speed", kCheck, 13, 48, 129, 8},
    {1009, "Button", 0x80, "&Radial blur processing on The Thing (complete fillrate killer!)", kCheck, 13, 59, 226, 8},
    {1014, "ComboBox", 0x85, "", WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_NOINTEGRALHEIGHT, 53, 104, 167, 23},
    {-1, "Static", 0x82, "Resolution:", WS_GROUP | SS_LEFT, 14, 106, 36, 8},
    {1015, "Button", 0x80, "&Limit framerate", kCheck, 13, 70, 77, 8},
    {1002, "msctls_trackbar32", 0, "Slider1", kTrackbar, 67, 119, 175, 16},
    {-1, "Static", 0x82, "Pulse rate:", WS_GROUP | SS_RIGHT, 7, 122, 57, 11},
    {1016, "Button", 0x80, "&Pulse objects squiggle", kCheck, 13, 81, 129, 8},
    {1003, "msctls_trackbar32", 0, "Slider1", kTrackbar, 67, 136, 175, 16},
    {-1, "Static", 0x82, "Pulse object size:", WS_GROUP | SS_RIGHT, 7, 139, 57, 11},
    {1004, "msctls_trackbar32", 0, "Slider1", kTrackbar, 67, 153, 175, 16},
    {-1, "Static", 0x82, "Pulse object num:", WS_GROUP | SS_RIGHT, 7, 156, 57, 11},
    {1017, "Button", 0x80, "Pulse &objects rotate", kCheck, 13, 92, 85, 8},
};
const int kTrackbarIds[4] = {1001, 1002, 1003, 1004};
const int kCheckIds[6] = {1007, 1008, 1009, 1015, 1016, 1017};
const char* const kResolutions[6] = {"640x480", "800x600", "1024x768", "1280x960", "1280x1024", "1600x1200"};

std::string SettingsPath() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\lumox.cfg";
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    ASSERT_EQ(done, bytes.size());
}

std::vector<unsigned char> Bytes(const SaverSettings& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(&s);
    return std::vector<unsigned char>(p, p + sizeof s);
}

// The record the defaults make, written out field by field.
SaverSettings DefaultRecord() {
    SaverSettings s{};
    std::strcpy(s.hostAddress, "127.0.0.1");
    s.hostPort = 24123;
    s.auxFlag = 1;
    s.textureFilter = 1;
    s.colorBits = 32;
    s.fullScreen = 1;
    s.limitFrameRate = 1;
    s.outwardSpeed = 10.0f;
    s.radialBlur = 1;
    s.pulseRate = 1000.0f;
    s.pulseSquiggle = 1;
    s.pulseRotate = 1;
    s.pulseObjectCount = 50;
    s.pulseObjectSize = 0.5f;
    return s;
}

// A hand-made file: every hidden field off its default, text behind the
// NULs, shown values the controls cannot show exactly, 2000 bytes long.
SaverSettings OddRecord() {
    SaverSettings s;
    std::memset(static_cast<void*>(&s), 0x5A, sizeof s);
    std::strcpy(s.pathText, "C:\\pictures\\me.bmp");
    std::strcpy(s.hostAddress, "10.1.2.3");
    s.hostPort = 7;
    s.auxFlag = 0;
    s.textureFilter = 0;
    s.resolutionIndex = 7;
    s.colorBits = 16;
    s.fullScreen = 0;
    s.limitFrameRate = 0;
    s.fluctuateTunnelSpeed = 5;
    s.extraSaturation = 0;
    s.outwardSpeed = 37.9f;
    s.radialBlur = 0;
    s.pulseRate = 0.0f;
    s.pulseSquiggle = -1;
    s.pulseRotate = 0;
    s.reservedWord = 0x12345678;
    s.pulseObjectCount = 5000;
    s.pulseObjectSize = 0.0f;
    return s;
}

std::vector<unsigned char> OddFile() {
    std::vector<unsigned char> bytes = Bytes(OddRecord());
    for (int i = 0; i < 652; ++i) bytes.push_back(static_cast<unsigned char>(i * 7));
    return bytes;
}

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ScrPath().empty()) << "LUMOX_SCR names lumox.scr";
        hadFile = ReadFileBytes(SettingsPath(), keptFile);
        RemoveSettingsFile();
    }
    void TearDown() override {
        if (process.hProcess) {
            TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        RemoveSettingsFile();
        if (hadFile) WriteFileBytes(SettingsPath(), keptFile);
    }

    // Whatever a test left as lumox.cfg: a file, read-only or not, or an
    // empty directory.
    static void RemoveSettingsFile() {
        SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(SettingsPath().c_str());
        RemoveDirectoryA(SettingsPath().c_str());
    }

    // Starts lumox.scr /c and returns its dialog once it is on screen.
    HWND Open() {
        std::string command = "\"" + ScrPath() + "\" /c";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return nullptr;
        return WaitForDialog("Lumox Config", 600);
    }

    // A visible dialog window of lumox.scr titled title, once shown within
    // tries times 50 ms; nullptr if lumox.scr ends first.
    HWND WaitForDialog(const char* title, int tries) {
        for (int i = 0; i < tries; ++i) {
            HWND window = nullptr;
            while ((window = FindWindowExA(nullptr, window, "#32770", title)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(window)) return window;
            }
            if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }

    // Presses a button of the dialog; lumox.scr must then end with 0.
    void Press(HWND dialog, int id) {
        SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        ExpectExitZero();
    }

    // Waits for lumox.scr to end; it must end with 0.
    void ExpectExitZero() {
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0) << "lumox.scr did not end";
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = {};
    }

    // Moves every control away from what the odd file shows.
    void ChangeEveryControl(HWND dialog) {
        const int positions[4] = {90, 2500, 33, 777};
        for (int i = 0; i < 4; ++i) Send(dialog, kTrackbarIds[i], TBM_SETPOS, TRUE, positions[i]);
        for (int id : kCheckIds) {
            WPARAM flipped = Send(dialog, id, BM_GETCHECK) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            Send(dialog, id, BM_SETCHECK, flipped);
        }
        Send(dialog, 1014, CB_SETCURSEL, 4);
    }

    PROCESS_INFORMATION process = {};
    bool hadFile = false;
    std::vector<unsigned char> keptFile;
};

// The texts of a window's children, one after another.
std::string ChildTexts(HWND window) {
    std::string texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[512] = {};
        GetWindowTextA(child, text, sizeof text);
        texts += text;
        texts += '\n';
    }
    return texts;
}

// Names beside the settings file that start with its name (a replacement
// left behind would).
int NamesLikeTheSettingsFile() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((SettingsPath() + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// Reads dialog template words with a bound.
struct TemplateReader {
    const BYTE* data;
    size_t size;
    size_t at = 0;
    bool ok = true;
    WORD Word() {
        if (at + 2 > size) {
            ok = false;
            return 0;
        }
        WORD w;
        std::memcpy(&w, data + at, 2);
        at += 2;
        return w;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    std::string Text() {
        std::string text;
        for (WORD c = Word(); ok && c; c = Word()) text += static_cast<char>(c);
        return text;
    }
    // A name or, after 0xFFFF, an ordinal (returned in ordinal).
    std::string NameOrOrdinal(WORD& ordinal) {
        ordinal = 0;
        if (at + 2 <= size && data[at] == 0xFF && data[at + 1] == 0xFF) {
            Word();
            ordinal = Word();
            return "";
        }
        return Text();
    }
    void AlignToDword() { at = (at + 3) & ~static_cast<size_t>(3); }
};

// A rectangle in dialog units, as a template stores it.
struct Box {
    short x = 0, y = 0, cx = 0, cy = 0;
};

Box ReadBox(TemplateReader& r) {
    Box box;
    box.x = r.Short();
    box.y = r.Short();
    box.cx = r.Short();
    box.cy = r.Short();
    return box;
}

// A control of a dialog template as it is stored.
struct TemplateControl {
    DWORD style = 0, exStyle = 0;
    Box box;
    WORD id = 0;
    WORD classAtom = 0;  // 0: a class given by name
    std::string className;
    std::string text;
};

// Dialog 2003 (English, United States) of lumox.scr, read with a bound.
struct DialogTemplate {
    DWORD style = 0, exStyle = 0;
    WORD count = 0;
    Box box;
    WORD menuOrdinal = 0, classOrdinal = 0;
    std::string menu, windowClass, caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<TemplateControl> controls;
    bool found = false, whole = false;  // the resource exists; it was read to its last control
};

DialogTemplate ReadDialog2003() {
    DialogTemplate d;
    HMODULE module = LoadLibraryExA(ScrPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return d;
    HRSRC found = FindResourceExA(module, reinterpret_cast<LPCSTR>(RT_DIALOG), MAKEINTRESOURCEA(2003),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    d.found = found != nullptr;
    if (found) {
        TemplateReader r{static_cast<const BYTE*>(LockResource(LoadResource(module, found))),
                         SizeofResource(module, found)};
        d.style = r.Dword();
        d.exStyle = r.Dword();
        d.count = r.Word();
        d.box = ReadBox(r);
        d.menu = r.NameOrOrdinal(d.menuOrdinal);
        d.windowClass = r.NameOrOrdinal(d.classOrdinal);
        d.caption = r.Text();
        d.pointSize = r.Word();
        d.font = r.Text();
        for (WORD i = 0; i < d.count && r.ok; ++i) {
            TemplateControl c;
            r.AlignToDword();
            c.style = r.Dword();
            c.exStyle = r.Dword();
            c.box = ReadBox(r);
            c.id = r.Word();
            c.className = r.NameOrOrdinal(c.classAtom);
            WORD textOrdinal = 0;
            c.text = r.NameOrOrdinal(textOrdinal);
            r.at += r.Word();  // creation data
            if (r.ok) d.controls.push_back(c);
        }
        d.whole = r.ok && d.controls.size() == d.count;
    }
    FreeLibrary(module);
    return d;
}

TEST(ConfigDialogResource, Dialog2003IsTheTemplateOfLumoxScr) {
    const DialogTemplate d = ReadDialog2003();
    ASSERT_TRUE(d.found) << "no dialog 2003 in English (United States) in " << ScrPath();
    ASSERT_TRUE(d.whole) << "template cut short";
    EXPECT_EQ(d.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(d.exStyle, 0u);  // no extended style
    ASSERT_EQ(d.count, 18);
    EXPECT_EQ(d.box.x, 0);
    EXPECT_EQ(d.box.y, 0);
    EXPECT_EQ(d.box.cx, 263);
    EXPECT_EQ(d.box.cy, 175);
    EXPECT_EQ(d.menu, "");  // no menu
    EXPECT_EQ(d.menuOrdinal, 0);
    EXPECT_EQ(d.windowClass, "");  // the default class
    EXPECT_EQ(d.classOrdinal, 0);
    EXPECT_EQ(d.caption, "Lumox Config");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.font, "MS Sans Serif");

    for (size_t i = 0; i < d.controls.size(); ++i) {
        const Control& c = kControls[i];
        const TemplateControl& t = d.controls[i];
        SCOPED_TRACE(c.text);
        EXPECT_EQ(t.style, WS_CHILD | WS_VISIBLE | c.style);
        EXPECT_EQ(t.exStyle, 0u);
        EXPECT_EQ(t.box.x, c.x);
        EXPECT_EQ(t.box.y, c.y);
        EXPECT_EQ(t.box.cx, c.cx);
        EXPECT_EQ(t.box.cy, c.cy);
        EXPECT_EQ(t.id, static_cast<WORD>(c.id));
        if (c.classAtom) {
            EXPECT_EQ(t.classAtom, c.classAtom);
        } else {
            EXPECT_EQ(_stricmp(t.className.c_str(), c.windowClass), 0) << t.className;  // names are caseless
        }
        EXPECT_EQ(t.text, c.text);
    }
}

// Each setting of the settings table with a control is a control of dialog
// 2003: a check box with the table's text and mnemonic, or a trackbar with
// the static that names it right behind it in the template. The dialog's
// own controls (OK, Cancel, the resolution list and its static) are all the
// others.
TEST(ConfigDialogResource, Dialog2003HoldsTheControlsOfTheSettingsTable) {
    const DialogTemplate d = ReadDialog2003();
    ASSERT_TRUE(d.whole) << ScrPath();
    const WORD kStatic = 0x82, kButton = 0x80;
    size_t settingControls = 0, trackbars = 0;
    for (const SettingSpec& setting : kSettings) {
        if (!setting.control) continue;
        SCOPED_TRACE(setting.option);
        ++settingControls;
        size_t at = d.controls.size();
        for (size_t i = 0; i < d.controls.size(); ++i)
            if (d.controls[i].id == setting.control) at = i;
        ASSERT_LT(at, d.controls.size()) << "no control " << setting.control;
        const TemplateControl& control = d.controls[at];
        if (setting.kind == SettingKind::Flag) {
            EXPECT_EQ(control.classAtom, kButton);
            EXPECT_EQ(control.style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
            EXPECT_EQ(control.text, setting.label);
        } else {
            ++trackbars;
            EXPECT_EQ(_stricmp(control.className.c_str(), TRACKBAR_CLASSA), 0) << control.className;
            ASSERT_LT(at + 1, d.controls.size());
            const TemplateControl& name = d.controls[at + 1];
            EXPECT_EQ(name.classAtom, kStatic);
            EXPECT_EQ(name.id, 0xFFFF);
            EXPECT_EQ(name.text, setting.label);
        }
    }
    std::vector<WORD> own = {kConfigOk, kConfigCancel, kResolutionCombo};
    size_t others = 0;
    for (const TemplateControl& control : d.controls)
        if (std::find(own.begin(), own.end(), control.id) != own.end()) ++others;
    // Every static but the resolution list's names a trackbar.
    EXPECT_EQ(others, own.size());
    EXPECT_EQ(d.controls.size(), settingControls + trackbars + own.size() + 1);
}

TEST_F(ConfigDialog, ShowsTheDefaultsWithoutAFileAndCancelCreatesNone) {
    HWND dialog = Open();
    ASSERT_TRUE(dialog) << "no \"Lumox Config\" dialog from " << ScrPath();

    // The controls exist in template order with their classes and texts.
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(child);
        char name[64] = {}, text[128] = {};
        GetClassNameA(child, name, sizeof name);
        GetWindowTextA(child, text, sizeof text);
        EXPECT_STREQ(name, c.windowClass);
        EXPECT_EQ(GetDlgCtrlID(child), c.id == -1 ? 0xFFFF : c.id);
        if (c.id != 1014) {
            EXPECT_STREQ(text, c.text);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }

    const int low[4] = {5, 1, 1, 1}, high[4] = {90, 10000, 100, 1000}, shown[4] = {10, 1000, 5, 50};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Send(dialog, kTrackbarIds[i], TBM_GETRANGEMIN), low[i]) << kTrackbarIds[i];
        EXPECT_EQ(Send(dialog, kTrackbarIds[i], TBM_GETRANGEMAX), high[i]) << kTrackbarIds[i];
        EXPECT_EQ(Send(dialog, kTrackbarIds[i], TBM_GETPOS), shown[i]) << kTrackbarIds[i];
    }
    const int checked[6] = {0, 0, 1, 1, 1, 1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Send(dialog, kCheckIds[i], BM_GETCHECK), checked[i]) << kCheckIds[i];
    // The settings table's ranges and defaults, as the dialog shows them.
    saverSettings = SaverSettings{};
    ApplyDefaultSettings();
    const ConfigControlValues defaults = ControlsFromSettings(saverSettings);
    for (size_t i : ConfigDialogSettings()) {
        const SettingSpec& setting = kSettings[i];
        const bool trackbar = setting.kind == SettingKind::Number;
        if (trackbar) {
            EXPECT_EQ(Send(dialog, setting.control, TBM_GETRANGEMIN), TrackbarMinimum(setting)) << setting.option;
            EXPECT_EQ(Send(dialog, setting.control, TBM_GETRANGEMAX), TrackbarMaximum(setting)) << setting.option;
        }
        EXPECT_EQ(Send(dialog, setting.control, trackbar ? TBM_GETPOS : BM_GETCHECK), defaults.shown[i]) << setting.option;
    }
    ASSERT_EQ(Send(dialog, 1014, CB_GETCOUNT), 6);
    for (int i = 0; i < 6; ++i) {
        // Wide, as Wine carries list texts across processes only so.
        wchar_t text[32] = {};
        SendDlgItemMessageW(dialog, 1014, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        std::string narrow;
        for (const wchar_t* c = text; *c; ++c) narrow += static_cast<char>(*c);
        EXPECT_EQ(narrow, kResolutions[i]);
    }
    EXPECT_EQ(Send(dialog, 1014, CB_GETCURSEL), 0);

    ChangeEveryControl(dialog);
    Press(dialog, 2);
    EXPECT_EQ(GetFileAttributesA(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES) << "Cancel created a file";
}

TEST_F(ConfigDialog, OkWithoutAFileCreatesItWithTheDefaults) {
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    Press(dialog, 1000);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(SettingsPath(), bytes)) << "OK saved nothing";
    ASSERT_EQ(bytes.size(), 1348u);
    EXPECT_TRUE(bytes == Bytes(DefaultRecord()));
}

TEST_F(ConfigDialog, OkUnchangedStoresWhatTheControlsShowAndKeepsEverythingElse) {
    WriteFileBytes(SettingsPath(), OddFile());
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    const int shown[4] = {37, 1, 1, 1000};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Send(dialog, kTrackbarIds[i], TBM_GETPOS), shown[i]) << kTrackbarIds[i];
    EXPECT_EQ(Send(dialog, 1014, CB_GETCURSEL), CB_ERR);  // index 7 is not offered
    Press(dialog, 1000);

    std::vector<unsigned char> expected = OddFile();
    SaverSettings s = OddRecord();
    s.outwardSpeed = 37.0f;
    s.pulseRate = 1.0f;
    s.pulseObjectSize = 0.1f;
    s.pulseObjectCount = 1000;
    s.resolutionIndex = -1;
    s.fluctuateTunnelSpeed = 1;
    s.pulseSquiggle = 1;
    std::memcpy(expected.data(), &s, sizeof s);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(SettingsPath(), bytes));
    ASSERT_EQ(bytes.size(), 2000u);  // the bytes behind the record stay
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], expected[i]) << "byte " << i;
}

TEST_F(ConfigDialog, OkStoresEveryControlAndKeepsTheHiddenFields) {
    WriteFileBytes(SettingsPath(), OddFile());
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    ChangeEveryControl(dialog);
    Press(dialog, 1000);

    std::vector<unsigned char> expected = OddFile();
    SaverSettings s = OddRecord();
    s.outwardSpeed = 90.0f;
    s.pulseRate = 2500.0f;
    s.pulseObjectSize = 3.3f;
    s.pulseObjectCount = 777;
    s.resolutionIndex = 4;
    s.extraSaturation = 1;
    s.fluctuateTunnelSpeed = 0;
    s.radialBlur = 1;
    s.limitFrameRate = 1;
    s.pulseSquiggle = 0;
    s.pulseRotate = 1;
    std::memcpy(expected.data(), &s, sizeof s);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(SettingsPath(), bytes));
    ASSERT_EQ(bytes.size(), 2000u);
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], expected[i]) << "byte " << i;
}

TEST_F(ConfigDialog, CancelOrTheCloseBoxAfterChangingEveryControlLeavesTheFileAsItWas) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        WriteFileBytes(SettingsPath(), OddFile());
        HWND dialog = Open();
        ASSERT_TRUE(dialog);
        ChangeEveryControl(dialog);
        if (closeBox) {
            SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0) << "the close box did not end it";
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
            process = {};
        } else {
            Press(dialog, 2);
        }
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(ReadFileBytes(SettingsPath(), bytes));
        EXPECT_TRUE(bytes == OddFile());
    }
}

TEST_F(ConfigDialog, OkThatCannotSaveSaysSoInAMessageAndLeavesTheFileAlone) {
    for (bool directory : {true, false}) {
        SCOPED_TRACE(directory ? "a directory named lumox.cfg" : "a read-only lumox.cfg");
        if (directory) {
            ASSERT_TRUE(CreateDirectoryA(SettingsPath().c_str(), nullptr));
        } else {
            WriteFileBytes(SettingsPath(), OddFile());
            ASSERT_TRUE(SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
        }
        HWND dialog = Open();
        ASSERT_TRUE(dialog);
        // A directory is no settings file: the defaults show.
        if (directory) {
            EXPECT_EQ(Send(dialog, 1004, TBM_GETPOS), 50);
        }
        // Posted: the OK button's handler does not return while its message
        // box is up.
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1000)));
        HWND box = WaitForDialog("Error", 400);
        ASSERT_TRUE(box) << "OK did not say that the settings were not saved";
        const std::string texts = ChildTexts(box);
        EXPECT_NE(texts.find("The settings could not be saved to " + SettingsPath() + " ("), std::string::npos) << texts;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        ExpectExitZero();

        const DWORD attributes = GetFileAttributesA(SettingsPath().c_str());
        if (directory) {
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
            EXPECT_TRUE(RemoveDirectoryA(SettingsPath().c_str())) << "the directory is no longer empty";
        } else {
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY));
            std::vector<unsigned char> bytes;
            ASSERT_TRUE(ReadFileBytes(SettingsPath(), bytes));
            EXPECT_TRUE(bytes == OddFile());
        }
        RemoveSettingsFile();
        EXPECT_EQ(NamesLikeTheSettingsFile(), 0) << "something was left beside the settings file";
    }
}

}  // namespace
