// What the caller is told when the shared files cannot be had: the store
// reports which operation failed and why, and this says it and ends the call.
#pragma once

#include "store/files.h"

// "ERROR: Unable to <reset|seek|read|write> file: <code>", the last pause,
// and the end of the session.
[[noreturn]] void EndOnStoreRefusal(const StoreStatus& status);
