// The door's ways out on a real machine: the caller's terminal, pipe or
// socket, the system clocks, OFD locks and exit. Host starts as this.
#pragma once

#include "door/platform.h"

// The POSIX implementation of every slot.
Platform PosixPlatform();
