#include "video/texture_upload.h"

// No capture source delivers frames in this build yet, so there is never a
// new frame to take over.
void UploadVideoFrame() {}
