// The tunnel: the previous frame (feedbackTexture) redrawn over the whole
// viewport, slightly enlarged about the centre, so that whatever was drawn
// before streams outward frame after frame.
#pragma once

// Draws the tunnel; nothing at all before the first feedback copy exists.
// Called by RenderFrame on a cleared buffer, with the depth test off,
// GL_TEXTURE_2D enabled and blending off; leaves that so and the colour at
// baseBrightness.
void DrawTunnel();

// The enlargement of this frame in pixels of a 640-wide reference screen:
// outwardSpeed, or with fluctuateTunnelSpeed outwardSpeed * (2 + sin(t/1000)).
float TunnelEnlargement();
