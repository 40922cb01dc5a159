// Support for in-process casino tests: a fake host on a fresh data directory,
// a player at the casino, card draws and a one-line screen model.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// A fake host on a fresh temporary directory, ANSI off, and a fresh player
// with the given cash and time left on the street corner, in memory and as
// record 1 of kordavin.ply.
class CasinoTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void SeatPlayer(int32_t cash, int16_t time_left = 260);
  std::string dir_;
};

// The Random(52) draw that deals card n (1..52: Clubs Ace..King, Diamonds,
// Hearts, Spades).
int32_t CasinoCardDraw(int card);

// What a terminal shows after the bytes: escape sequences dropped, BS moving
// the cursor left, characters overwriting, CR LF starting a new line;
// trailing blanks are dropped.
std::string RenderCasinoScreen(const std::string& bytes);
