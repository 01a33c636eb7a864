// What the option table (command_line.h, with the settings of
// settings/setting_table.h) says to people: the --help text, the man page
// lumox.6x, and lumox.xml, from which XScreenSaver's settings program makes
// Lumox's panel. All three are made from the table, so that they name
// exactly the options the parser takes, with its ranges and the defaults of
// the settings file.
#pragma once

#include <string>

std::string UsageText();

// The man page in roff (man(7)), for section 6x.
std::string ManPage(const char* version);

// The settings panel for xscreensaver-settings.
std::string XScreenSaverXml();
