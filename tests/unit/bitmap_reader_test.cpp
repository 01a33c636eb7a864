// The bitmap reader on hand-made bitmaps in memory: the layout rules, the
// row order and stride, and files that lie about their size. (Reading them
// from files is tested in tests/platform/bitmap_file_test.cpp, files written
// by ImageMagick in tests/gl/picture_test.cpp.)
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bitmap_bytes.h"
#include "video/bitmap_reader.h"

namespace {

// The 2 x 2 picture: stored rows (bottom) blue, green and (top) red, white,
// each made up from 6 to 8 bytes.
Bytes TwoByTwo() {
    Bytes file = Header(2, 2);
    Append(file, {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0xEE, 0xEE});
    Append(file, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xEE, 0xEE});
    return file;
}

// A width x height file whose pixel bytes count up from 0 (padding too).
Bytes Counting(int32_t width, int32_t height) {
    Bytes file = Header(width, height);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    for (size_t i = 0; i < stride * static_cast<size_t>(height); ++i) file.push_back(static_cast<unsigned char>(i));
    return file;
}

using T = std::vector<unsigned char>;

}  // namespace

TEST(BitmapReader, TwoByTwoComesTopRowFirstInRgbaOpaque) {
    Record image = Load(TwoByTwo());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(Texel(*image, 0, 0), (T{255, 0, 0, 255}));      // red
    EXPECT_EQ(Texel(*image, 1, 0), (T{255, 255, 255, 255}));  // white
    EXPECT_EQ(Texel(*image, 0, 1), (T{0, 0, 255, 255}));      // blue
    EXPECT_EQ(Texel(*image, 1, 1), (T{0, 255, 0, 255}));      // green
}

TEST(BitmapReader, RowsOfThreePixelsAreTwelveBytesApart) {
    // Stored row s starts at 54 + 12 s; record row k is stored row 1 - k.
    Record image = Load(Counting(3, 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(Texel(*image, 0, 0), (T{14, 13, 12, 255}));
    EXPECT_EQ(Texel(*image, 2, 0), (T{20, 19, 18, 255}));
    EXPECT_EQ(Texel(*image, 0, 1), (T{2, 1, 0, 255}));
    EXPECT_EQ(Texel(*image, 2, 1), (T{8, 7, 6, 255}));
}

TEST(BitmapReader, PixelsAreReadFromByteFiftyFourWhateverTheOffsetField) {
    Bytes file = TwoByTwo();
    Put(file, 10, 1000);
    Record image = Load(file);
    ASSERT_TRUE(image);
    EXPECT_EQ(Texel(*image, 0, 0), (T{255, 0, 0, 255}));
}

TEST(BitmapReader, EachHeaderRuleRefusesTheFile) {
    ASSERT_TRUE(Load(TwoByTwo()));
    const struct {
        const char* what;
        size_t offset;
        uint32_t value;
        int count;
    } breaks[] = {
        {"signature B", 0, 'b', 1},    {"signature M", 1, 'A', 1},
        {"12-byte header", 14, 12, 4}, {"108-byte header", 14, 108, 4},
        {"124-byte header", 14, 124, 4}, {"32 bits", 28, 32, 2},
        {"8 bits", 28, 8, 2},          {"RLE8", 30, 1, 4},
        {"bit fields", 30, 3, 4},      {"colours used", 46, 1, 4},
        {"important colours", 50, 1, 4},
    };
    for (const auto& b : breaks) {
        Bytes file = TwoByTwo();
        Put(file, b.offset, b.value, b.count);
        EXPECT_FALSE(Load(file)) << b.what;
    }
}

TEST(BitmapReader, ZeroNegativeAndTopDownSizesAreRefused) {
    const int32_t sizes[][2] = {{0, 2}, {2, 0}, {-2, 2}, {2, -2}, {INT32_MIN, 2}, {2, INT32_MIN}};
    for (const auto& s : sizes) {
        Bytes file = TwoByTwo();
        Put(file, 18, static_cast<uint32_t>(s[0]));
        Put(file, 22, static_cast<uint32_t>(s[1]));
        EXPECT_FALSE(Load(file)) << s[0] << " x " << s[1];
    }
}

TEST(BitmapReader, EveryTruncationIsRefused) {
    const Bytes whole = Counting(5, 3);  // rows of 16 bytes: 54 + 48
    ASSERT_TRUE(Load(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        // An exact-size copy, so a read past it is a sanitizer report.
        std::unique_ptr<unsigned char[]> copy(new unsigned char[length + 1]);
        std::memcpy(copy.get(), whole.data(), length);
        EXPECT_EQ(LoadBMPFromMemory(copy.get(), length), nullptr) << length;
    }
    EXPECT_EQ(LoadBMPFromMemory(nullptr, 0), nullptr);
}

TEST(BitmapReader, HugeClaimedSizesAreRefusedWithoutReadingOrAllocating) {
    // Sizes whose products overflow 32 bits, or whose rows are not there.
    const int32_t sizes[][2] = {{INT32_MAX, INT32_MAX}, {0x40000000, 4}, {1, INT32_MAX}, {0x10000, 0x10000}, {3, 3}};
    for (const auto& s : sizes) {
        Bytes file = Counting(2, 2);
        Put(file, 18, static_cast<uint32_t>(s[0]));
        Put(file, 22, static_cast<uint32_t>(s[1]));
        EXPECT_FALSE(Load(file)) << s[0] << " x " << s[1];
    }
}
