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

    // Loads the picture and holds its texture to want(x, y, c) (within the
    // tolerance) inside the w x h picture, opaque; to transparent black
    // outside it.
    template <typename Want>
    void ExpectLoadedTexels(int w, int h, int tolerance, Want want) {
        std::string errors;
        ASSERT_EQ(Load(errors), 1);
        EXPECT_EQ(errors, "");
        const Texture t = ReadPicture();
        ASSERT_EQ(t.width, NextPowerOfTwo(w));
        ASSERT_EQ(t.height, NextPowerOfTwo(h));
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x) {
                const unsigned char* got = &t.texels[(static_cast<size_t>(y) * t.width + x) * 4];
                const bool inside = x < w && y < h;
                for (int c = 0; c < 3; ++c)
                    ASSERT_LE(std::abs(got[c] - (inside ? want(x, y, c) : 0)), tolerance)
                        << x << "," << y << " channel " << c;
                ASSERT_EQ(got[3], inside ? 255 : 0) << x << "," << y;
            }
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

        ExpectLoadedTexels(w, h, 0, [](int x, int y, int c) { return Channel(x, y, c); });
        EXPECT_EQ(pictureTexture, 1);  // the first texture of the run
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

namespace {

// What ImageMagick reads in file (its first frame, turned as its
// orientation tag says): width, height and RGBA bytes; false when it fails.
bool ImageMagickPixels(const std::string& file, int& width, int& height, Bytes& rgba) {
    const std::string source = "'" + file + "[0]' -auto-orient";
    std::FILE* size = popen(("/usr/bin/convert " + source + " -format '%w %h' info: 2>/dev/null").c_str(), "r");
    if (!size) return false;
    const bool sized = std::fscanf(size, "%d %d", &width, &height) == 2;
    pclose(size);
    if (!sized) return false;
    std::FILE* pixels = popen(("/usr/bin/convert " + source + " -depth 8 rgba:- 2>/dev/null").c_str(), "r");
    if (!pixels) return false;
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    const size_t got = std::fread(rgba.data(), 1, rgba.size(), pixels);
    pclose(pixels);
    return got == rgba.size();
}

}  // namespace

// A picture named for the run, in the formats of gdk-pixbuf, becomes the
// texels ImageMagick reads in it, laid over black (each colour times its
// alpha, rounded) and opaque: exactly for the lossless formats, within a few
// levels for JPEG, whose decoders may round their transforms differently.
TEST_F(Picture, PicturesInOtherFormatsBecomeWhatImageMagickReadsOverBlack) {
    const std::string in = (dir.path() / "in.ppm").string();
    WritePpm(in, 21, 13);  // rows of 63 bytes: gdk-pixbuf pads them to 64
    const struct {
        const char* what;
        std::string convert;  // ImageMagick arguments before the output
        const char* file;
        int tolerance;
    } formats[] = {
        {"PNG, 8-bit RGB", in + " PNG24:", "a.png", 0},
        {"PNG, opaque alpha channel", in + " -alpha set PNG32:", "a.png", 0},
        {"PNG, 16 bits a channel", in + " -depth 16 PNG48:", "a.png", 0},
        {"PNG, interlaced", in + " -interlace PNG PNG24:", "a.png", 0},
        {"PNG, grey", in + " -colorspace Gray -type Grayscale PNG:", "a.png", 0},
        {"PNG, palette", "-size 16x9 gradient:red-blue PNG8:", "a.png", 0},
        {"PNG, translucent", "-size 7x5 gradient:'rgba(255,128,0,0.1)-rgba(20,200,255,0.9)' PNG32:", "a.png", 0},
        {"GIF", "-size 16x9 gradient:red-blue ", "a.gif", 0},
        {"GIF, animated: its first frame", "-size 8x6 xc:red xc:lime -loop 0 ", "a.gif", 0},
        {"TIFF, LZW", in + " -compress LZW ", "a.tif", 0},
        {"TIFF, translucent", "-size 9x4 gradient:'rgba(0,0,255,1)-rgba(255,255,0,0.3)' -depth 8 ", "a.tif", 0},
        {"JPEG", in + " -quality 100 ", "a.jpg", 2},
        {"JPEG, orientation tag: turned upright", in + " -orient RightTop -quality 100 ", "a.jpg", 2},
    };
    for (const auto& f : formats) {
        SCOPED_TRACE(f.what);
        saverRun.textures = TextureNames{};
        const std::string file = (dir.path() / f.file).string();
        ASSERT_EQ(Convert(f.convert + file), 0);
        int w = 0, h = 0;
        Bytes expected;
        ASSERT_TRUE(ImageMagickPixels(file, w, h, expected));
        OverridePicturePath(file);
        // Each pixel over black.
        ExpectLoadedTexels(w, h, f.tolerance, [&expected, w](int x, int y, int c) {
            const unsigned char* want = &expected[(static_cast<size_t>(y) * w + x) * 4];
            return (want[c] * want[3] + 127) / 255;
        });
        std::filesystem::remove(file);
    }
}

// A PNG and the 24-bit bitmap of its pixels give the same record.
TEST_F(Picture, APngGivesTheTexelsOfTheSameBitmap) {
    MakePicture(21, 13);
    const std::string png = (dir.path() / "a.png").string();
    ASSERT_EQ(Convert(picture().string() + " " + png), 0);
    std::string errors;
    ASSERT_EQ(Load(errors), 1);
    const Texture fromBitmap = ReadPicture();
    saverRun.textures = TextureNames{};
    OverridePicturePath(png);
    ASSERT_EQ(Load(errors), 1);
    EXPECT_EQ(errors, "");
    const Texture fromPng = ReadPicture();
    EXPECT_EQ(fromPng.width, fromBitmap.width);
    EXPECT_EQ(fromPng.height, fromBitmap.height);
    EXPECT_TRUE(fromPng.texels == fromBitmap.texels);
}

// A picture named for the run that cannot be read says what lumox.bmp
// says.
TEST_F(Picture, AGivenPictureThatCannotBeReadSaysWhatLumoxBmpSays) {
    const std::string missing = (dir.path() / "none.png").string();
    const std::string text = (dir.path() / "notes.png").string();
    WriteAll(text, Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    const std::string cut = (dir.path() / "cut.png").string();
    ASSERT_EQ(Convert("-size 40x40 plasma:fractal " + cut), 0);
    const Bytes whole = ReadAll(cut);
    WriteAll(cut, Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)));
    // Bitmaps other than the bitmap reader's are refused as lumox.bmp's are.
    const std::string bitmap32 = (dir.path() / "alpha.bmp").string();
    ASSERT_EQ(Convert("-size 40x40 plasma:fractal -alpha set -define bmp3:alpha=true BMP3:" + bitmap32), 0);
    const std::string svg = (dir.path() / "a.svg").string();
    WriteAll(svg, Bytes{'<', 's', 'v', 'g', '/', '>'});
    const struct {
        std::string path;
        std::string errors;
    } cases[] = {
        {missing, "lumox: Open for " + missing + " failed\n\nlumox: Image load failed.\n"},
        {text, "lumox: Image load failed.\n"},
        {cut, "lumox: Image load failed.\n"},
        {bitmap32, "lumox: Image load failed.\n"},
        {svg, "lumox: Image load failed.\n"},  // a format not taken
        {dir.str() + "/nothing", "lumox: Open for " + dir.str() + "/nothing failed\n\nlumox: Image load failed.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        OverridePicturePath(c.path);
        std::string errors;
        EXPECT_EQ(Load(errors), 0);
        EXPECT_EQ(errors, c.errors);
        EXPECT_EQ(nextTextureName, 1);
        EXPECT_EQ(textureFilterMode, 1);
    }
}
