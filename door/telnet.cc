#include "door/telnet.h"

namespace {

constexpr uint8_t kIac = 255;
// EOF, SUSP, ABORT and EOR, then SE up to IAC itself: no command is lower.
constexpr uint8_t kLowestCommand = 236;
constexpr uint8_t kSubnegotiationEnd = 240;
constexpr uint8_t kSubnegotiationBegin = 250;
constexpr uint8_t kWill = 251;  // WILL, WONT, DO and DONT carry one option byte
constexpr uint8_t kDont = 254;

enum State : uint8_t {
  kData = 0,
  kCommand,           // after IAC
  kOption,            // after IAC WILL/WONT/DO/DONT: the option byte follows
  kSubnegotiation,    // inside IAC SB ... IAC SE
  kSubnegotiationIac  // an IAC inside a subnegotiation
};

void AfterIac(TelnetDecoder& decoder, uint8_t byte, std::string& out) {
  if (byte < kLowestCommand) {
    // No client sends this: the 255 came from a line that does not speak
    // telnet to the door (a board that has taken the commands out already),
    // where it is a key like any other, and so is the byte after it.
    out += static_cast<char>(kIac);
    out += static_cast<char>(byte);
    decoder.state = kData;
  } else if (byte == kIac) {
    out += static_cast<char>(kIac);
    decoder.state = kData;
  } else if (byte >= kWill && byte <= kDont) {
    decoder.state = kOption;
  } else if (byte == kSubnegotiationBegin) {
    decoder.state = kSubnegotiation;
    decoder.subnegotiation = 0;
  } else {
    decoder.state = kData;  // a two-byte command (NOP, AYT, GA, ...): nothing for the game
  }
}

void InSubnegotiation(TelnetDecoder& decoder, uint8_t byte, std::string& out) {
  // Every byte counts, escaped 255s too, or a run of them would hold the
  // subnegotiation open for ever.
  if (++decoder.subnegotiation > kLongestSubnegotiation) {
    decoder.state = kData;
    return;
  }
  if (decoder.state == kSubnegotiation) {
    if (byte == kIac) decoder.state = kSubnegotiationIac;
    return;
  }
  // After an IAC inside it: SE ends it, IAC IAC is a data byte of the option,
  // and anything else means the client never sent the end; the
  // subnegotiation is over and the IAC starts what follows.
  if (byte == kSubnegotiationEnd) {
    decoder.state = kData;
  } else if (byte == kIac) {
    decoder.state = kSubnegotiation;
  } else {
    AfterIac(decoder, byte, out);
  }
}

}  // namespace

void DecodeTelnet(TelnetDecoder& decoder, const unsigned char* bytes, size_t length,
                  std::string& out) {
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = bytes[i];
    switch (decoder.state) {
      case kData:
        if (byte == kIac) {
          decoder.state = kCommand;
        } else {
          out += static_cast<char>(byte);
        }
        break;
      case kCommand:
        AfterIac(decoder, byte, out);
        break;
      case kOption:
        decoder.state = kData;
        break;
      default:
        InSubnegotiation(decoder, byte, out);
    }
  }
}

void EscapeTelnet(std::string_view text, std::string& out) {
  for (char c : text) {
    out += c;
    if (static_cast<uint8_t>(c) == kIac) out += c;
  }
}
