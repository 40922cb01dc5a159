#include "door/utf8.h"

namespace {

// The characters of bytes 128..255 in code page 437. A table of our own, not
// the C library's converter: that needs its conversion modules at run time,
// which a door run in a BBS's chroot or from a bare release archive lacks.
constexpr uint16_t kUpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

int Cp437Of(uint32_t code) {
  if (code < 0x80) return static_cast<int>(code);
  for (int i = 0; i < 128; ++i) {
    if (kUpperHalf[i] == code) return 128 + i;
  }
  return -1;
}

// Lead bytes and how many continuation bytes follow; -1 for a byte that
// starts no character (a stray continuation, or a lead no terminal sends).
int ContinuationsAfter(uint8_t lead) {
  if (lead < 0x80) return 0;
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return -1;
}

}  // namespace

uint16_t Cp437UpperHalf(uint8_t byte) { return byte < 0x80 ? byte : kUpperHalf[byte - 0x80]; }

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

void AppendCp437AsUtf8(std::string_view cp437, std::string& out) {
  for (char c : cp437) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      AppendUtf8(out, kUpperHalf[byte - 0x80]);
    }
  }
}

int Cp437FromUtf8Byte(Utf8Reader& reader, uint8_t byte) {
  if (reader.remaining > 0 && (byte & 0xC0) == 0x80) {
    reader.code = (reader.code << 6) | (byte & 0x3F);
    if (--reader.remaining > 0) return -1;
    // An overlong form is no character a terminal sends for these.
    const bool overlong = (reader.length == 3 && reader.code < 0x800) ||
                          (reader.length == 4 && reader.code < 0x10000);
    return overlong ? -1 : Cp437Of(reader.code);
  }
  const int continuations = ContinuationsAfter(byte);
  reader = Utf8Reader{};
  if (continuations <= 0) return continuations == 0 ? byte : -1;
  reader.remaining = continuations;
  reader.length = continuations + 1;
  reader.code = byte & (0x3F >> continuations);
  return -1;
}
