// The programs list in XScreenSaver's settings file (~/.xscreensaver) and
// Lumox's entry in it. Portable text work, so that every odd file can be
// tried in the unit tests and the fuzz target; the file itself is read and
// written by xscreensaver_file.h.
//
// The file is read as the XScreenSaver 6 daemon reads it:
// - a line whose last character before its newline is a backslash goes on
//   in the next one (the two go), unless what is read so far is two
//   characters or fewer with the newline (a line of a lone backslash that
//   starts a resource); at the end of a file without a final newline a
//   backslash and the character after it go; a line is cut at a NUL byte,
//   and the next line joins what is before it;
// - then each backslash escapes the character after it ("\n" a newline,
//   "\r", "\t", any other character itself);
// - blanks (space, tab, CR, LF) are stripped at both ends; what is left is
//   skipped when it is empty or starts with "#", "!" or ";", and otherwise
//   its name is everything before the first colon, as written: the
//   resource is the programs list when that name is "programs" in any case
//   ("Programs:" is; "programs :", "*programs:" and
//   "xscreensaver.programs:" are not);
// - the last programs resource counts; its value, stripped, is split into
//   entries at newlines. An entry is [-][VISUAL:]["LABEL"] COMMAND, a
//   leading "-" switching it off; its program is the command's first word
//   without its directory.
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

// When the text has no programs list the daemon reads but a resource that
// looks like one to a reader ("programs :", "*programs:",
// "XScreenSaver.programs:"), that resource as 'line N, "NAME:"'; else "".
std::string UnreadProgramsList(const std::string& text);

// text with kLumoxProgramsEntry added at the end of the programs list the
// daemon reads, so that the other entries keep their places (XScreenSaver's
// "selected:" counts them), into added. Every line of text stays as it was,
// except the list's last line, which gains the continuation that leads to
// the new entry; a text without a programs list gets one with the entry
// alone at its end (after empty lines where a line continued into the end
// of the file would take it in). The result is read back by the daemon's
// rules: every resource as before, and the list's entries as before with
// Lumox's last. false, added left alone, where no such text can be made
// without changing a byte of the old one (a file whose last line, without
// a newline, ends in a backslash and one more character).
// Only for a text where FindLumoxInPrograms gives Absent.
bool AddLumoxToPrograms(const std::string& text, std::string& added);

// A settings file of XScreenSaver's that holds nothing but the list with
// the entry: XScreenSaver adds its own programs to the list and takes its
// defaults for the rest.
std::string NewXScreenSaverFile();
