// The saver's settings, declared once, as an XScreenSaver hack declares its
// resources: for each its option name, kind, record field, range, default
// and help line, its control in the configuration dialog (control id, label
// with its mnemonic) and in XScreenSaver's settings panel. Both dialogs, the
// command line, --help, the man page and lumox.xml follow this table.
// The Windows resource script (resources/lumox.rc) is written by hand, as its
// bytes are fixed; a test holds dialog 2003's controls to this table.
//
// A new setting is one entry here and its field in SaverSettings
// (settings.h); in the dialog, also its control in lumox.rc and that
// control's line in the dialog's test (tests/win32/config_dialog_test.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "settings/settings.h"

enum class SettingKind {
    Flag,    // on or off: a check box; --NAME and --no-NAME
    Number,  // a value within [low, high]: a trackbar, a slider; --NAME N
    Text,    // a file or a name: --NAME VALUE
};

// Where a setting's value goes.
enum class SettingTarget {
    Record,      // its field of SaverSettings (intField or floatField)
    FramePause,  // the pause after each frame, SettingOverrides::delayMicroseconds
    Picture,     // another still picture, SettingOverrides::picture
    Camera,      // the camera to prefer (part of its name or device path)
    CameraOn,    // whether the run makes a video source at all (CameraWanted)
};

struct SettingSpec {
    const char* option = nullptr;  // the command-line option, without dashes
    SettingKind kind = SettingKind::Flag;
    SettingTarget target = SettingTarget::Record;
    // The record's field: an int32 for a flag or a whole number, a float
    // for a number that may have decimals.
    int32_t SaverSettings::*intField = nullptr;
    float SaverSettings::*floatField = nullptr;
    double low = 0, high = 0;  // Number: the range the option and the panel take
    int decimals = 0;          // Number: digits after the point in the panel and the docs
    double defaultValue = 0;   // a record field's value without a settings file
    const char* valueName = nullptr;  // Number and Text: "N", "FILE", ...
    const char* help = nullptr;       // one line, lower case, no full stop
    // The configuration dialog's control (dialog 2003; the GTK dialog keeps
    // the numbering); 0 for none.
    int control = 0;
    // A check box's text, or the text beside a trackbar; '&' marks the
    // mnemonic, as in a Windows resource. Without a control: the panel's.
    const char* label = nullptr;
    bool tenths = false;  // the trackbar counts tenths of the value
    // XScreenSaver's panel: its label when it is not the dialog's (which
    // it is without '&' and a closing ':'), and a slider's end labels.
    const char* panelLabel = nullptr;
    const char* lowLabel = nullptr;
    const char* highLabel = nullptr;
    bool invert = false;  // the slider's right end is the smaller value (a delay)

    // The entry's makers: each gives a copy with one more part set.
    template <typename Change>
    constexpr SettingSpec With(Change change) const {
        SettingSpec s = *this;
        change(s);
        return s;
    }
    constexpr SettingSpec Field(int32_t SaverSettings::*f) const { return With([&](SettingSpec& s) { s.intField = f; }); }
    constexpr SettingSpec Field(float SaverSettings::*f) const { return With([&](SettingSpec& s) { s.floatField = f; }); }
    constexpr SettingSpec Goes(SettingTarget where) const { return With([&](SettingSpec& s) { s.target = where; }); }
    constexpr SettingSpec Range(double from, double to, int digits = 0) const {
        return With([&](SettingSpec& s) { s.low = from, s.high = to, s.decimals = digits; });
    }
    constexpr SettingSpec Default(double v) const { return With([&](SettingSpec& s) { s.defaultValue = v; }); }
    constexpr SettingSpec Value(const char* name) const { return With([&](SettingSpec& s) { s.valueName = name; }); }
    constexpr SettingSpec Help(const char* line) const { return With([&](SettingSpec& s) { s.help = line; }); }
    constexpr SettingSpec Control(int id, const char* text) const {
        return With([&](SettingSpec& s) { s.control = id, s.label = text; });
    }
    constexpr SettingSpec Label(const char* text) const { return With([&](SettingSpec& s) { s.label = text; }); }
    constexpr SettingSpec Tenths() const { return With([](SettingSpec& s) { s.tenths = true; }); }
    constexpr SettingSpec Panel(const char* text) const { return With([&](SettingSpec& s) { s.panelLabel = text; }); }
    constexpr SettingSpec Slider(const char* lowEnd, const char* highEnd, bool inverted = false) const {
        return With([&](SettingSpec& s) { s.lowLabel = lowEnd, s.highLabel = highEnd, s.invert = inverted; });
    }
};

constexpr SettingSpec Setting(const char* option, SettingKind kind) {
    SettingSpec s;
    s.option = option;
    s.kind = kind;
    return s;
}

// In the order of --help and the man page. The dialog takes its controls
// in the order of their ids (ConfigDialogSettings, config_controls.h).
inline constexpr SettingSpec kSettings[] = {
    Setting("speed", SettingKind::Number).Field(&SaverSettings::outwardSpeed).Range(5, 90).Default(10).Value("N")
        .Help("outward speed of the tunnel").Control(1001, "Outward speed:").Slider("Slow", "Fast"),
    Setting("fluctuate", SettingKind::Flag).Field(&SaverSettings::fluctuateTunnelSpeed).Default(0)
        .Help("fluctuate the tunnel's speed").Control(1008, "&Fluctuate tunnel speed"),
    Setting("saturation", SettingKind::Flag).Field(&SaverSettings::extraSaturation).Default(0)
        .Help("extra saturation on the tunnel pass").Control(1007, "&Extra saturation on tunnel pass"),
    Setting("blur", SettingKind::Flag).Field(&SaverSettings::radialBlur).Default(1)
        .Help("radial blur on The Thing (costly: a complete fillrate killer)")
        .Control(1009, "&Radial blur processing on The Thing (complete fillrate killer!)")
        .Panel("Radial blur processing on The Thing"),
    Setting("limit-frame-rate", SettingKind::Flag).Field(&SaverSettings::limitFrameRate).Default(1)
        .Help("pause 10 ms after each frame (as --delay 10000)").Control(1015, "&Limit framerate"),
    Setting("pulse-rate", SettingKind::Number).Field(&SaverSettings::pulseRate).Range(1, 10000).Default(1000)
        .Value("N").Help("speed of the pulse objects' brightness pulse").Control(1002, "Pulse rate:")
        .Slider("Slow", "Fast"),
    Setting("squiggle", SettingKind::Flag).Field(&SaverSettings::pulseSquiggle).Default(1)
        .Help("the pulse objects tumble and breathe").Control(1016, "&Pulse objects squiggle"),
    Setting("rotate", SettingKind::Flag).Field(&SaverSettings::pulseRotate).Default(1)
        .Help("the pulse objects spin").Control(1017, "Pulse &objects rotate"),
    Setting("count", SettingKind::Number).Field(&SaverSettings::pulseObjectCount).Range(1, 1000).Default(50)
        .Value("N").Help("number of pulse objects").Control(1004, "Pulse object num:").Panel("Pulse objects")
        .Slider("Few", "Many"),
    Setting("object-size", SettingKind::Number).Field(&SaverSettings::pulseObjectSize).Range(0.1, 10.0, 1)
        .Default(0.5).Value("N").Help("size of the pulse objects and of their paths")
        .Control(1003, "Pulse object size:").Tenths().Slider("Small", "Large"),
    // No field: without a settings file it is what limit-frame-rate's default makes it.
    Setting("delay", SettingKind::Number).Goes(SettingTarget::FramePause).Range(0, 100000).Value("USEC")
        .Help("pause after each frame in microseconds; wins over --limit-frame-rate").Label("Frame rate")
        .Slider("Low", "High", true),
    Setting("picture", SettingKind::Text).Goes(SettingTarget::Picture).Value("FILE")
        .Help("show FILE instead of lumox.bmp: a PNG, JPEG, GIF (its first frame), TIFF or 24-bit uncompressed BMP "
              "picture, or WebP with its gdk-pixbuf loader; when FILE is a folder, one of its pictures, picked at "
              "each run")
        .Label("Picture, or a folder of pictures"),
    // No field either: the settings file keeps its layout, and the Windows
    // saver, which reads the same file, always has its camera.
    Setting("camera", SettingKind::Flag).Goes(SettingTarget::CameraOn).Default(1)
        .Help("live video from the camera (or LUMOX_VIDEO_SOURCE); off, no video source is made at all (no device "
              "is opened, the camera's light stays off) and the still picture shows")
        .Label("Use the camera"),
    Setting("device", SettingKind::Text).Goes(SettingTarget::Camera).Value("NAME")
        .Help("the camera whose name or device path contains NAME, ignoring case (else the first one)")
        .Label("Camera"),
};
inline constexpr size_t kSettingCount = std::size(kSettings);

// ---- What the table must hold, checked as it compiles ----

namespace setting_table_checks {

constexpr bool SameText(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// Each setting has a name, a help line and a label; a record setting one
// field of its kind (a flag an int32, tenths a float), the others none and
// no dialog control. The one flag outside the record is the camera switch.
constexpr bool EntriesAreWhole() {
    for (const SettingSpec& s : kSettings) {
        if (!s.option || !s.help || !s.label) return false;
        const bool record = s.target == SettingTarget::Record;
        const int fields = (s.intField ? 1 : 0) + (s.floatField ? 1 : 0);
        if (fields != (record ? 1 : 0)) return false;
        if (s.kind == SettingKind::Flag && !(record ? s.intField != nullptr : s.target == SettingTarget::CameraOn))
            return false;
        if (s.kind == SettingKind::Text && (record || s.control || !s.valueName)) return false;
        if (s.control && !record) return false;
        if (s.tenths && (!s.floatField || !s.control)) return false;
    }
    return true;
}

// A number's default lies in its range; a flag's is 0 or 1.
constexpr bool DefaultsFit() {
    for (const SettingSpec& s : kSettings) {
        if (s.kind == SettingKind::Number && !(s.low < s.high && s.valueName)) return false;
        if (s.kind == SettingKind::Flag && s.defaultValue != 0 && s.defaultValue != 1) return false;
        if (s.target != SettingTarget::Record) continue;
        if (s.kind == SettingKind::Number && (s.defaultValue < s.low || s.defaultValue > s.high)) return false;
    }
    return true;
}

// No two settings share an option name, a control or a field.
constexpr bool NamesAreDistinct() {
    for (size_t i = 0; i < kSettingCount; ++i)
        for (size_t j = i + 1; j < kSettingCount; ++j) {
            const SettingSpec& a = kSettings[i];
            const SettingSpec& b = kSettings[j];
            if (SameText(a.option, b.option) || (a.control && a.control == b.control)) return false;
            if ((a.intField && a.intField == b.intField) || (a.floatField && a.floatField == b.floatField))
                return false;
        }
    return true;
}

static_assert(EntriesAreWhole(), "a setting lacks its name, help, label or field, or has a field its kind cannot have");
static_assert(DefaultsFit(), "a setting's default lies outside its range");
static_assert(NamesAreDistinct(), "two settings share an option name, a control id or a field");

}  // namespace setting_table_checks

// The entry of the option called name (without dashes); nullptr for none.
const SettingSpec* FindSetting(const char* option);

// The label XScreenSaver's panel shows: panelLabel, else the dialog's label
// without its mnemonic mark and closing colon.
std::string PanelLabel(const SettingSpec& setting);

// The value a Flag or Number has in settings: its field's, or for the frame
// pause the one settings make (FramePauseMicroseconds); for the camera
// switch, which the file does not hold, its default; 0 for a Text.
double SettingValue(const SettingSpec& setting, const SaverSettings& settings);

// Writes value into setting's field of settings (a number already checked
// against the range); nothing for a setting outside the record.
void StoreSettingValue(const SettingSpec& setting, double value, SaverSettings& settings);

// The value a setting was given for a run; empty when none was.
std::optional<double> GivenValue(const SettingOverrides& overrides, const SettingSpec& setting);

// Puts the given values into settings, in the order given; the others keep
// theirs.
void ApplySettingOverrides(const SettingOverrides& overrides, SaverSettings& settings);

// The pause after each frame of a run: the given delay, else 10 ms with
// limitFrameRate on and none with it off.
uint32_t FramePauseMicroseconds(const SettingOverrides* overrides, const SaverSettings& settings);

// Whether a run given overrides makes a video source: the last --camera or
// --no-camera given, else on.
bool CameraWanted(const SettingOverrides& overrides);
constexpr uint32_t kLimitedFramePauseMicroseconds = 10000;
