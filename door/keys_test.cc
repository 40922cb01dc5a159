#include "door/keys.h"

#include <gtest/gtest.h>

namespace {

std::string Decode(const std::string& bytes, bool flush_at_end = false) {
  KeyDecoder decoder;
  std::string keys;
  for (char c : bytes) DecodeKeyByte(decoder, static_cast<uint8_t>(c), keys);
  if (flush_at_end) FlushKeyDecoder(decoder, keys);
  return keys;
}

std::string Scan(uint8_t code) { return std::string(1, '\0') + static_cast<char>(code); }

TEST(KeyDecoder, CursorKeysInEveryDialect) {
  struct Case {
    const char* bytes;
    uint8_t scan;
  } cases[] = {
      {"\x1b[A", 72},  {"\x1bOA", 72},  {"\x1b[B", 80},  {"\x1bOB", 80},  {"\x1b[C", 77},
      {"\x1bOC", 77},  {"\x1b[D", 75},  {"\x1bOD", 75},  {"\x1b[H", 71},  {"\x1b[1~", 71},
      {"\x1b[7~", 71}, {"\x1bOH", 71},  {"\x1b[F", 79},  {"\x1b[4~", 79}, {"\x1b[8~", 79},
      {"\x1bOF", 79},  {"\x1b[K", 79},  {"\x1b[5~", 73}, {"\x1b[6~", 81}, {"\x1b[3~", 83},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.bytes), Scan(c.scan)) << "sequence ESC" << (c.bytes + 1);
  }
}

TEST(KeyDecoder, UnknownCompleteSequencesAreDroppedWhole) {
  EXPECT_EQ(Decode("\x1b[2~x"), "x");          // Insert
  EXPECT_EQ(Decode("\x1b[15~y"), "y");         // F5
  EXPECT_EQ(Decode("\x1b[1;5Cz"), "z");        // Ctrl-Right
  EXPECT_EQ(Decode("\x1bOPq"), "q");           // F1
  EXPECT_EQ(Decode("\x1b[0123456789012345Az"), "z") << "an overlong run is dropped whole";
}

TEST(KeyDecoder, LoneEscapeIsDeliveredOnlyWhenNothingFollows) {
  EXPECT_EQ(Decode("\x1b"), "");
  EXPECT_EQ(Decode("\x1b", true), "\x1b");
  EXPECT_EQ(Decode("\x1bq"), "\x1bq") << "ESC then a plain key is two keys";
  EXPECT_EQ(Decode("\x1b\x1b[A"), "\x1b" + Scan(72));
  EXPECT_EQ(Decode("\x1b[", true), "") << "a cut-off sequence is not a key";
}

TEST(KeyDecoder, EnterArrivesOnceWhateverTheLineEnd) {
  EXPECT_EQ(Decode("a\rb"), "a\rb");
  EXPECT_EQ(Decode("a\r\nb"), "a\rb");
  EXPECT_EQ(Decode(std::string("a\r\0b", 4)), "a\rb");
  EXPECT_EQ(Decode("a\nb"), "a\rb") << "a lone LF is Enter";
  EXPECT_EQ(Decode("\r\r\n\n"), "\r\r\r") << "only the byte right after a CR is dropped";
}

TEST(KeyDecoder, BackspaceAndDeleteBothErase) {
  EXPECT_EQ(Decode("\x08\x7f"), "\x08\x08");
}

TEST(KeyDecoder, StrayNulAndControlBytesInsideASequence) {
  EXPECT_EQ(Decode(std::string("x\0y", 3)), "xy");
  EXPECT_EQ(Decode("\x1b[1\rq"), "\rq") << "a control byte ends a broken sequence";
  EXPECT_EQ(Decode("\x1b[\x7f"), "\x08");
}

TEST(KeyDecoder, HighBytesPassThrough) {
  EXPECT_EQ(Decode("\x82\xc4\xff"), "\x82\xc4\xff");
}

}  // namespace
