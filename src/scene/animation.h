// The per-frame animation: samples the frame time and fills the scene list.
#pragma once

#include <cstdint>

// Milliseconds of the frame being drawn, sampled once per frame.
extern uint32_t frameTime;

// Samples frameTime and builds this frame's scene list.
void AnimateScene();
