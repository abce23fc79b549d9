#pragma once
// The signals that ask a program to end (SIGTERM at the end of a desktop
// session, SIGINT for Ctrl+C in its terminal, SIGHUP when that terminal
// goes), caught for the whole process and turned into one readable byte
// each, so that the event loop can end the program in its own time, through
// the same path as its menu. A handler may do almost nothing itself; this
// one only writes the signal's number into a pipe.
//
// Installed once per process and kept to its end: a signal that comes while
// the program is already ending (saving its settings, closing its database)
// is then swallowed instead of killing it half-way. Private to the
// application (application.cpp listens to the pipe).

namespace termination_signals {

// Installs the handlers (the first call only) and gives the pipe's read end,
// non-blocking; -1 when the pipe or a handler could not be made (errno).
int Install() noexcept;

// Takes every waiting byte out of the pipe; true when there was one.
bool Drain(int readEnd) noexcept;

}  // namespace termination_signals
