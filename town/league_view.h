// The InterBBS league as callers see it.
#pragma once

// /L at a street corner.
void ShowLeague();
