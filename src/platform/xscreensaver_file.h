// --add-to-xscreensaver: Lumox's entry in the programs list of the user's
// ~/.xscreensaver (xscreensaver_programs.h), written atomically. Linux only.
#pragma once

#include <string>

// Adds the entry unless the list already runs lumox, creating the file when
// there is none; says on stdout what it did (on stderr why it could not).
// The exit code: 0 done or nothing to do, 1 when the file could not be read
// or written (it is then as it was).
int AddLumoxToXScreenSaver();

// The same on the file at path (for tests).
int AddLumoxToXScreenSaverFile(const std::string& path);
