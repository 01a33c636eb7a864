// The resources of lumox.scr as Windows reads them: icon 102 with its 16, 32
// and 48 pixel images, the same images as the build's lumox.ico, the name
// the Screen Saver list shows and the project's version.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "lumox_version.h"
#include "test_files.h"

namespace {

const int kIconSizes[] = {16, 32, 48};

uint16_t Word(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Dword(const unsigned char* p) { return Word(p) | static_cast<uint32_t>(Word(p + 2)) << 16; }

class ScrResources : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ScrPath().empty()) << "LUMOX_SCR names lumox.scr";
        module = LoadLibraryExA(ScrPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(module) << ScrPath();
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::vector<unsigned char> Resource(LPCSTR type, LPCSTR name) {
        HRSRC found = FindResourceA(module, name, type);
        if (!found) return {};
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
        return data ? std::vector<unsigned char>(data, data + SizeofResource(module, found))
                    : std::vector<unsigned char>();
    }
    HMODULE module = nullptr;
};

// The icon group 102 lists exactly the three sizes, 32 bits each, and
// Windows hands out an image of each size unscaled.
TEST_F(ScrResources, Icon102HoldsSixteenThirtyTwoAndFortyEightPixels) {
    const std::vector<unsigned char> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(102));
    ASSERT_GE(group.size(), 6u) << "no icon group 102 in lumox.scr";
    EXPECT_EQ(Word(&group[0]), 0);
    EXPECT_EQ(Word(&group[2]), 1);  // icons
    const unsigned count = Word(&group[4]);
    ASSERT_EQ(count, 3u);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::map<int, std::vector<unsigned char>> images;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char* entry = &group[6 + 14 * i];
        EXPECT_EQ(entry[0], entry[1]) << "a square image";
        EXPECT_EQ(Word(entry + 6), 32) << "bits per pixel";
        images[entry[0]] = Resource(RT_ICON, MAKEINTRESOURCEA(Word(entry + 12)));
        EXPECT_EQ(images[entry[0]].size(), Dword(entry + 8));
    }
    for (int size : kIconSizes) {
        SCOPED_TRACE(size);
        ASSERT_EQ(images.count(size), 1u);

        HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(102), IMAGE_ICON, size, size, 0));
        ASSERT_TRUE(icon);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof bitmap, &bitmap));
        EXPECT_EQ(bitmap.bmWidth, size);
        EXPECT_EQ(bitmap.bmHeight, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_TRUE(LoadIconA(module, MAKEINTRESOURCEA(102)));
}

// The build's lumox.ico, read by its directory: three 32-bit images of 16,
// 32 and 48 pixels inside the file, each a 40-byte header with colour image
// and mask, and byte for byte the images lumox.scr carries.
TEST_F(ScrResources, IconFileDirectoryMatchesTheResource) {
    std::vector<unsigned char> file;
    ASSERT_TRUE(ReadFileBytes(PathFromEnvironment("LUMOX_ICON"), file)) << "LUMOX_ICON names lumox.ico";
    ASSERT_GE(file.size(), 6u);
    EXPECT_EQ(Word(&file[0]), 0);
    EXPECT_EQ(Word(&file[2]), 1);
    const unsigned count = Word(&file[4]);
    ASSERT_EQ(count, 3u);
    ASSERT_GE(file.size(), 6u + 16u * count);

    const std::vector<unsigned char> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(102));
    ASSERT_EQ(group.size(), 6u + 14u * count);
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char* entry = &file[6 + 16 * i];
        const int size = entry[0];
        SCOPED_TRACE(size);
        EXPECT_EQ(size, kIconSizes[i]);
        EXPECT_EQ(entry[1], size);
        EXPECT_EQ(Word(entry + 4), 1) << "planes";
        EXPECT_EQ(Word(entry + 6), 32) << "bits per pixel";
        const uint32_t bytes = Dword(entry + 8), offset = Dword(entry + 12);
        ASSERT_LE(offset, file.size());
        ASSERT_LE(bytes, file.size() - offset);
        const uint32_t maskStride = (size + 31) / 32 * 4;
        ASSERT_EQ(bytes, 40u + size * size * 4u + maskStride * size);
        const unsigned char* header = &file[offset];
        EXPECT_EQ(Dword(header), 40u);
        EXPECT_EQ(static_cast<int32_t>(Dword(header + 4)), size);
        EXPECT_EQ(static_cast<int32_t>(Dword(header + 8)), 2 * size) << "colour image and mask";
        EXPECT_EQ(Word(header + 14), 32);
        EXPECT_EQ(Dword(header + 16), 0u) << "uncompressed";

        const unsigned char* resourceEntry = &group[6 + 14 * i];
        EXPECT_EQ(resourceEntry[0], size);
        const std::vector<unsigned char> image = Resource(RT_ICON, MAKEINTRESOURCEA(Word(resourceEntry + 12)));
        ASSERT_EQ(image.size(), bytes);
        EXPECT_EQ(std::memcmp(image.data(), &file[offset], bytes), 0);
    }
}

TEST_F(ScrResources, String1IsTheNameTheScreenSaverListShows) {
    char name[64] = {};
    EXPECT_EQ(LoadStringA(module, 1, name, sizeof name), 5);
    EXPECT_STREQ(name, "Lumox");
}

// The version resource carries the project's version, as numbers and as
// the text Explorer shows.
TEST(ScrVersion, IsTheProjectVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(ScrPath().c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in " << ScrPath();
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(ScrPath().c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const unsigned version[4] = {LUMOX_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, version[0] << 16 | version[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, version[2] << 16 | version[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    for (const char* key : {"FileVersion", "ProductVersion"}) {
        char* text = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904E4\\") + key;
        ASSERT_TRUE(VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) << key;
        EXPECT_STREQ(text, LUMOX_VERSION) << key;
    }
}

}  // namespace
