// Tells the render passes that the viewport changed size after the render
// window was opened, so that what they keep at the viewport's size (the
// screen-copy textures) can be made again.
#pragma once

// Called on the render thread, with the context current, after
// ResizeGLScene has set the new viewport of width x height pixels. Not
// called for the first size set when the window opens.
void OnViewportResized(int width, int height);
