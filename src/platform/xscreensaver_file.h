// --add-to-xscreensaver: Lumox's entry in the programs list of the user's
// ~/.xscreensaver (xscreensaver_programs.h), written atomically. Linux only.
#pragma once

#include <functional>
#include <string>

// Adds the entry unless the list already runs lumox, creating the file when
// there is none; says on stdout what it did (on stderr why it could not).
// The exit code: 0 done or nothing to do, 1 when the file could not be read
// or written, or when another program changed it while the entry was added
// (it is then as it was, or as the other program left it).
int AddLumoxToXScreenSaver();

// The same on the file at path. For tests, meanwhile runs where a change
// by another program would fall: after the new text is written beside the
// file, before the file is looked at again and replaced.
int AddLumoxToXScreenSaverFile(const std::string& path, const std::function<void()>& meanwhile = nullptr);
