// The build whose render passes keep nothing at the viewport's size: a
// changed viewport needs no work.
#include "render/viewport_events.h"

void OnViewportResized(int, int) {}
