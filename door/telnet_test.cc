#include "door/telnet.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

std::string Decode(TelnetDecoder& decoder, const std::string& bytes) {
  std::string out;
  DecodeTelnet(decoder, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  return out;
}

// A stream with a command of every shape between the caller's keys.
const std::string kStream =
    "a\xff\xf1"                                // NOP
    "b\xff\xfb\x01"                            // WILL ECHO
    "c\xff\xfd" "A"                            // DO, option byte a letter
    "d\xff\xfa\x1f\x00P\x00\x19\xff\xf0"       // window size 80 x 25
    "e\xff\xfa\x18\x00xterm\xff\xff\xff\xf0"   // terminal type, an escaped 255 inside
    "f\xff\xff"                                // the byte 255 itself
    "\xffY"                                    // a lone 255 before no command: two keys
    "\x1b\xff\xf1[A\r\x00"s;                   // a cursor key with a NOP inside, CR NUL
const std::string kKeys = "abcdef\xff\xffY\x1b[A\r\x00"s;

TEST(TelnetDecode, CommandsAreTakenOutHoweverTheStreamIsCut) {
  TelnetDecoder whole;
  EXPECT_EQ(Decode(whole, kStream), kKeys);
  for (size_t cut = 1; cut < kStream.size(); ++cut) {
    TelnetDecoder decoder;
    std::string out = Decode(decoder, kStream.substr(0, cut));
    out += Decode(decoder, kStream.substr(cut));
    EXPECT_EQ(out, kKeys) << "cut after byte " << cut;
  }
  TelnetDecoder byte_by_byte;
  std::string out;
  for (char c : kStream) out += Decode(byte_by_byte, std::string(1, c));
  EXPECT_EQ(out, kKeys);
}

TEST(TelnetDecode, ABrokenSubnegotiationDoesNotSwallowTheKeysAfterIt) {
  TelnetDecoder decoder;
  EXPECT_EQ(Decode(decoder, "\xff\xfa\x18junk\xff\xf1x"), "x")
      << "a command inside ends it and counts as a command";
  EXPECT_EQ(Decode(decoder, "\xff\xfa\x18" + std::string(5000, 'j')).size(), 5000u - 4096u)
      << "an endless one gives up after 4096 bytes";
  EXPECT_EQ(Decode(decoder, "y"), "y");
}

TEST(TelnetEscape, OnlyTheByte255IsDoubled) {
  std::string out = "<";
  EscapeTelnet("\xc4\xff\r\n\xff\xff\x00\xfe"s, out);
  EXPECT_EQ(out, "<\xc4\xff\xff\r\n\xff\xff\xff\xff\x00\xfe"s);
  TelnetDecoder decoder;
  EXPECT_EQ(Decode(decoder, out.substr(1)), "\xc4\xff\r\n\xff\xff\x00\xfe"s)
      << "what the door sends reads back as it was";
}

}  // namespace
