// Entry point of lumox.scr: the C runtime starts the program here, and the
// host reads the command line itself (SaverEntry) and never returns.
#include <windows.h>

#include "windows/saver.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { SaverEntry(); }
