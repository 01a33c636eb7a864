#include "scene/animation.h"

#include "common/clock.h"

uint32_t frameTime = 0;

void AnimateScene() { frameTime = TickCount(); }
