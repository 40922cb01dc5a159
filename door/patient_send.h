// Sending to a caller whose line may stop taking bytes: a frozen client, a
// lost route, a terminal scrolled back and never let go. Both kinds of
// connection, standard output and the caller's socket, send through here, so
// both let such a caller go alike.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// A live client drains what it is sent within moments, however slow its line;
// one that has taken no byte for a minute has stopped reading, and would hold
// the node until the BBS noticed (a pty never tells, a TCP socket after a
// quarter of an hour of retransmissions). Giving up then frees the node well
// before the idle limit would.
constexpr int64_t kSendPatienceMs = 60 * 1000;

// One attempt: the bytes it moved, or -1 with errno: EAGAIN when the line has
// no room, EINTR when a write that blocked was broken off to look at the
// patience.
using TrySend = ssize_t (*)(int fd, const char* data, size_t length);

// Milliseconds on the clock the line's waits are measured by; it never jumps.
int64_t LineClockMs();

// The TrySend of a socket: no SIGPIPE, no wait.
ssize_t SendToSocketNow(int fd, const char* data, size_t length);

// Sends every byte through try_send, waiting on fd for room while the line
// has taken nothing; false when the caller has gone or the line's patience
// has run out.
bool SendPatiently(int fd, const char* data, size_t length, TrySend try_send);

// Whether what the door has sent has waited a whole patience for the caller
// to take any of it: he stopped reading while the door waits for his keys.
bool LineHasStalled();
// How long a key wait may block before it looks at the line again.
int KeyWaitMs(int timeout_ms);

// The line is fresh: a new session or test starts with its full patience.
void ForgetLineStall();
