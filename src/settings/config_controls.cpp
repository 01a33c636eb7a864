#include "settings/config_controls.h"

#include <cmath>

const ConfigTrackbar kConfigTrackbars[kConfigTrackbarCount] = {
    {kOutwardSpeedTrackbar, 5, 90, "Outward speed:"},
    {kPulseRateTrackbar, 1, 10000, "Pulse rate:"},
    {kPulseObjectSizeTrackbar, 1, 100, "Pulse object size:"},
    {kPulseObjectCountTrackbar, 1, 1000, "Pulse object num:"},
};

const ConfigCheckBox kConfigCheckBoxes[kConfigCheckBoxCount] = {
    {kExtraSaturationCheck, "&Extra saturation on tunnel pass"},
    {kFluctuateTunnelSpeedCheck, "&Fluctuate tunnel speed"},
    {kRadialBlurCheck, "&Radial blur processing on The Thing (complete fillrate killer!)"},
    {kLimitFrameRateCheck, "&Limit framerate"},
    {kPulseSquiggleCheck, "&Pulse objects squiggle"},
    {kPulseRotateCheck, "Pulse &objects rotate"},
};

const char* const kConfigResolutionTexts[kConfigResolutionCount] = {
    "640x480", "800x600", "1024x768", "1280x960", "1280x1024", "1600x1200",
};

namespace {

// The flag behind each check box, in kConfigCheckBoxes order.
int32_t SaverSettings::*const kCheckBoxFields[kConfigCheckBoxCount] = {
    &SaverSettings::extraSaturation, &SaverSettings::fluctuateTunnelSpeed, &SaverSettings::radialBlur,
    &SaverSettings::limitFrameRate,  &SaverSettings::pulseSquiggle,        &SaverSettings::pulseRotate,
};

enum TrackbarIndex { kSpeed, kRate, kSize, kCount };

int Clamp(long long position, const ConfigTrackbar& bar) {
    if (position < bar.minimum) return bar.minimum;
    if (position > bar.maximum) return bar.maximum;
    return static_cast<int>(position);
}

// A float setting cut to a whole position. The comparisons come first so
// that a huge, infinite or NaN value from a hand-edited file never reaches
// the float-to-int conversion, which would be undefined for it.
int TruncatedPosition(double value, const ConfigTrackbar& bar) {
    if (!(value > bar.minimum)) return bar.minimum;  // also NaN
    if (value >= bar.maximum) return bar.maximum;
    return static_cast<int>(value);  // truncates toward zero
}

// The size trackbar counts tenths: the nearest whole number of them.
int SizePosition(float size, const ConfigTrackbar& bar) {
    return TruncatedPosition(std::floor(static_cast<double>(size) * 10.0 + 0.5), bar);
}

// Position p stands for p x 0.1, multiplied in single precision so that the
// stored size is the float nearest 0.1 times the float of p; the result
// shows position p again.
float SizeFromPosition(int position) {
    const float tenth = 0.1f;
    const float p = static_cast<float>(position);
    return static_cast<float>(p * tenth);
}

}  // namespace

ConfigControlValues ControlsFromSettings(const SaverSettings& settings) {
    ConfigControlValues values{};
    values.trackbarPositions[kSpeed] = TruncatedPosition(settings.outwardSpeed, kConfigTrackbars[kSpeed]);
    values.trackbarPositions[kRate] = TruncatedPosition(settings.pulseRate, kConfigTrackbars[kRate]);
    values.trackbarPositions[kSize] = SizePosition(settings.pulseObjectSize, kConfigTrackbars[kSize]);
    values.trackbarPositions[kCount] = Clamp(settings.pulseObjectCount, kConfigTrackbars[kCount]);
    for (int i = 0; i < kConfigCheckBoxCount; ++i) values.checked[i] = settings.*kCheckBoxFields[i] != 0;
    const int index = settings.resolutionIndex;
    values.resolutionSelection = index >= 0 && index < kConfigResolutionCount ? index : -1;
    return values;
}

void SettingsFromControls(const ConfigControlValues& values, SaverSettings& settings) {
    // A real trackbar never reports a position outside its range; the clamp
    // keeps a widget that does from storing one.
    int position[kConfigTrackbarCount];
    for (int i = 0; i < kConfigTrackbarCount; ++i) position[i] = Clamp(values.trackbarPositions[i], kConfigTrackbars[i]);
    settings.outwardSpeed = static_cast<float>(position[kSpeed]);
    settings.pulseRate = static_cast<float>(position[kRate]);
    settings.pulseObjectSize = SizeFromPosition(position[kSize]);
    settings.pulseObjectCount = position[kCount];
    for (int i = 0; i < kConfigCheckBoxCount; ++i) settings.*kCheckBoxFields[i] = values.checked[i] ? 1 : 0;
    settings.resolutionIndex = values.resolutionSelection;
}
