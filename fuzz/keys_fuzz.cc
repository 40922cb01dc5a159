// The caller's line carries whatever a terminal, a modem or a hostile caller
// sends. The key decoder must turn any byte stream into keys the game knows,
// and the prompts built on it must stay within their limits and end cleanly
// when the caller hangs up.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "door/input.h"
#include "door/keys.h"
#include "door/platform.h"
#include "fuzz/fuzz_host.h"

namespace {

constexpr size_t kLongestSequence = 12;

bool IsAcceptedScanCode(uint8_t scan) {
  return std::string_view("GHIKMOPQS").find(static_cast<char>(scan)) != std::string_view::npos;
}

// The decoder alone: every key it gives is a byte the game can read, and an
// escape sequence never grows without bound.
void CheckDecoder(const std::vector<uint8_t>& stream, uint8_t gap) {
  KeyDecoder decoder;
  std::string keys;
  for (uint8_t byte : stream) {
    const size_t before = keys.size();
    if (byte == gap) {
      FlushKeyDecoder(decoder, keys);
      FuzzCheck(!KeyDecoderWaiting(decoder), "a flush left a sequence half-way");
    } else {
      const bool plain = !KeyDecoderWaiting(decoder) && byte >= 0x20 && byte != 0x7F;
      DecodeKeyByte(decoder, byte, keys);
      if (plain) {
        FuzzCheck(keys.size() == before + 1 && static_cast<uint8_t>(keys.back()) == byte,
                  "an ordinary key did not come through as itself");
      }
    }
    FuzzCheck(keys.size() - before <= 3, "one byte gave more than three key bytes");
    FuzzCheck(decoder.pending.size() <= kLongestSequence, "an escape sequence grew without bound");
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    const uint8_t key = static_cast<uint8_t>(keys[i]);
    FuzzCheck(key != 10 && key != 0x7F, "a line feed or DEL reached the game as a key");
    if (key == 0) {
      FuzzCheck(i + 1 < keys.size() && IsAcceptedScanCode(static_cast<uint8_t>(keys[i + 1])),
                "a scan-code prefix without a known scan code");
      ++i;
    }
  }
}

// The prompts on top of the decoder, in an order the input chooses, until the
// caller hangs up.
void CheckPrompts(const std::vector<uint8_t>& script, const std::vector<uint8_t>& stream,
                  uint8_t gap) {
  InstallFuzzHost(FuzzScratchDir());
  for (uint8_t byte : stream) FuzzHost.input.push_back(byte == gap ? kNoByte : byte);
  size_t step = 0;
  try {
    for (;;) {
      const uint8_t op = script.empty() ? 0 : script[step++ % script.size()];
      // The same byte picks the prompt (low bits), its mode and its length.
      const uint8_t length = op;
      switch (op & 3) {
        case 0: {
          const uint8_t key = ReadKey();
          FuzzCheck(key != 0 && key != 10 && key != 0x7F, "ReadKey gave a byte no key is");
          break;
        }
        case 1: {
          std::string line = InputLine(static_cast<uint8_t>((op >> 2) & 3), length,
                                       "abcXYZ 019-\x1b\x80\xFF", "initial text");
          FuzzCheck(line.size() <= length, "InputLine went past its length");
          break;
        }
        case 2: {
          // No more digits than the entry's length could have been typed.
          const int64_t number = InputNumber(length);
          int64_t limit = 1;
          for (int digits = 0; digits < length && limit <= INT32_MAX; ++digits) limit *= 10;
          FuzzCheck(number < limit && -number < limit, "InputNumber has more digits than its length");
          break;
        }
        default: {
          const uint8_t answer = GetKeyFrom("YN\r", length & 1);
          FuzzCheck(answer == 'Y' || answer == 'N' || answer == '\r',
                    "GetKeyFrom gave a key it does not allow");
          break;
        }
      }
    }
  } catch (const FuzzExit& exit) {
    FuzzCheck(exit.code == 0, "a hang-up or a time limit did not end with code 0");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const uint8_t gap = provider.ConsumeIntegral<uint8_t>();
  std::vector<uint8_t> script =
      provider.ConsumeBytes<uint8_t>(provider.ConsumeIntegralInRange<size_t>(0, 16));
  std::vector<uint8_t> stream = provider.ConsumeRemainingBytes<uint8_t>();
  CheckDecoder(stream, gap);
  CheckPrompts(script, stream, gap);
  return 0;
}
