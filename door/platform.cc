#include "door/platform.h"

int32_t Random(int32_t n) { return Host.Random(n); }
