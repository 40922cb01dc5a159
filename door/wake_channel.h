// The wake-up channel through which other doors tell this one that its
// caller's record or pages changed, so that a door at a prompt sleeps until
// something happens instead of looking at the files on a timer. The channel
// is a FIFO the door holds open for reading and writing: a sender opens it
// non-blocking for writing, which fails at once when no process holds it, so
// a channel left behind by a dead door wakes nobody, and no process id is
// ever read from a file and signalled.
#pragma once

// The POSIX slots of Platform (door/platform.h).
bool OpenWakeChannel(const char* path);
void CloseWakeChannel();
void WakeChannelAt(const char* path);

// Waits at most timeout_ms for the caller's line fd or a wake-up: poll's
// result. woken says that the channel had a wake-up, now taken, and the line
// nothing.
int PollLineOrWake(int line_fd, int timeout_ms, bool& woken);

// Removes the channel's name where it is still ours, and nothing else: safe
// in a signal handler, for a door ended by a hang-up signal.
void RemoveWakeChannelName();
