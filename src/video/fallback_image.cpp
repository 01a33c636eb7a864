#include "video/fallback_image.h"

#include "host/gl_window.h"
#include "host/settings.h"
#include "video/bitmap_reader.h"
#include "video/picture_path.h"
#include "video/texture_upload.h"

namespace {
std::string picturePathOverride;
}  // namespace

void OverridePicturePath(const std::string& path) { picturePathOverride = path; }

int LoadFallbackImage() {
    textureFilterMode = saverSettings.textureFilter;
    if (LoadImageTexture() == 1) return 1;
    ShowError("Image load failed.");
    return 0;
}

int LoadImageTexture() {
    // Room for the whole directory buffer and the file name: never cut.
    char path[kWindowsDirectorySize + 16];
    BuildPicturePath(path, sizeof path);
    if (!OpenImageFile(picturePathOverride.empty() ? path : picturePathOverride.c_str())) return 0;

    // The picture's own texture is clamped at its edges, and sampled as the
    // setting asks; video frames later use the setting's plain mode.
    const int32_t remembered = textureFilterMode;
    textureFilterMode = remembered ? 2 : 3;
    int result = 0;
    ImageRecord* image = GetBMPFromBuffer(0, 0);
    if (image) {
        const int32_t name = CreateTextureFromImage(*image);
        FreeImageRecord(image);
        // Name 0 means the padded copy could not be made: no picture.
        if (name != 0) {
            pictureTexture = name;
            result = 1;
        }
    }
    CloseImageFile();
    textureFilterMode = remembered;
    return result;
}
