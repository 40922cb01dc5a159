// The real terminal: raw key-at-a-time mode when stdin is a tty, hang-up and
// terminate signals, and holding those signals off while a record is written.
#pragma once

#include <cstddef>

// Installs the signal handlers and ignores SIGPIPE; a mode EnterRawMode set
// is restored at every exit.
void SetUpTerminal();

// Puts a tty on standard input into raw mode, once. The standard I/O link
// calls it before it first reads or writes, so a caller on a socket never has
// the terminal the door was started from changed under him.
void EnterRawMode();

// The last bytes of a hang-up go to this socket instead of standard output.
void SetHangupSocket(int fd);

// Sends what the line takes at once, without waiting and without reporting;
// safe in a signal handler.
void WriteLastBytes(const char* bytes, size_t length);

// Restores the terminal mode saved by SetUpTerminal (safe to call twice).
void RestoreTerminal();

// While DoorSession.OnHangup is set, a hang-up signal or a failed send does
// not end the door at once: it is noted here, and the next key wait ends the
// door through OnHangup, so that whatever was half done is finished first.
bool CallerGone();
void NoteCallerGone();
// A new session (or test) starts with its caller present.
void ForgetCallerGone();

// Holds SIGHUP and SIGTERM off for as long as it lives, so that a record
// write is never cut half-way, and every way out of a change (a return, a
// failed write that ends the session) lets them in again. Holds nest.
struct HangupHold {
  HangupHold();
  ~HangupHold();
  HangupHold(const HangupHold&) = delete;
  HangupHold& operator=(const HangupHold&) = delete;
};

// Lets hang-ups in whatever holds are still open: for the session's last
// words and pause, which a change that failed half-way must not keep deaf.
// A hold still open afterwards releases nothing.
void LetHangupsIn();
