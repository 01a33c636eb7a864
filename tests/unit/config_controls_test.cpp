#include "settings/config_controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

// The index into kSettings (and ConfigControlValues::shown) of an option.
size_t Index(const char* option) {
    const SettingSpec* setting = FindSetting(option);
    EXPECT_TRUE(setting) << option;
    return setting ? static_cast<size_t>(setting - kSettings) : 0;
}
const size_t kSpeed = Index("speed"), kRate = Index("pulse-rate"), kSize = Index("object-size"),
             kCount = Index("count");

uint32_t Bits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The defaults as ApplyDefaultSettings gives them (through the record).
SaverSettings Defaults() {
    saverSettings = SaverSettings{};
    ApplyDefaultSettings();
    return saverSettings;
}

// What a dialog opened on s and confirmed untouched stores.
SaverSettings ConfirmedUnchanged(SaverSettings s) {
    SettingsFromControls(ControlsFromSettings(s), s);
    return s;
}

TEST(ConfigControls, DefaultsShowAsTheDialogDocumentsThem) {
    ConfigControlValues v = ControlsFromSettings(Defaults());
    EXPECT_EQ(v.shown[kSpeed], 10);
    EXPECT_EQ(v.shown[kRate], 1000);
    EXPECT_EQ(v.shown[kSize], 5);
    EXPECT_EQ(v.shown[kCount], 50);
    // saturation and fluctuation off, blur, frame limit, squiggle, rotate on
    const std::pair<const char*, int> checked[] = {{"saturation", 0}, {"fluctuate", 0}, {"blur", 1},
                                                   {"limit-frame-rate", 1}, {"squiggle", 1}, {"rotate", 1}};
    for (const auto& [option, shown] : checked) EXPECT_EQ(v.shown[Index(option)], shown) << option;
    EXPECT_EQ(v.resolutionSelection, 0);
}

TEST(ConfigControls, ConfirmingUnchangedKeepsEveryValueAControlShowsExactly) {
    const SaverSettings defaults = Defaults();
    for (int speed = 5; speed <= 90; ++speed) {
        SaverSettings s = defaults;
        s.outwardSpeed = static_cast<float>(speed);
        EXPECT_EQ(Bits(ConfirmedUnchanged(s).outwardSpeed), Bits(s.outwardSpeed)) << speed;
    }
    for (int rate = 1; rate <= 10000; ++rate) {
        SaverSettings s = defaults;
        s.pulseRate = static_cast<float>(rate);
        ASSERT_EQ(Bits(ConfirmedUnchanged(s).pulseRate), Bits(s.pulseRate)) << rate;
    }
    for (int count = 1; count <= 1000; ++count) {
        SaverSettings s = defaults;
        s.pulseObjectCount = count;
        ASSERT_EQ(ConfirmedUnchanged(s).pulseObjectCount, count);
    }
    for (int index = 0; index <= 5; ++index) {
        SaverSettings s = defaults;
        s.resolutionIndex = index;
        EXPECT_EQ(ConfirmedUnchanged(s).resolutionIndex, index);
    }
    // Every size the dialog itself stores shows its own position again and
    // is stored again with the same bits.
    for (int p = 1; p <= 100; ++p) {
        ConfigControlValues v = ControlsFromSettings(defaults);
        v.shown[kSize] = p;
        SaverSettings s = defaults;
        SettingsFromControls(v, s);
        EXPECT_NEAR(s.pulseObjectSize, p / 10.0, 1e-6);
        EXPECT_EQ(ControlsFromSettings(s).shown[kSize], p);
        EXPECT_EQ(Bits(ConfirmedUnchanged(s).pulseObjectSize), Bits(s.pulseObjectSize)) << p;
    }
}

TEST(ConfigControls, ValuesAControlCannotShowAreCutAndClampedThenStoredAsShown) {
    SaverSettings s{};  // an all-zero (empty) settings file
    s.outwardSpeed = 37.9f;
    s.pulseObjectCount = 5000;
    s.resolutionIndex = 7;
    ConfigControlValues v = ControlsFromSettings(s);
    EXPECT_EQ(v.shown[kSpeed], 37);
    EXPECT_EQ(v.shown[kRate], 1);  // 0.0 below the range
    EXPECT_EQ(v.shown[kSize], 1);  // 0.0 below the range
    EXPECT_EQ(v.shown[kCount], 1000);
    EXPECT_EQ(v.resolutionSelection, -1);
    for (size_t i : ConfigDialogSettings()) {
        if (kSettings[i].kind == SettingKind::Flag) {
            EXPECT_EQ(v.shown[i], 0) << kSettings[i].option;
        }
    }

    SettingsFromControls(v, s);
    EXPECT_EQ(Bits(s.outwardSpeed), Bits(37.0f));
    EXPECT_EQ(Bits(s.pulseRate), Bits(1.0f));
    EXPECT_EQ(Bits(s.pulseObjectSize), 0x3DCCCCCDu);  // the float nearest 0.1
    EXPECT_EQ(s.pulseObjectCount, 1000);
    EXPECT_EQ(s.resolutionIndex, -1);

    // Both ends of every range, and the rounding of the size to tenths.
    s.outwardSpeed = 4.99f;
    s.pulseRate = 10000.9f;
    s.pulseObjectSize = 0.34f;
    s.pulseObjectCount = -3;
    s.resolutionIndex = 6;
    v = ControlsFromSettings(s);
    EXPECT_EQ(v.shown[kSpeed], 5);
    EXPECT_EQ(v.shown[kRate], 10000);
    EXPECT_EQ(v.shown[kSize], 3);
    EXPECT_EQ(v.shown[kCount], 1);
    EXPECT_EQ(v.resolutionSelection, -1);
    s.outwardSpeed = 90.99f;
    s.pulseObjectSize = 0.36f;
    s.resolutionIndex = -1;
    v = ControlsFromSettings(s);
    EXPECT_EQ(v.shown[kSpeed], 90);
    EXPECT_EQ(v.shown[kSize], 4);
    EXPECT_EQ(v.resolutionSelection, -1);
}

TEST(ConfigControls, HandEditedFloatsThatAreNoNumbersShowARangeEnd) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    SaverSettings s = Defaults();
    s.outwardSpeed = nan;
    s.pulseRate = inf;
    s.pulseObjectSize = -inf;
    ConfigControlValues v = ControlsFromSettings(s);
    EXPECT_EQ(v.shown[kSpeed], 5);
    EXPECT_EQ(v.shown[kRate], 10000);
    EXPECT_EQ(v.shown[kSize], 1);
    s.outwardSpeed = 3e38f;
    s.pulseRate = -3e38f;
    s.pulseObjectSize = 3e38f;
    s.pulseObjectCount = std::numeric_limits<int32_t>::min();
    v = ControlsFromSettings(s);
    EXPECT_EQ(v.shown[kSpeed], 90);
    EXPECT_EQ(v.shown[kRate], 1);
    EXPECT_EQ(v.shown[kSize], 100);
    EXPECT_EQ(v.shown[kCount], 1);
}

TEST(ConfigControls, FlagsAreStoredAsZeroOrOneAndOtherFieldsAreKept) {
    SaverSettings s;
    std::memset(static_cast<void*>(&s), 0xA5, sizeof s);  // every field a pattern, flags non-zero
    s.extraSaturation = 7;
    s.pulseRotate = -1;
    s.fluctuateTunnelSpeed = 0;
    const SaverSettings before = s;
    ConfigControlValues v = ControlsFromSettings(s);
    EXPECT_EQ(v.shown[Index("saturation")], 1);
    EXPECT_EQ(v.shown[Index("fluctuate")], 0);
    EXPECT_EQ(v.shown[Index("rotate")], 1);
    SettingsFromControls(v, s);
    EXPECT_EQ(s.extraSaturation, 1);
    EXPECT_EQ(s.fluctuateTunnelSpeed, 0);
    EXPECT_EQ(s.radialBlur, 1);
    EXPECT_EQ(s.limitFrameRate, 1);
    EXPECT_EQ(s.pulseSquiggle, 1);
    EXPECT_EQ(s.pulseRotate, 1);

    // Only the fields the dialog edits differ from the pattern: the
    // resolution and the field of each setting with a control.
    std::vector<size_t> edited = {offsetof(SaverSettings, resolutionIndex)};
    for (size_t i : ConfigDialogSettings()) {
        const SettingSpec& setting = kSettings[i];
        const void* field = setting.intField ? static_cast<const void*>(&(s.*setting.intField))
                                             : static_cast<const void*>(&(s.*setting.floatField));
        edited.push_back(static_cast<size_t>(static_cast<const unsigned char*>(field) -
                                             reinterpret_cast<const unsigned char*>(&s)));
    }
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&s);
    for (size_t offset = 0; offset < sizeof s; ++offset) {
        bool inEdited = false;
        for (size_t e : edited) inEdited = inEdited || (offset >= e && offset < e + 4);
        if (!inEdited) {
            ASSERT_EQ(a[offset], b[offset]) << "byte " << offset;
        }
    }
}

TEST(ConfigControls, PositionsOutsideARangeAreNeverStored) {
    SaverSettings s = Defaults();
    ConfigControlValues v = ControlsFromSettings(s);
    v.shown[kSpeed] = 0;
    v.shown[kRate] = 20000;
    v.shown[kSize] = 101;
    v.shown[kCount] = -5;
    SettingsFromControls(v, s);
    EXPECT_EQ(s.outwardSpeed, 5.0f);
    EXPECT_EQ(s.pulseRate, 10000.0f);
    EXPECT_EQ(Bits(s.pulseObjectSize), Bits(10.0f));
    EXPECT_EQ(s.pulseObjectCount, 1);
}

}  // namespace
