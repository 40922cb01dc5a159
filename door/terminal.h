// The real terminal: raw key-at-a-time mode when stdin is a tty, hang-up and
// terminate signals, and holding those signals off while a record is written.
#pragma once

// Installs the signal handlers, ignores SIGPIPE and puts a tty into raw mode;
// the previous mode is restored at every exit.
void SetUpTerminal();

// Restores the terminal mode saved by SetUpTerminal (safe to call twice).
void RestoreTerminal();

// Delays SIGHUP and SIGTERM until ReleaseHangupSignals, so that a record
// write is never cut half-way. Calls nest.
void HoldHangupSignals();
void ReleaseHangupSignals();
