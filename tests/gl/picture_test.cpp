// The still picture from file to texture, with bitmaps written by
// ImageMagick (/usr/bin/convert) at test time, and the messages on stderr.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "temp_dir.h"
#include "app/run_record.h"
#include "common/gl.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "video/fallback_image.h"
#include "video/texture_upload.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The colour of pixel (x, y), y = 0 the top row, of the test pictures.
unsigned char Channel(int x, int y, int c) { return static_cast<unsigned char>(c == 0 ? 20 + x * 2 : c == 1 ? 30 + y * 4 : (x * 31 + y * 17) % 256); }

void WritePpm(const std::filesystem::path& path, int w, int h) {
    Bytes file;
    const std::string header = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    file.assign(header.begin(), header.end());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) file.push_back(Channel(x, y, c));
    WriteAll(path, file);
}

int Convert(const std::string& arguments) {
    const std::string command = "/usr/bin/convert " + arguments + " 2>/dev/null";
    return std::system(command.c_str());
}

uint32_t Field(const Bytes& file, size_t offset, int count = 4) {
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i) v = (v << 8) | file.at(offset + i);
    return v;
}

struct Texture {
    GLint width = 0, height = 0;
    Bytes texels;
};

Texture ReadPicture() {
    Texture t;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(pictureTexture));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.height);
    t.texels.assign(static_cast<size_t>(t.width) * t.height * 4, 0xCD);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!t.texels.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.texels.data());
    return t;
}

GLint Parameter(GLenum which) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(pictureTexture));
    glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
    return value;
}

class Picture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRun();
        ResetSettingsState();
        OverrideSettingsDirectory(dirText.c_str());
        RefreshSettingsDirectory();
        saverSettings.textureFilter = 1;
        ASSERT_EQ(CreateOffscreenGLWindow(64, 64, 32), 1);
    }
    void TearDown() override {
        DestroyGLWindow();
        OverrideSettingsDirectory(nullptr);
        ResetSettingsState();
        ResetRun();
    }

    std::filesystem::path picture() const { return dir.path() / "lumox.bmp"; }

    // A w x h test picture written by ImageMagick as lumox.bmp.
    void MakePicture(int w, int h, const std::string& format = "-type TrueColor BMP3:") {
        WritePpm(dir.path() / "in.ppm", w, h);
        ASSERT_EQ(Convert((dir.path() / "in.ppm").string() + " " + format + picture().string()), 0);
    }

    // LoadFallbackImage with its stderr.
    int Load(std::string& errors) {
        testing::internal::CaptureStderr();
        const int result = LoadFallbackImage();
        errors = testing::internal::GetCapturedStderr();
        return result;
    }

    TempDir dir;
    const std::string dirText = dir.str();  // outlives the override
};

}  // namespace

TEST_F(Picture, ImageMagickBitmapsBecomeTheirTexelsTopRowFirst) {
    const int sizes[][2] = {{1, 1}, {2, 2}, {3, 5}, {100, 50}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        saverRun.textures = TextureNames{};
        MakePicture(w, h);
        const Bytes file = ReadAll(picture());
        ASSERT_EQ(Field(file, 14), 40u);
        ASSERT_EQ(Field(file, 28, 2), 24u);

        std::string errors;
        ASSERT_EQ(Load(errors), 1);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(pictureTexture, 1);  // the first texture of the run
        const Texture t = ReadPicture();
        ASSERT_EQ(t.width, NextPowerOfTwo(w));
        ASSERT_EQ(t.height, NextPowerOfTwo(h));
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x) {
                const unsigned char* got = &t.texels[(static_cast<size_t>(y) * t.width + x) * 4];
                const bool inside = x < w && y < h;
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(got[c], inside ? Channel(x, y, c) : 0) << x << "," << y << " channel " << c;
                ASSERT_EQ(got[3], inside ? 255 : 0) << x << "," << y;
            }
    }
}

TEST_F(Picture, OtherVariantsAndBrokenFilesGiveOnlyImageLoadFailed) {
    struct Variant {
        const char* what;
        std::string convert;   // ImageMagick arguments before the output
        size_t offset;         // a field that shows the variant was made
        int count;
        uint32_t value;
    };
    const std::string in = (dir.path() / "in.ppm").string();
    const std::string plasma = "-size 32x32 plasma:fractal -colors 200";
    const Variant variants[] = {
        {"124-byte header", in + " BMP:", 14, 4, 124},
        {"108-byte header", in + " -intent Undefined BMP:", 14, 4, 108},
        {"32-bit", "-size 8x4 'xc:rgba(255,0,0,0.5)' -define bmp3:alpha=true BMP3:", 28, 2, 32},
        {"RLE", plasma + " -type Palette -compress RLE BMP3:", 30, 4, 1},
        {"8-bit palette", plasma + " -type Palette BMP3:", 28, 2, 8},
        {"16-colour palette", "-size 16x16 gradient:red-blue -type Palette BMP3:", 46, 4, 16},
    };
    WritePpm(in, 6, 4);
    for (const auto& v : variants) {
        SCOPED_TRACE(v.what);
        ASSERT_EQ(Convert(v.convert + picture().string()), 0);
        ASSERT_EQ(Field(ReadAll(picture()), v.offset, v.count), v.value);
        std::string errors;
        EXPECT_EQ(Load(errors), 0);
        EXPECT_EQ(errors, "lumox: Image load failed.\n");
        EXPECT_EQ(nextTextureName, 1);
        EXPECT_EQ(pictureTexture, 0);
        EXPECT_EQ(textureFilterMode, 1);
    }

    // A valid file made top-down (negative height), and cut short.
    MakePicture(6, 4);
    const Bytes good = ReadAll(picture());
    Bytes topDown = good;
    const int32_t minusFour = -4;  // little-endian, as the file
    std::memcpy(topDown.data() + 22, &minusFour, 4);
    const std::pair<const char*, Bytes> broken[] = {
        {"top-down", topDown},
        {"one byte short", Bytes(good.begin(), good.end() - 1)},
        {"header only", Bytes(good.begin(), good.begin() + 54)},
        {"cut in the header", Bytes(good.begin(), good.begin() + 30)},
        {"empty", Bytes()},
    };
    for (const auto& b : broken) {
        SCOPED_TRACE(b.first);
        WriteAll(picture(), b.second);
        std::string errors;
        EXPECT_EQ(Load(errors), 0);
        EXPECT_EQ(errors, "lumox: Image load failed.\n");
        EXPECT_EQ(nextTextureName, 1);
    }
}

TEST_F(Picture, ADirectoryOrAFifoIsRefusedAsAnInvalidFileIs) {
    std::filesystem::create_directory(picture());
    std::string errors;
    EXPECT_EQ(Load(errors), 0);
    EXPECT_EQ(errors, "lumox: Image load failed.\n");
    std::filesystem::remove(picture());

    ASSERT_EQ(mkfifo(picture().c_str(), 0644), 0);
    // Held open at both ends here, so that an open waiting for a writer
    // cannot hang the test.
    const int keeper = open(picture().c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_NE(keeper, -1);
    EXPECT_EQ(Load(errors), 0);
    EXPECT_EQ(errors, "lumox: Image load failed.\n");
    EXPECT_EQ(nextTextureName, 1);
    close(keeper);
}

TEST_F(Picture, AMissingPictureNamesItsPath) {
    if (std::filesystem::exists(LUMOX_DATA_DIR "/lumox/lumox.bmp")) GTEST_SKIP() << "a default picture is installed";
    std::string errors;
    EXPECT_EQ(Load(errors), 0);
    EXPECT_EQ(errors, "lumox: Open for " + picture().string() + " failed\n\nlumox: Image load failed.\n");
    EXPECT_EQ(textureFilterMode, 1);
}

TEST_F(Picture, ThePictureIsClampedAndFilteredAsTheSettingSays) {
    MakePicture(3, 5);
    for (int32_t filter : {0, 1, 7}) {
        SCOPED_TRACE(filter);
        saverSettings.textureFilter = filter;
        std::string errors;
        ASSERT_EQ(Load(errors), 1);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
        EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_CLAMP);
        const GLint expected = filter ? GL_LINEAR : GL_NEAREST;
        EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), expected);
        EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), expected);
        EXPECT_EQ(textureFilterMode, filter);
    }
    // Video frames go into the same texture with the setting's plain mode:
    // the picture's clamp stays.
    saverSettings.textureFilter = 0;
    std::string errors;
    ASSERT_EQ(Load(errors), 1);
    Bytes frame(256 * 256 * 4, 9);
    ASSERT_EQ(UploadTexture(frame.data(), 256, 256, pictureTexture), pictureTexture);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
}
