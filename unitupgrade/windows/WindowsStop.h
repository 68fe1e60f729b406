#pragma once
// Stopping gimbalctl on Windows: Ctrl+C, Ctrl+Break or the console window
// closing (and log-off or shut-down) ask for a stop, read by stopRequested()
// (unitupgrade/Stop.h) as SIGINT (Ctrl+C, Ctrl+Break) or SIGHUP (the rest), so
// that the exit statuses are those of Linux. The commands then close their
// lines, which puts each line's settings back. Windows ends a process soon
// after its console closes, so the handler holds it until every open line
// has been closed (a few seconds at most).

namespace gimbalctl::windows {

// From now on the first Ctrl+C is only counted (stopsRequested()), for the
// station to stop taking units while its upgrades finish; the second stops
// them. The console closing stops them at once, as before.
void holdFirstInterrupt();

// Counted by SerialLine: an open line whose settings are to be put back.
void lineOpened();
void lineClosed();

// Counted by the station: a unit whose record is not yet written, which a
// closing console waits for too (within the few seconds Windows gives).
void holdConsoleClose();
void releaseConsoleClose();

}  // namespace gimbalctl::windows
