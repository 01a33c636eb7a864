#include "scene/animation.h"

#include "common/clock.h"
#include "common/gl.h"
#include "settings/settings.h"
#include "scene/scene_list.h"
#include "video/texture_upload.h"

#include <cmath>
#include <cstdlib>

namespace {
// Objects 0..50 share the Lissajous curve; later ones get circles of their own.
constexpr int kLastOnCurve = 50;

// A spin angle brought back below a full turn once it reaches one: a float
// walking on for days would grow until a step rounds away and the object
// stops spinning. A turn of a and of a +- 360 degrees is the same; fmod is
// exact and keeps the sign, and angles below 360 are left as they are, so
// every run shorter than that draws what it always drew.
float KeptSmall(float angle) { return std::fabs(angle) >= 360.0f ? std::fmod(angle, 360.0f) : angle; }
}  // namespace

int PulseObjectsFor(int32_t pulseObjectCount) {
    if (pulseObjectCount < 0) return 0;
    if (pulseObjectCount > MaxPulseObjects) return MaxPulseObjects;
    return pulseObjectCount;
}

void AnimateScene() {
    frameTime = TickCount();
    const SaverSettings& settings = saverSettings;
    const int n = PulseObjectsFor(settings.pulseObjectCount);
    const double s = settings.pulseObjectSize;
    const double m = 0.6 * s;
    // The uptime makes these arguments large: everything is computed in
    // double and only the results are stored as floats.
    const double t = frameTime;
    const double tumble = std::sin(0.0001 * t);
    const double breatheWide = std::sin(0.0002 * t);

    SceneNode node = {};
    node.z = -13.0f;
    node.blendSrc = GL_ONE_MINUS_SRC_COLOR;
    node.blendDst = GL_ONE_MINUS_DST_COLOR;
    node.alphaFunc = GL_GREATER;
    node.noDepthWrite = 0;
    node.frontTexture = pictureTexture;
    node.backTexture = -1;
    node.next = nullptr;

    for (int i = 0; i < n; ++i) {
        spinAngle[i] = KeptSmall(static_cast<float>(spinAngle[i] + (std::rand() % 10 - 2) * 0.2));
        // Each object runs 4000 ms ahead of the one before, wrapping with the
        // tick count.
        const uint32_t phaseTicks = frameTime + 4000u * static_cast<uint32_t>(i);
        const double phaseTime = phaseTicks;

        if (settings.pulseSquiggle) {
            node.rotX = static_cast<float>(90.0 + 90.0 * tumble);
            node.rotY = static_cast<float>(120.0 + 20.0 * i);
            node.rotZ = settings.pulseRotate ? spinAngle[i] : 180.0f;
            node.halfHeight = static_cast<float>(s + 0.2 * s * tumble);
            node.halfWidth = static_cast<float>(s + 0.2 * s * breatheWide);
        } else {
            node.rotX = 0.0f;
            node.rotY = 0.0f;
            node.rotZ = settings.pulseRotate ? static_cast<float>(90.0 * std::sin(0.001 * phaseTime)) : 180.0f;
            node.halfWidth = static_cast<float>(s);
            node.halfHeight = static_cast<float>(s);
        }

        if (n <= 1) {
            node.x = static_cast<float>(0.35714287 * s);
            node.y = static_cast<float>(0.5 * s);
        } else if (i <= kLastOnCurve) {
            node.x = static_cast<float>(m * std::sin(0.004 * phaseTime));
            node.y = static_cast<float>(m * std::sin(0.005 * phaseTime));
        } else {
            const double r = 0.1 * (i - 30);
            node.x = static_cast<float>(m * r * std::sin(0.001 * phaseTime));
            node.y = static_cast<float>(m * r * std::cos(0.001 * phaseTime));
        }

        AddSceneNode(node);
    }
}
