// The telnet layer between the caller's socket and the keyboard: commands the
// caller's client sends never reach the game as keys, and the byte 255 the
// screens hold goes out escaped so the client shows it instead of taking it
// for a command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A client that opens a subnegotiation and never ends it would otherwise
// swallow every key after it; no option a client reports comes near this
// many bytes, after which the decoder is back among the caller's data.
constexpr size_t kLongestSubnegotiation = 4096;

struct TelnetDecoder {
  uint8_t state = 0;          // where the last byte left a command (0 between commands)
  size_t subnegotiation = 0;  // bytes of the current subnegotiation swallowed so far
};

// Feeds bytes as they came off the socket, in any pieces; appends the
// caller's data bytes to out. A command split across two reads is finished
// by the second. A 255 followed by a byte that is no telnet command is data,
// both bytes of it.
void DecodeTelnet(TelnetDecoder& decoder, const unsigned char* bytes, size_t length,
                  std::string& out);

// Appends text to out with every byte 255 doubled.
void EscapeTelnet(std::string_view text, std::string& out);
