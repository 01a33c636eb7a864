// The picture decoder on Windows: none. The Windows saver reads its picture
// with the bitmap reader alone, as it always has; implements
// picture_decoder.h by declining every picture.
#include "platform/picture_decoder.h"

bool DecodePicture(const unsigned char*, size_t, const PictureRoom&) { return false; }

bool LooksLikePicture(const unsigned char*, size_t) { return false; }
