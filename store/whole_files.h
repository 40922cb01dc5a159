// Data files made whole: a missing file at start-up, or every file at once
// when a new game begins.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/files.h"
#include "store/step.h"

// A missing file is written whole while it has no name and only then linked
// in: a node arriving at the same moment never finds it there but empty, and
// a node killed half-way leaves nothing behind. A file that is there after
// all (another node created it a moment ago, or it exists but cannot be
// read) is never touched, so its players are not wiped out. created tells
// whether this call made it.
StoreStatus CreateWholeFile(std::string_view name, const std::vector<uint8_t>& bytes,
                            bool& created);

// Takes which into the step, made when missing, for a rewrite. A file that
// cannot be made fails as a write does: it is the new content that failed.
StoreStatus TakeForRewrite(StoreStep& step, StepFile which);
