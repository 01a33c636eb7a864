#include "video/texture_upload.h"

int32_t nextTextureName = 1;
int32_t textureFilterMode = 1;
int32_t pictureTexture = 0;
VideoFrameState videoFrameState;

// Taken over by the texture upload work: until then no capture source feeds
// frames, so there is never a new frame to take over.
void UploadVideoFrame() {}
