#include "door/keys.h"

#include <string_view>

namespace {

constexpr uint8_t kEsc = 27;
constexpr size_t kLongestSequence = 12;  // no key this decoder knows is longer

// Scan codes of the keys the game accepts.
constexpr uint8_t kHome = 71, kUp = 72, kPgUp = 73, kLeft = 75, kRight = 77, kEnd = 79,
                  kDown = 80, kPgDn = 81, kDel = 83;

// The scan code for a finished sequence (ESC excluded), or 0 to drop it.
uint8_t ScanCodeFor(std::string_view body) {
  struct Known {
    std::string_view text;
    uint8_t scan;
  };
  static constexpr Known kKnown[] = {
      {"[A", kUp},    {"OA", kUp},    {"[B", kDown},  {"OB", kDown},  {"[C", kRight},
      {"OC", kRight}, {"[D", kLeft},  {"OD", kLeft},  {"[H", kHome},  {"[1~", kHome},
      {"[7~", kHome}, {"OH", kHome},  {"[F", kEnd},   {"[4~", kEnd},  {"[8~", kEnd},
      {"OF", kEnd},   {"[K", kEnd},   {"[5~", kPgUp}, {"[6~", kPgDn}, {"[3~", kDel},
  };
  for (const Known& known : kKnown) {
    if (known.text == body) return known.scan;
  }
  return 0;
}

void Finish(KeyDecoder& decoder, std::string& out) {
  uint8_t scan = ScanCodeFor(std::string_view(decoder.pending).substr(1));
  decoder.pending.clear();
  if (scan != 0) {
    out += '\0';
    out += static_cast<char>(scan);
  }
}

void DecodePlain(KeyDecoder& decoder, uint8_t byte, std::string& out) {
  bool after_cr = decoder.after_cr;
  decoder.after_cr = false;
  switch (byte) {
    case 0:
      // Telnet's CR NUL; a stray NUL would otherwise read as a scan-code prefix.
      return;
    case 10:
      if (!after_cr) out += '\r';
      return;
    case 13:
      out += '\r';
      decoder.after_cr = true;
      return;
    case 127:
      out += '\b';
      return;
    case kEsc:
      decoder.pending.assign(1, static_cast<char>(kEsc));
      return;
    default:
      out += static_cast<char>(byte);
  }
}

// One more byte of an escape sequence: ESC [ params final, or ESC O final.
void DecodeEscape(KeyDecoder& decoder, uint8_t byte, std::string& out) {
  if (decoder.pending.size() == 1) {
    if (byte == '[' || byte == 'O') {
      decoder.pending += static_cast<char>(byte);
      return;
    }
    // Not a sequence: the ESC was a key of its own.
    decoder.pending.clear();
    out += static_cast<char>(kEsc);
    DecodePlain(decoder, byte, out);
    return;
  }
  if (byte < 0x20 || byte == 0x7F) {
    // A control byte cannot be inside a sequence; give up on it and keep the key.
    decoder.pending.clear();
    DecodePlain(decoder, byte, out);
    return;
  }
  // An overlong run stops growing but is still swallowed up to its final byte;
  // cut short, it can never match a key.
  if (decoder.pending.size() < kLongestSequence) decoder.pending += static_cast<char>(byte);
  bool introducer_o = decoder.pending[1] == 'O';
  bool final_byte = introducer_o || (byte >= 0x40 && byte <= 0x7E);
  if (final_byte) Finish(decoder, out);
}

}  // namespace

void DecodeKeyByte(KeyDecoder& decoder, uint8_t byte, std::string& out) {
  if (decoder.pending.empty()) {
    DecodePlain(decoder, byte, out);
  } else {
    DecodeEscape(decoder, byte, out);
  }
}

void FlushKeyDecoder(KeyDecoder& decoder, std::string& out) {
  if (decoder.pending.size() == 1) out += static_cast<char>(kEsc);
  decoder.pending.clear();
}

bool KeyDecoderWaiting(const KeyDecoder& decoder) { return !decoder.pending.empty(); }
