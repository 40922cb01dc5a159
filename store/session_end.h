// How a caller's session ends once the store can do no more for it: at the
// day's end, or on a shared file it cannot have. Every held file is let go
// before the last pause, so no other node waits on a caller reading it.
#pragma once

#include "store/files.h"

// Lets go of every record file and this node's presence file, then the last
// pause and the close-down.
[[noreturn]] void EndSession();

// "ERROR: Unable to <reset|seek|read|write> file: <code>", the last pause,
// and the end of the session.
[[noreturn]] void EndOnStoreRefusal(const StoreStatus& status);
