#include "render/frame.h"

#include "common/gl.h"
#include "platform/gl_window.h"
#include "settings/settings.h"
#include "render/screen_copy.h"
#include "render/tunnel.h"
#include "scene/scene_list.h"

bool frameSavings = true;
FrameSavingsReport frameSavingsReport = {};

void BeginOrtho() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(renderWindow.viewportWidth), static_cast<double>(renderWindow.viewportHeight),
            0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void EndOrtho() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void RenderFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    baseBrightness = 1.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    // The blur's source: the scene objects alone on black, kept for the
    // drawing into the frame below.
    const int w = renderWindow.viewportWidth, h = renderWindow.viewportHeight;
    frameSavingsReport = FrameSavingsReport{Footprint{WholeScreen(w, h), true}, 0};
    if (saverSettings.radialBlur) {
        DrawSceneList(0);
        CaptureBlurSource();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // Outside the quads just drawn the blur source is black.
        if (frameSavings) {
            double projection[16];
            glGetDoublev(GL_PROJECTION_MATRIX, projection);
            frameSavingsReport.figure = SceneListFootprint(sceneList, projection, w, h);
        }
    }

    glDisable(GL_DEPTH_TEST);
    DrawTunnel();
    glEnable(GL_DEPTH_TEST);

    DrawSceneList(1);
    sceneList = nullptr;

    // Taken before the blur, so that the glow never feeds back into the tunnel.
    CaptureFeedback();

    if (saverSettings.radialBlur) DrawRadialBlur(frameSavingsReport.figure.box);
}
