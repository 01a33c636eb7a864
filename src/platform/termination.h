// SIGTERM and SIGINT as every wait of the process sees them (Linux). The
// handlers only mark the process as told to end and make a descriptor
// readable; the main loop, the GTK dialogs and the waits of start-up look at
// one or the other and end what they wait for.
#pragma once

// Installs the handlers of SIGTERM and SIGINT for the rest of the process
// (also where the starting program was told to ignore them).
void WatchTermination();

// true once SIGTERM or SIGINT arrived after WatchTermination.
bool TerminationRequested();

// A descriptor that becomes readable, and stays readable, once a signal has
// arrived, for waits that poll or run a GLib loop; -1 if none could be made.
int TerminationFd();
