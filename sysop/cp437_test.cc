#include "sysop/cp437.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Cp437, BoxDrawingAndHighCharactersAreTheOnesTheScreenShows) {
  const std::pair<uint8_t, uint16_t> known[] = {
      {0xC4, 0x2500}, {0xB3, 0x2502}, {0xDA, 0x250C}, {0xBF, 0x2510}, {0xC0, 0x2514},
      {0xD9, 0x2518}, {0xC3, 0x251C}, {0xB4, 0x2524}, {0xC5, 0x253C}, {0xCD, 0x2550},
      {0xBA, 0x2551}, {0xC9, 0x2554}, {0xBC, 0x255D}, {0xB0, 0x2591}, {0xB2, 0x2593},
      {0xDB, 0x2588}, {0xDF, 0x2580}, {0x80, 0x00C7}, {0x82, 0x00E9}, {0x9E, 0x20A7},
      {0xE1, 0x00DF}, {0xE3, 0x03C0}, {0xF8, 0x00B0}, {0xFE, 0x25A0}, {0xFF, 0x00A0},
      {0x7F, 0x2302}, {0x01, 0x263A}, {0x1B, 0x2190}, {'A', 'A'},    {'~', '~'}};
  for (const auto& [byte, code] : known) {
    EXPECT_EQ(Cp437ToUnicode(byte), code) << "byte " << int{byte};
  }
  // A slip in the table shows as two bytes with one character.
  std::set<uint16_t> seen;
  for (int byte = 1; byte < 256; ++byte) seen.insert(Cp437ToUnicode(static_cast<uint8_t>(byte)));
  EXPECT_EQ(seen.size(), 255u);
}

TEST(Cp437, TextBecomesUtf8OfOneTwoOrThreeBytes) {
  EXPECT_EQ(Cp437ToUtf8("A\xC4\x82\xB3"), "A\xE2\x94\x80\xC3\xA9\xE2\x94\x82");
  EXPECT_EQ(Cp437ToUtf8(std::string("\0z", 2)), " z") << "no NUL reaches a page";
  EXPECT_EQ(Cp437ToUtf8(""), "");
}

}  // namespace
