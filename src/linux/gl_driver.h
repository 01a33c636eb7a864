// Keeps the GL driver that serves a context loaded for the rest of the
// process (linux/gl_driver.cpp).
#pragma once

// Called once a context works. Mesa unloads its driver when the last
// display is closed; what the driver still held then is unreachable, and
// LeakSanitizer reports it as our leak at exit; a second context would also
// load and initialise it all again.
void KeepGLDriverLoaded();
