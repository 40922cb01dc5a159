// Turns the bytes a terminal sends into the keys the game reads: cursor and
// editing escape sequences become 0 plus a scan code, Backspace is always 8,
// and Enter is one 13 whether it came as CR, CR LF, CR NUL or LF.
#pragma once

#include <cstdint>
#include <string>

struct KeyDecoder {
  std::string pending;     // bytes of an escape sequence not yet complete
  bool after_cr = false;   // the last byte was CR: a following LF or NUL is dropped
};

// Feeds one byte; appends the finished keys (0 to 3 bytes) to out.
void DecodeKeyByte(KeyDecoder& decoder, uint8_t byte, std::string& out);

// No byte came for a while: a lone ESC (or an unfinished sequence) is given up
// and ESC is delivered as the key 27.
void FlushKeyDecoder(KeyDecoder& decoder, std::string& out);

// Whether an escape sequence is half-way in.
bool KeyDecoderWaiting(const KeyDecoder& decoder);
