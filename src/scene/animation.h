// The per-frame animation: samples the frame time and fills the scene list
// with one quad per pulse object, the figure the dialog calls The Thing.
#pragma once

#include <cstdint>

// Capacity of the per-object state; pulseObjectCount is held to 0..this.
constexpr int MaxPulseObjects = 1000;

// The animation's time and the objects' spin: a part of the run record,
// put back at the run's start.
struct AnimationState {
    // Milliseconds of the frame being drawn, sampled once per frame; the
    // time base of every time-driven effect.
    uint32_t frameTime = 0;
    // Per-object spin about the quad's own Z axis, degrees; a random walk,
    // brought back modulo 360 (keeping its sign) whenever it reaches a full
    // turn.
    float spinAngle[MaxPulseObjects] = {};
};
extern uint32_t& frameTime;
extern float (&spinAngle)[MaxPulseObjects];

// Samples frameTime and adds one node per pulse object to the (empty) scene
// list, in increasing object index. Uses exactly one rand() per object.
void AnimateScene();

// The number of objects AnimateScene draws for a pulseObjectCount: counts
// below 0 draw none, counts above MaxPulseObjects draw MaxPulseObjects.
int PulseObjectsFor(int32_t pulseObjectCount);
