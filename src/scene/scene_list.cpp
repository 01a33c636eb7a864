#include "scene/scene_list.h"

#include "common/gl.h"
#include "settings/settings.h"
#include "scene/animation.h"

#include <cmath>
#include <cstdlib>

namespace {

// Reverses the chain in place and returns the new head.
SceneNode* Reverse(SceneNode* head) {
    SceneNode* reversed = nullptr;
    while (head) {
        SceneNode* next = head->next;
        head->next = reversed;
        reversed = head;
        head = next;
    }
    return reversed;
}

// The quad in the node's z = 0 plane; seen from local +Z it runs clockwise,
// so that side is the back face.
void EmitQuad(float hw, float hh) {
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(-hw, -hh, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(-hw, hh, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(hw, hh, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(hw, -hh, 0.0f);
    glEnd();
}

}  // namespace

void AddSceneNode(const SceneNode& node) {
    auto* copy = static_cast<SceneNode*>(std::malloc(sizeof(SceneNode)));
    if (!copy) return;
    *copy = node;
    copy->next = nullptr;
    if (!sceneList) {
        sceneList = copy;
    } else {
        sceneState.sceneListTail->next = copy;
    }
    sceneState.sceneListTail = copy;
}

void DrawSceneNode(const SceneNode& node) {
    glLoadIdentity();
    glTranslatef(node.x, node.y, node.z);
    glRotatef(node.rotX, 1.0f, 0.0f, 0.0f);
    glRotatef(node.rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(node.rotZ, 0.0f, 0.0f, 1.0f);

    if (node.noDepthWrite) glDepthMask(GL_FALSE);
    if (node.blendSrc != -1) {
        const int32_t dst = node.blendDst != -1 ? node.blendDst : node.blendSrc;
        glBlendFunc(static_cast<GLenum>(node.blendSrc), static_cast<GLenum>(dst));
        glEnable(GL_BLEND);
    }
    if (node.alphaFunc != -1) {
        glAlphaFunc(static_cast<GLenum>(node.alphaFunc), 0.0f);
        glEnable(GL_ALPHA_TEST);
    }

    // The brightness pulse; its argument grows with the uptime, so the sine
    // is taken in double precision.
    const double phase = static_cast<double>(saverSettings.pulseRate) * 0.0001 * static_cast<double>(frameTime);
    const float f = static_cast<float>(0.4 + 0.2 * std::sin(phase));
    glColor4f(f, f, f, 1.0f);

    glEnable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(node.frontTexture));
    glCullFace(GL_BACK);
    EmitQuad(node.halfWidth, node.halfHeight);
    if (node.backTexture != -1) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(node.backTexture));
    glCullFace(GL_FRONT);
    EmitQuad(node.halfWidth, node.halfHeight);
    glDisable(GL_CULL_FACE);
    glColor4f(baseBrightness, baseBrightness, baseBrightness, 1.0f);

    if (node.blendSrc != -1) glDisable(GL_BLEND);
    if (node.alphaFunc != -1) glDisable(GL_ALPHA_TEST);
    if (node.noDepthWrite) glDepthMask(GL_TRUE);
}

void DrawSceneList(int freeAfterDraw) {
    if (!sceneList) return;
    // Last added first: walk the chain reversed. Reversing in place needs
    // no memory; the kept list is turned back afterwards.
    SceneNode* reversed = Reverse(sceneList);
    if (freeAfterDraw) {
        sceneList = nullptr;
        sceneState.sceneListTail = nullptr;
        while (reversed) {
            SceneNode* next = reversed->next;
            DrawSceneNode(*reversed);
            std::free(reversed);
            reversed = next;
        }
        return;
    }
    for (const SceneNode* node = reversed; node; node = node->next) DrawSceneNode(*node);
    sceneState.sceneListTail = reversed;
    sceneList = Reverse(reversed);
}

void FreeSceneList() {
    while (sceneList) {
        SceneNode* next = sceneList->next;
        std::free(sceneList);
        sceneList = next;
    }
    sceneState.sceneListTail = nullptr;
}
