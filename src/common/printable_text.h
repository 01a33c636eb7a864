// Text from outside (a command line, the environment) as a message may echo
// it: a terminal must not take a byte of it for a control sequence.
#pragma once

#include <string>

// text with every byte outside printable ASCII (0x20..0x7E) written as \xNN.
std::string PrintableText(const std::string& text);
