#include "settings/setting_table.h"

#include <cstring>

const SettingSpec* FindSetting(const char* option) {
    for (const SettingSpec& setting : kSettings)
        if (std::strcmp(setting.option, option) == 0) return &setting;
    return nullptr;
}

std::string PanelLabel(const SettingSpec& setting) {
    if (setting.panelLabel) return setting.panelLabel;
    std::string label;
    for (const char* c = setting.label; *c; ++c)
        if (*c != '&') label += *c;
    if (!label.empty() && label.back() == ':') label.pop_back();
    return label;
}

double SettingValue(const SettingSpec& setting, const SaverSettings& settings) {
    if (setting.intField) return settings.*setting.intField;
    if (setting.floatField) return settings.*setting.floatField;
    if (setting.target == SettingTarget::FramePause) return FramePauseMicroseconds(nullptr, settings);
    if (setting.target == SettingTarget::CameraOn) return setting.defaultValue;
    return 0;
}

void StoreSettingValue(const SettingSpec& setting, double value, SaverSettings& settings) {
    if (setting.intField) settings.*setting.intField = static_cast<int32_t>(value);
    if (setting.floatField) settings.*setting.floatField = static_cast<float>(value);
}

std::optional<double> GivenValue(const SettingOverrides& overrides, const SettingSpec& setting) {
    std::optional<double> value;
    for (const SettingOverrides::Given& given : overrides.fields)
        if (given.setting == &setting) value = given.value;
    return value;
}

void ApplySettingOverrides(const SettingOverrides& overrides, SaverSettings& settings) {
    for (const SettingOverrides::Given& given : overrides.fields)
        if (given.setting) StoreSettingValue(*given.setting, given.value, settings);
}

uint32_t FramePauseMicroseconds(const SettingOverrides* overrides, const SaverSettings& settings) {
    if (overrides && overrides->delayMicroseconds) return *overrides->delayMicroseconds;
    return settings.limitFrameRate ? kLimitedFramePauseMicroseconds : 0;
}

bool CameraWanted(const SettingOverrides& overrides) {
    bool wanted = true;
    for (const SettingOverrides::Given& given : overrides.fields)
        if (given.setting && given.setting->target == SettingTarget::CameraOn) wanted = given.value != 0;
    return wanted;
}
