// Waking the door of a player on line when another node changes his record
// or pages him, so that his door looks at its files only then: a door at a
// prompt sleeps until a key, a deadline of its own or such a wake-up. Each
// door holds a wake-up channel named for its player (not its node), so a
// step that changes player N wakes him without reading anyone's presence.
#pragma once

#include <cstdint>
#include <string>

// Opens the caller's channel once his player number is known and older
// sessions of his have gone. Where the file system makes none, his door
// looks at his record and pages each second instead.
void OpenOwnWakeChannel();
// Closes it and removes its name (the session is ending).
void CloseOwnWakeChannel();

// Wakes player's door in the data directory dir if he is on line. Never
// waits and never fails: a player off line, or a channel a dead door left
// behind, costs one refused open.
void WakePlayerDoor(const std::string& dir, int32_t player);
