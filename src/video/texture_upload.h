// Moving captured video frames into the picture texture.
#pragma once

// Copies the newest captured frame into the picture texture when a new one
// has arrived; otherwise does nothing. Render thread only.
void UploadVideoFrame();
