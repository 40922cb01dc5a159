// The three places' one-key menus and the place-independent commands.
#pragma once

#include <cstdint>

#include "store/dat_lines.h"
#include "store/records.h"

// GameSession.Location's places.
constexpr uint8_t kStreetCorner = 0;
constexpr uint8_t kSheinens = 1;
constexpr uint8_t kPetes = 2;

int16_t LocationMenu();
// Whether a record buys Flaming Sheinen's: the top wardrobe, a Flame Burger
// eaten, more than the winning cash and no whores.
bool QualifiesForTheBar(const PlayerRecord& player);
void ShowMenu(uint8_t location);
// Lines first..last of kordavin.dat, by the numbers in store/dat_lines.h.
void ShowDatLines(int first, int last);
void ShowInformation();
void QuitGame();
void ToggleAnsi();
