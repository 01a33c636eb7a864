// The settings table: the defaults it gives the record, the panel labels it
// makes from the dialog's, the options it gives the command line, and the
// values a run is given through it.
#include "settings/setting_table.h"

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Without a settings file every field from offset 1280 on holds its
// documented value (floats by their bits); the texts are the address alone.
TEST(SettingTable, DefaultsAreTheDocumentedRecord) {
    ResetSettingsState();
    ApplyDefaultSettings();
    const struct {
        size_t offset;
        uint32_t word;
    } expected[] = {
        {1280, 24123}, {1284, 1}, {1288, 1}, {1292, 0}, {1296, 32}, {1300, 1}, {1304, 1},
        {1308, 0},     {1312, 0}, {1316, 0x41200000}, {1320, 1}, {1324, 0x447A0000}, {1328, 1},
        {1332, 1},     {1336, 0}, {1340, 50}, {1344, 0x3F000000},
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(&saverSettings);
    for (const auto& field : expected) {
        uint32_t word;
        std::memcpy(&word, bytes + field.offset, 4);
        EXPECT_EQ(word, field.word) << "offset " << field.offset;
    }
    SaverSettings texts{};
    std::memcpy(texts.hostAddress, "127.0.0.1", 10);
    EXPECT_EQ(std::memcmp(bytes, &texts, 1280), 0);
}

TEST(SettingTable, PanelLabelsAreTheDialogsWithoutMnemonicAndColon) {
    const struct {
        const char* option;
        const char* label;
    } expected[] = {
        {"speed", "Outward speed"},       {"rotate", "Pulse objects rotate"},
        {"saturation", "Extra saturation on tunnel pass"}, {"count", "Pulse objects"},
        {"blur", "Radial blur processing on The Thing"},    {"delay", "Frame rate"},
    };
    for (const auto& row : expected) {
        const SettingSpec* setting = FindSetting(row.option);
        ASSERT_TRUE(setting) << row.option;
        EXPECT_EQ(PanelLabel(*setting), row.label);
    }
    EXPECT_EQ(FindSetting("help"), nullptr);
    EXPECT_EQ(FindSetting("no-blur"), nullptr);
}

// The option table ends with one option per setting, in the table's order,
// that takes decimals exactly where the field is a float.
TEST(SettingTable, EverySettingIsAnOptionInTheTablesOrder) {
    size_t count = 0;
    const OptionSpec* options = OptionTable(count);
    ASSERT_GE(count, kSettingCount);
    const OptionSpec* first = options + (count - kSettingCount);
    for (size_t i = 0; i < kSettingCount; ++i) {
        const SettingSpec& setting = kSettings[i];
        const OptionSpec& option = first[i];
        EXPECT_EQ(option.setting, &setting) << setting.option;
        EXPECT_EQ(option.group, OptionGroup::Setting) << setting.option;
        EXPECT_EQ(FindOption(setting.option), &option) << setting.option;
        EXPECT_EQ(option.whole, setting.floatField == nullptr) << setting.option;
    }
    for (size_t i = 0; i + kSettingCount < count; ++i) EXPECT_EQ(options[i].setting, nullptr) << options[i].name;
}

// Values given for a run go into their fields in the order given; the frame
// pause is the delay given, else what limitFrameRate asks for.
TEST(SettingTable, GivenValuesApplyInTheOrderGiven) {
    const SettingSpec& blur = *FindSetting("blur");
    const SettingSpec& size = *FindSetting("object-size");
    const SettingSpec& count = *FindSetting("count");
    SettingOverrides given;
    given.fields = {{&blur, 0}, {&size, 0.3f}, {&count, 20}, {&blur, 1}};
    SaverSettings settings{};
    ApplySettingOverrides(given, settings);
    EXPECT_EQ(settings.radialBlur, 1);
    EXPECT_EQ(settings.pulseObjectSize, 0.3f);
    EXPECT_EQ(settings.pulseObjectCount, 20);
    EXPECT_EQ(GivenValue(given, blur), 1.0);
    EXPECT_FALSE(GivenValue(given, *FindSetting("rotate")));

    const SettingSpec& delay = *FindSetting("delay");
    EXPECT_EQ(SettingValue(delay, settings), 0.0);
    settings.limitFrameRate = 1;
    EXPECT_EQ(SettingValue(delay, settings), 10000.0);
    EXPECT_EQ(SettingValue(count, settings), 20.0);
    EXPECT_EQ(SettingValue(*FindSetting("picture"), settings), 0.0);
}

}  // namespace
