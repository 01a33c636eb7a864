#include "render/tunnel.h"

#include "common/gl.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "render/frame.h"
#include "render/screen_copy.h"
#include "scene/animation.h"

#include <cmath>

float TunnelEnlargement() {
    const float speed = saverSettings.outwardSpeed;
    if (!saverSettings.fluctuateTunnelSpeed) return speed;
    // frameTime reaches 2^32 ms: single precision would make the swing jump.
    return static_cast<float>(speed * (2.0 + std::sin(static_cast<double>(frameTime) * 0.001)));
}

namespace {

// Whether a cleared colour buffer is black in every channel, alpha included.
bool ClearsToBlack() {
    GLfloat clear[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    return clear[0] == 0.0f && clear[1] == 0.0f && clear[2] == 0.0f && clear[3] == 0.0f;
}

}  // namespace

void DrawTunnel() {
    if (feedbackTexture == -1) return;
    const float w = static_cast<float>(renderWindow.viewportWidth);
    const float h = static_cast<float>(renderWindow.viewportHeight);

    BeginOrtho();
    // src + dst * (1 - src): an exact copy on the cleared buffer; the second
    // layer pushes mid-tones toward full intensity.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_RECTANGLE);
    glBindTexture(GL_TEXTURE_RECTANGLE, static_cast<GLuint>(feedbackTexture));

    const float d = TunnelEnlargement();
    // Margins cut from each side: equal fractions of the picture on 4:3.
    const float mx = d * w * 0.0015625f;
    const float my = d * (h / w) * h * 0.0020833334f;

    // On black, src + dst * (1 - src) is src itself: the first layer may as
    // well be drawn without blending, which spares reading every pixel back.
    const bool firstUnblended = frameSavings && ClearsToBlack();
    const int layers = saverSettings.extraSaturation ? 2 : 1;
    for (int layer = 0; layer < layers; ++layer) {
        const float v = layer == 0 ? 1.0f : 0.04f;
        if (firstUnblended && layer == 0) glDisable(GL_BLEND);
        if (firstUnblended && layer == 1) glEnable(GL_BLEND);
        glColor4f(v, v, v, 1.0f);
        // Row 0 of the copy is the bottom of the screen, y = 0 the top.
        glBegin(GL_QUADS);
        EmitInsetScreenQuad(w, h, mx, my);
        glEnd();
    }

    glDisable(GL_TEXTURE_RECTANGLE);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    EndOrtho();
    glColor4f(baseBrightness, baseBrightness, baseBrightness, 1.0f);
}
