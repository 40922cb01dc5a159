// Lists longer than the caller's screen, shown a screen at a time.
#pragma once

#include <string_view>

// Lines on the caller's screen: what the host's drop file gave, or 24 where
// it gave none or a height no list could be paged on.
int ScreenLines();
// Rows of a list that fit on one screen under its two heading lines, with
// the line before them and the pause after them: four fewer than the lines.
int ListRowsPerScreen();
// Waits at the end of a screen of a list with the prompt; true when the
// caller asks for more with one of go_keys, false when any other key ends
// the list. The prompt is taken back either way.
bool PauseOrEnd(std::string_view prompt, std::string_view go_keys);
