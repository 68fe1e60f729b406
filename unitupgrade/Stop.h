#pragma once
// Stopping gimbalctl from outside: SIGINT, SIGTERM or SIGHUP, or a standard
// output whose reader has gone (a closed pipe, where a write would fail with
// EPIPE). The three signals are blocked in every thread and read from a
// signalfd, so no work runs in a signal handler; SIGPIPE is ignored, so a
// closed output is noticed here instead of killing the process with the line
// still raw. The commands ask stopRequested() while they wait, close their
// ports (which puts each line's settings back and releases its lock), say so
// in one line and exit with the status reportStop() returns.

#include <string>

namespace gimbalctl {

// First thing in main, before any thread starts: threads inherit the blocked
// signals, and so do the processes gimbalctl starts (until they call this).
void watchForStop();

// The signal that asked gimbalctl to stop (SIGPIPE for a closed standard
// output), or 0. Cheap enough to ask at every turn of a wait.
int stopRequested();

// How many times a stop was asked for: a station lets its upgrades finish
// after the first and interrupts them at the second.
int stopsRequested();

// The exit status for the stop asked for: 128 + the signal's number.
int stopStatus();

// Readable while a stop signal waits to be read by stopRequested(), for poll.
int stopSignalDescriptor();

// In a child of a parallel upgrade: the parent's end is a stop signal here,
// so that no child outlives its parent.
void stopWithParent();

// "gimbalctl: interrupted by SIGTERM: <consequence>" on standard error; returns
// stopStatus() (141 for a closed standard output, as a shell reports a program
// that SIGPIPE ended).
int reportStop(const std::string& consequence);

}  // namespace gimbalctl
