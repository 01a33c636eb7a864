// The programs list in XScreenSaver's settings file (~/.xscreensaver, in X
// resource syntax) and Lumox's entry in it. Portable text work, so that
// every odd file can be tried in the unit tests and the fuzz target; the
// file itself is read and written by xscreensaver_file.h.
//
// The list is the value of the "programs:" resource: entries separated by
// "\n" (backslash, n), the resource continued over lines that end in a
// backslash. An entry is [-][VISUAL:] ["LABEL"] COMMAND; a leading "-"
// switches it off. As in X resources, the last "programs:" of the file is
// the one that counts.
#pragma once

#include <string>

// What --add-to-xscreensaver puts into the list.
constexpr const char* kLumoxProgramsEntry = "GL: lumox --root";

enum class ProgramsListing {
    Absent,       // no entry of the list runs lumox
    Listed,       // an entry runs lumox
    SwitchedOff,  // an entry runs lumox, switched off with "-"
};

ProgramsListing FindLumoxInPrograms(const std::string& text);

// text with kLumoxProgramsEntry added at the end of the programs list, so
// that the other entries keep their places (XScreenSaver's "selected:"
// counts them). Every line of text stays as it was, except the list's last
// line, which gains the continuation that leads to the new entry. A text
// without a programs list gets one with the entry alone at its end.
// Only for a text where FindLumoxInPrograms gives Absent.
std::string AddLumoxToPrograms(const std::string& text);

// A settings file of XScreenSaver's that holds nothing but the list with
// the entry: XScreenSaver adds its own programs to the list and takes its
// defaults for the rest.
std::string NewXScreenSaverFile();
