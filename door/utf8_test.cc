#include "door/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string AsUtf8(std::string_view cp437) {
  std::string out;
  AppendCp437AsUtf8(cp437, out);
  return out;
}

// Every character of the upper half goes out and comes back as itself, so a
// caller's typed letter is the one his screen showed him.
TEST(Utf8, EveryUpperHalfCharacterComesBackAsItself) {
  for (int byte = 128; byte < 256; ++byte) {
    const std::string sent = AsUtf8(std::string(1, static_cast<char>(byte)));
    ASSERT_GE(sent.size(), 2u) << byte;
    Utf8Reader reader;
    int got = -1;
    for (size_t i = 0; i < sent.size(); ++i) {
      got = Cp437FromUtf8Byte(reader, static_cast<uint8_t>(sent[i]));
      if (i + 1 < sent.size()) {
        EXPECT_EQ(got, -1) << byte << " finished early";
      }
    }
    EXPECT_EQ(got, byte);
  }
}

TEST(Utf8, BoxDrawingIsTranslatedAndAnsiSequencesAreNot) {
  EXPECT_EQ(AsUtf8("\x1b[1;33m\xDA\xC4\xBF|14\r\n"),
            "\x1b[1;33m\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x90|14\r\n");
  EXPECT_EQ(AsUtf8("\x81\xFF"), "\xC3\xBC\xC2\xA0");
}

// What the caller sends: characters CP437 lacks are no key, a cut sequence
// gives way to the key after it, stray bytes are dropped.
TEST(Utf8, InputOutsideTheCodePageIsDroppedAndNeverHangs) {
  Utf8Reader reader;
  const auto feed = [&reader](std::string_view bytes) {
    std::string keys;
    for (char c : bytes) {
      const int key = Cp437FromUtf8Byte(reader, static_cast<uint8_t>(c));
      if (key >= 0) keys += static_cast<char>(key);
    }
    return keys;
  };
  EXPECT_EQ(feed("a\xF0\x9F\x98\x80" "b"), "ab") << "an emoji";
  EXPECT_EQ(feed("\xE2\x94" "c"), "c") << "a cut box character";
  EXPECT_EQ(feed("\x80\xBF\xC0\xAF\xFF" "d"), "d") << "stray and overlong bytes";
  EXPECT_EQ(feed("\xE0\x81\x81" "e"), "e") << "an overlong three-byte form";
  EXPECT_EQ(feed("\xC3\xA9\x1b\r"), "\x82\x1b\r");
}

}  // namespace
