// The three places' one-key menus and the place-independent commands.
#pragma once

#include <cstdint>

int16_t LocationMenu();
void ShowMenu(uint8_t location);
void ShowDatLines(int first, int last);

// The online documentation in kordavin.dat. It is the file's last part, so it
// can grow without moving any line read by number; the casino shows one line
// more, its own, after the rest.
constexpr int kDocFirstLine = 94;
constexpr int kDocLastLine = 108;
constexpr int kCasinoDocLastLine = kDocLastLine + 1;
void ShowInformation();
void QuitGame();
void ToggleAnsi();
