#include "settings/config_controls.h"

#include <algorithm>
#include <cmath>

const char* const kConfigResolutionTexts[kConfigResolutionCount] = {
    "640x480", "800x600", "1024x768", "1280x960", "1280x1024", "1600x1200",
};

namespace {

int ScaledBound(const SettingSpec& setting, double bound) {
    return static_cast<int>(std::lround(setting.tenths ? bound * 10.0 : bound));
}

int Clamp(long long position, const SettingSpec& setting) {
    const int minimum = TrackbarMinimum(setting), maximum = TrackbarMaximum(setting);
    if (position < minimum) return minimum;
    if (position > maximum) return maximum;
    return static_cast<int>(position);
}

// A float setting cut to a whole position. The comparisons come first so
// that a huge, infinite or NaN value from a hand-edited file never reaches
// the float-to-int conversion, which would be undefined for it.
int TruncatedPosition(double value, const SettingSpec& setting) {
    const int minimum = TrackbarMinimum(setting), maximum = TrackbarMaximum(setting);
    if (!(value > minimum)) return minimum;  // also NaN
    if (value >= maximum) return maximum;
    return static_cast<int>(value);  // truncates toward zero
}

// A trackbar of tenths shows the nearest whole number of them.
int TenthsPosition(float value, const SettingSpec& setting) {
    return TruncatedPosition(std::floor(static_cast<double>(value) * 10.0 + 0.5), setting);
}

// Position p stands for p x 0.1, multiplied in single precision so that the
// stored value is the float nearest 0.1 times the float of p; the result
// shows position p again.
float ValueFromTenths(int position) {
    const float tenth = 0.1f;
    const float p = static_cast<float>(position);
    return static_cast<float>(p * tenth);
}

int PositionOf(const SettingSpec& setting, const SaverSettings& settings) {
    if (setting.intField) return Clamp(settings.*setting.intField, setting);
    const float value = settings.*setting.floatField;
    return setting.tenths ? TenthsPosition(value, setting) : TruncatedPosition(value, setting);
}

}  // namespace

const std::vector<size_t>& ConfigDialogSettings() {
    static const std::vector<size_t> order = [] {
        std::vector<size_t> indexes;
        for (size_t i = 0; i < kSettingCount; ++i)
            if (kSettings[i].control) indexes.push_back(i);
        std::sort(indexes.begin(), indexes.end(), [](size_t a, size_t b) {
            const bool aTrackbar = kSettings[a].kind == SettingKind::Number;
            const bool bTrackbar = kSettings[b].kind == SettingKind::Number;
            if (aTrackbar != bTrackbar) return aTrackbar;
            return kSettings[a].control < kSettings[b].control;
        });
        return indexes;
    }();
    return order;
}

int TrackbarMinimum(const SettingSpec& setting) { return ScaledBound(setting, setting.low); }
int TrackbarMaximum(const SettingSpec& setting) { return ScaledBound(setting, setting.high); }

ConfigControlValues ControlsFromSettings(const SaverSettings& settings) {
    ConfigControlValues values{};
    for (size_t i : ConfigDialogSettings()) {
        const SettingSpec& setting = kSettings[i];
        values.shown[i] = setting.kind == SettingKind::Number ? PositionOf(setting, settings)
                                                              : settings.*setting.intField != 0;
    }
    const int index = settings.resolutionIndex;
    values.resolutionSelection = index >= 0 && index < kConfigResolutionCount ? index : -1;
    return values;
}

void SettingsFromControls(const ConfigControlValues& values, SaverSettings& settings) {
    for (size_t i : ConfigDialogSettings()) {
        const SettingSpec& setting = kSettings[i];
        if (setting.kind != SettingKind::Number) {
            settings.*setting.intField = values.shown[i] ? 1 : 0;
            continue;
        }
        // A real trackbar never reports a position outside its range; the
        // clamp keeps a widget that does from storing one.
        const int position = Clamp(values.shown[i], setting);
        if (setting.intField)
            settings.*setting.intField = position;
        else
            settings.*setting.floatField = setting.tenths ? ValueFromTenths(position) : static_cast<float>(position);
    }
    settings.resolutionIndex = values.resolutionSelection;
}
