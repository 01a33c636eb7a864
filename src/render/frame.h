// Composition of one frame into the back buffer.
#pragma once

// Draws the whole frame; the caller swaps the buffers.
void RenderFrame();
