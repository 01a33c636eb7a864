#include "video/fallback_image.h"

#include "platform/gl_window.h"
#include "settings/settings.h"
#include "video/bitmap_reader.h"
#include "video/picture_file.h"
#include "platform/picture_path.h"
#include "video/texture_upload.h"

namespace {
// A texture of image for pictureTexture: clamped at its edges and sampled
// as the setting asks (video frames later use the setting's plain mode).
// 1 when made.
int MakePictureTexture(const ImageRecord& image) {
    const int32_t remembered = textureFilterMode;
    textureFilterMode = remembered ? 2 : 3;
    const int32_t name = CreateTextureFromImage(image);
    textureFilterMode = remembered;
    // Name 0 means the padded copy could not be made: no picture.
    if (name == 0) return 0;
    pictureTexture = name;
    return 1;
}

// lumox.bmp, through the bitmap reader alone.
ImageRecord* ReadOwnPicture() {
    // Room for the whole directory buffer and the file name: never cut.
    char path[kWindowsDirectorySize + 16];
    BuildPicturePath(path, sizeof path);
    if (!OpenImageFile(path)) return nullptr;
    ImageRecord* image = GetBMPFromBuffer(0, 0);
    CloseImageFile();
    return image;
}
}  // namespace

void OverridePicturePath(const std::string& path, uint32_t folderSeed) {
    stillPicture.picturePathOverride = path;
    stillPicture.folderSeed = folderSeed;
}

int LoadFallbackImage() {
    textureFilterMode = saverSettings.textureFilter;
    if (LoadImageTexture() == 1) return 1;
    ShowError("Image load failed.");
    return 0;
}

int LoadImageTexture() {
    const std::string& given = stillPicture.picturePathOverride;
    ImageRecord* image = given.empty() ? ReadOwnPicture() : ReadGivenPicture(given, stillPicture.folderSeed);
    if (!image) return 0;
    FreeImageRecord(stillPicture.keptPicture);
    stillPicture.keptPicture = image;
    return MakePictureTexture(*image);
}

int ShowPictureAgain() {
    return stillPicture.keptPicture ? MakePictureTexture(*stillPicture.keptPicture) : 0;
}
