// Callers whose terminals speak UTF-8 instead of CP437: hosts that pass the
// door's bytes on untranslated (a door server reached over SSH, a board whose
// callers use UTF-8 terminals) say so in BBSDEV.DRP or with --utf8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The character byte 128..255 of code page 437 shows.
uint16_t Cp437UpperHalf(uint8_t byte);

// Appends a code below U+10000, as every CP437 character is, in UTF-8.
void AppendUtf8(std::string& out, uint32_t code);

// Appends CP437 text as UTF-8. Bytes below 128 stay as they are: they are
// ASCII, and the control bytes of line ends and ANSI sequences.
void AppendCp437AsUtf8(std::string_view cp437, std::string& out);

// A UTF-8 character arriving from the caller a byte at a time.
struct Utf8Reader {
  uint32_t code = 0;   // the bits gathered so far
  int remaining = 0;   // continuation bytes still to come
  int length = 0;      // bytes the character takes in all
};

// Feeds one byte; the CP437 byte for the character it completes, or -1 while
// a character is unfinished or when CP437 has no such character. A byte that
// cannot continue the character gives it up and starts anew, so a cut
// sequence never swallows the key after it.
int Cp437FromUtf8Byte(Utf8Reader& reader, uint8_t byte);
