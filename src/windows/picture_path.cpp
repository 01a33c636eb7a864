// The picture on Windows: lumox.bmp in the Windows directory, where the
// installer puts it. Relies on: windowsDirectory.
#include "platform/picture_path.h"

#include "settings/settings.h"

void BuildPicturePath(char* out, size_t outSize) { BuildSettingsPath(out, outSize, kPictureFileName); }
