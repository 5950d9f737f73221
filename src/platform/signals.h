// Signals that ask the program to end (SIGTERM, SIGINT, SIGHUP, SIGQUIT).
// From the first instant of the program a fatal signal removes the
// temporary files in the making (files.h) and ends the program as the
// signal would. A loop that can end the run in its own way (the running
// saver: wallpaper, restored state) listens instead: the signal is then
// only noted, and the loop learns of it through stopSignalFd.
// SIGPIPE and SIGXFSZ are ignored. On Windows there is nothing to install.
#pragma once

namespace syl {

// Installs the handlers; call first thing in main.
void installStopSignals();

// While listening, a stop signal is noted rather than ending the program.
void listenForStopSignals(bool listen);

// The signal that asked the program to stop, 0 while none has.
int stopSignal();

// A descriptor that is readable once a stop signal has been noted (for
// poll), -1 when there is none.
int stopSignalFd();

} // namespace syl
