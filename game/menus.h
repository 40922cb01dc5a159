// The three places' one-key menus and the place-independent commands.
#pragma once

#include <cstdint>

int16_t LocationMenu();
void ShowMenu(uint8_t location);
void ShowDatLines(int first, int last);
void ShowInformation();
void QuitGame();
void ToggleAnsi();
