// The caller's socket carries whatever a telnet client, a broken one or a
// hostile caller sends, cut into reads wherever the network cut it. The
// telnet decoder must give the same keys however the stream is cut, give back
// every byte the door escaped, take a 255 before a byte that is no command
// for data, and be back among the caller's keys after a bounded run of plain
// bytes, whatever came before them.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "door/telnet.h"
#include "fuzz/fuzz_host.h"

namespace {

constexpr uint8_t kIac = 255;
constexpr uint8_t kLowestCommand = 236;
constexpr size_t kMostCuts = 16;

std::string Decode(TelnetDecoder& decoder, std::string_view bytes) {
  std::string out;
  DecodeTelnet(decoder, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  return out;
}

// Byte by byte: the same keys as in one piece, and a 255 before a byte that
// is no command comes out as both bytes.
void CheckByteByByte(std::string_view stream, const std::string& whole) {
  TelnetDecoder decoder;
  std::string out;
  for (size_t i = 0; i < stream.size(); ++i) {
    const bool between_commands = decoder.state == 0;
    const size_t before = out.size();
    out += Decode(decoder, stream.substr(i, 1));
    const uint8_t byte = static_cast<uint8_t>(stream[i]);
    if (between_commands && byte == kIac && i + 1 < stream.size() &&
        static_cast<uint8_t>(stream[i + 1]) < kLowestCommand) {
      out += Decode(decoder, stream.substr(++i, 1));
      FuzzCheck(out.size() == before + 2 && out.substr(before) == stream.substr(i - 1, 2),
                "a 255 before a byte that is no command was not taken for data");
      FuzzCheck(decoder.state == 0, "a 255 before data left the decoder inside a command");
    }
  }
  FuzzCheck(out == whole, "read byte by byte, the stream gave other keys");
}

// The stream in the pieces the input chooses gives the same keys as in one.
void CheckCuts(std::string_view stream, std::vector<size_t> cuts, const std::string& whole) {
  for (size_t& cut : cuts) cut = stream.empty() ? 0 : cut % (stream.size() + 1);
  std::sort(cuts.begin(), cuts.end());
  TelnetDecoder decoder;
  std::string out;
  size_t from = 0;
  for (size_t cut : cuts) {
    out += Decode(decoder, stream.substr(from, cut - from));
    from = cut;
  }
  out += Decode(decoder, stream.substr(from));
  FuzzCheck(out == whole, "cut into reads, the stream gave other keys");
}

// Whatever the stream left half-way (a command, an endless subnegotiation),
// a run of plain bytes as long as the longest subnegotiation brings the
// caller's keys through again, one for one.
void CheckReturnToData(std::string_view stream) {
  TelnetDecoder decoder;
  Decode(decoder, stream);
  Decode(decoder, std::string(kLongestSubnegotiation + 1, 'x'));
  FuzzCheck(decoder.state == 0, "a run of plain bytes did not end the command before it");
  FuzzCheck(Decode(decoder, "MARK") == "MARK", "keys after the run did not come through");
}

// What the door sends reads back as it was, and decoding never makes more
// bytes than it was given.
void CheckEscape(std::string_view data, const std::string& whole) {
  FuzzCheck(whole.size() <= data.size(), "decoding gave more bytes than it was fed");
  std::string escaped;
  EscapeTelnet(data, escaped);
  TelnetDecoder decoder;
  FuzzCheck(Decode(decoder, escaped) == data, "an escaped text did not decode to itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<size_t> cuts(input.ConsumeIntegralInRange<size_t>(0, kMostCuts));
  for (size_t& cut : cuts) cut = input.ConsumeIntegral<uint16_t>();
  const std::string stream = input.ConsumeRemainingBytesAsString();

  TelnetDecoder decoder;
  const std::string whole = Decode(decoder, stream);
  CheckByteByByte(stream, whole);
  CheckCuts(stream, cuts, whole);
  CheckReturnToData(stream);
  CheckEscape(stream, whole);
  return 0;
}
