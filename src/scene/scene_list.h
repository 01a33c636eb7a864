// The drawable objects of one frame: a list of flat, two-sided, textured
// quads, filled by the animation, drawn by the frame composition (twice when
// the radial blur is on) and released after the last drawing.
#pragma once

#include <cstdint>

// One quad. In the int32 fields blendSrc, blendDst, alphaFunc and
// backTexture, -1 means "not set".
struct SceneNode {
    float x = 0, y = 0, z = 0;           // position, world units (the camera looks down -Z)
    float rotX = 0, rotY = 0, rotZ = 0;  // degrees, applied X, then Y, then Z
    float halfWidth = 0;                 // half extent along the local X axis
    float halfHeight = 0;                // half extent along the local Y axis
    int32_t blendSrc = 0;                // source blend factor; -1: no blending
    int32_t blendDst = 0;                // destination factor; -1: blendSrc for both
    int32_t alphaFunc = 0;               // alpha-test comparison against 0.0; -1: none
    int32_t noDepthWrite = 0;            // non-zero: no depth writes for this node
    int32_t frontTexture = 0;            // texture on front faces
    int32_t backTexture = 0;             // texture on back faces; -1: frontTexture
    SceneNode* next = nullptr;           // next in order of addition; null at the tail
};

// The run's scene list and the frame's colour scale: a part of the run
// record, which frees the nodes and puts it back at the run's start.
struct SceneState {
    // Head of the list, null when empty. The list owns its nodes (C heap).
    SceneNode* sceneList = nullptr;
    // The last node, so that appending 1000 nodes a frame stays linear.
    // Only trusted while sceneList is non-null: whoever empties the list by
    // setting the head to null also makes this stale, and the next append
    // starts over.
    SceneNode* sceneListTail = nullptr;
    // The frame's colour scale: 1.0 every frame. Passes that change the
    // current colour set it back to (baseBrightness, baseBrightness,
    // baseBrightness, 1).
    float baseBrightness = 1.0f;
};
extern SceneState& sceneState;
extern SceneNode*& sceneList;
extern float& baseBrightness;

// Appends a heap copy of node (its next is ignored) at the tail. When no
// memory is left the node is dropped: the frame simply shows one quad less.
void AddSceneNode(const SceneNode& node);

// Draws every node, most recently added first. With freeAfterDraw each node
// is released right after it is drawn and the list is empty on return;
// without it the list is left as it was.
void DrawSceneList(int freeAfterDraw);

// Draws one node: transform, its blend / alpha / depth-write settings, the
// pulsing colour, and the front and back faces of the quad.
void DrawSceneNode(const SceneNode& node);

// Releases every node without drawing (the run record's reset, the
// shut-down of a test, or a frame that is abandoned); the list is empty
// afterwards.
void FreeSceneList();
