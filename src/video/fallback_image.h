// The still picture: read once at start-up into pictureTexture, which shows
// it until the first video frame replaces it.
#pragma once

#include <cstdint>
#include <string>

#include "video/texture_upload.h"

// The run's still picture: a part of the run record, put back at the run's
// start (the run record frees the kept picture then).
struct StillPicture {
    // The file (or folder) the run reads instead of lumox.bmp; empty:
    // lumox.bmp.
    std::string picturePathOverride;
    // Which picture of a folder the run shows (ReadGivenPicture).
    uint32_t folderSeed = 0;
    // The picture last decoded (C heap, FreeImageRecord), kept so that it
    // can take the figure back from the video without reading the file
    // again.
    ImageRecord* keptPicture = nullptr;
};
extern StillPicture& stillPicture;

// Reads the picture with the filter of the settings' textureFilter. 1 on
// success; 0 after "Image load failed." (start-up ends then).
int LoadFallbackImage();

// Builds the path, reads the file and creates the texture; 1 when a picture
// was decoded and its texture made, 0 otherwise.
int LoadImageTexture();

// Puts the picture last read back into pictureTexture (a new texture),
// without touching the file. 0 when no picture was read.
int ShowPictureAgain();

// Reads path instead of lumox.bmp from now on (an empty path: lumox.bmp
// again): a picture in any format the platform decodes, or a folder, whose
// picture folderSeed picks. A run given another picture on its command line
// sets it.
void OverridePicturePath(const std::string& path, uint32_t folderSeed = 0);
