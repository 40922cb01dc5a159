// The three places' one-key menus and the place-independent commands.
#pragma once

#include <cstdint>

#include "store/dat_lines.h"

int16_t LocationMenu();
void ShowMenu(uint8_t location);
// Lines first..last of kordavin.dat, by the numbers in store/dat_lines.h.
void ShowDatLines(int first, int last);
void ShowInformation();
void QuitGame();
void ToggleAnsi();
