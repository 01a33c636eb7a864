// The bitmap reader's file half on this platform's file access: binary
// reads, missing files, directories and empty files.
#include <gtest/gtest.h>

#include <vector>

#include "bitmap_bytes.h"
#include "temp_dir.h"
#include "video/bitmap_reader.h"

namespace {

using T = std::vector<unsigned char>;

class BitmapFile : public ::testing::Test {
protected:
    void TearDown() override { CloseImageFile(); }
    TempDir dir;
};

TEST_F(BitmapFile, ReadsTheWholeFileAsBinary) {
    // Bytes a text-mode read would change: CR LF, and ^Z (end of file).
    Bytes file = Header(2, 1);
    Append(file, {0x0D, 0x0A, 0x1A, 0x0A, 0x0D, 0x1A, 0, 0});
    const auto path = dir.path() / "lumox.bmp";
    WriteAll(path, file);
    ASSERT_EQ(OpenImageFile(path.string().c_str()), 1);
    Record image(GetBMPFromBuffer(0, 0));
    ASSERT_TRUE(image);
    EXPECT_EQ(Texel(*image, 0, 0), (T{0x1A, 0x0A, 0x0D, 255}));
    EXPECT_EQ(Texel(*image, 1, 0), (T{0x1A, 0x0D, 0x0A, 255}));
    // A size beyond the file is cut to it; a second read replaces the first.
    Record again(GetBMPFromBuffer(0, 1 << 20));
    ASSERT_TRUE(again);
    EXPECT_EQ(Texel(*again, 1, 0), (T{0x1A, 0x0D, 0x0A, 255}));
    // Fewer bytes than the rows need: refused.
    EXPECT_FALSE(Record(GetBMPFromBuffer(0, static_cast<int32_t>(file.size()) - 1)));
    EXPECT_FALSE(Record(GetBMPFromBuffer(-1, 0)));
}

TEST_F(BitmapFile, WithoutAnOpenFileNothingIsRead) {
    EXPECT_EQ(GetBMPFromBuffer(0, 0), nullptr);
    const auto missing = dir.path() / "missing.bmp";
    EXPECT_EQ(OpenImageFile(missing.string().c_str()), 0);
    EXPECT_EQ(GetBMPFromBuffer(0, 0), nullptr);
    EXPECT_EQ(OpenImageFile(dir.str().c_str()), 0);  // a directory
    EXPECT_EQ(GetBMPFromBuffer(0, 0), nullptr);
    CloseImageFile();
    CloseImageFile();
}

TEST_F(BitmapFile, AnEmptyFileIsRefused) {
    const auto path = dir.path() / "empty.bmp";
    WriteAll(path, {});
    ASSERT_EQ(OpenImageFile(path.string().c_str()), 1);
    EXPECT_EQ(GetBMPFromBuffer(0, 0), nullptr);
}

}  // namespace
