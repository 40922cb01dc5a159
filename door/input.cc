#include "door/input.h"

#include <algorithm>

#include "door/keys.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "door/utf8.h"

namespace {

constexpr int64_t kInactivityMs = 180 * 1000;
constexpr int64_t kLoneEscapeMs = 100;  // an ESC with nothing after it is a key
// Where no other door can wake this one, the waiting hook runs each second.
constexpr int64_t kWaitingTickMs = 1000;
// A hook that found the files busy looks again this soon: the node holding
// them lets go within moments. One that keeps finding them busy (a node hung
// with a lock held) looks half as often each time, down to once a second.
constexpr int64_t kLookAgainMs = 50;

KeyDecoder decoder;
Utf8Reader utf8_reader;
std::string decoded;  // keys decoded but not yet read, 0 + scan code for cursor keys
int64_t escape_since_ms = 0;
int64_t last_tick_ms = 0;
bool woken = false;             // a wake-up came that the waiting hook has not answered yet
int64_t look_again_ms = -1;     // when a hook that found the files busy runs again, -1 never
int64_t look_again_after_ms = kLookAgainMs;  // how long the next busy look waits
bool caller_gone = false;  // the look for keys typed ahead found the line closed

bool IsAcceptedScanCode(uint8_t scan) {
  switch (scan) {
    case 71: case 72: case 73: case 75: case 77: case 79: case 80: case 81: case 83:
      return true;
    default:
      return false;
  }
}

// The caller has gone (end of input or EIO): close down as a hang-up does.
// Whatever part of the last bytes his line takes at once goes; a full line
// whose reader has gone quiet must not keep the door from ending.
[[noreturn]] void EndOnHangUp() {
  SettleOnHangup();
  constexpr std::string_view kReset = "\x1b[0;37m\x1b[40m";
  if (DoorSession.Ansi == 1) Host.WriteLastBytes(kReset.data(), kReset.size());
  Host.WriteLastBytes("\r\n", 2);
  RestoreTerminal();
  Host.Exit(0);
  std::abort();
}

// The first limit that applies while no key is waiting; returns after a
// handler that does not end the session.
void CheckLimits() {
  if (Host.MonotonicMs() - DoorSession.IdleSinceMs >= kInactivityMs) {
    DoorSession.OnInactivity();
    DoorSession.IdleSince = SecondOfDay();
    DoorSession.IdleSinceMs = Host.MonotonicMs();
  } else if (MinutesLeft() == 5 && !DoorSession.FiveMinuteWarned) {
    DoorSession.OnFiveMinutes();
    DoorSession.FiveMinuteWarned = true;
  } else if (MinutesLeft() <= 0) {
    DoorSession.OnTimeUp();
  }
}

// Until the caller's time limit next has something to say: the minute with
// five left (unless he has been warned), or the one with none.
int64_t MsUntilTimeLimit() {
  const int left = MinutesLeft();
  const int at = !DoorSession.FiveMinuteWarned && left > 5 ? 5 : 0;
  return (int64_t{left - at} * 60 - Host.Now().Second) * 1000;
}

bool TicksForHook() { return DoorSession.OnWaiting != nullptr && !DoorSession.WokenByOthers; }

// How long to block: until the next deadline (the inactivity limit, the time
// limit, the hook's second where nothing wakes the door, a busy hook's look
// again, the end of a lone ESC). A door at a prompt sleeps through the rest:
// another door's wake-up, or a key, ends the wait.
int WaitTimeoutMs(int64_t now_ms) {
  int64_t timeout = DoorSession.IdleSinceMs + kInactivityMs - now_ms;
  timeout = std::min<int64_t>(timeout, MsUntilTimeLimit());
  if (TicksForHook()) {
    timeout = std::min<int64_t>(timeout, last_tick_ms + kWaitingTickMs - now_ms);
  }
  if (look_again_ms >= 0) timeout = std::min<int64_t>(timeout, look_again_ms - now_ms);
  if (KeyDecoderWaiting(decoder)) {
    timeout = std::min<int64_t>(timeout, escape_since_ms + kLoneEscapeMs - now_ms);
  }
  return static_cast<int>(std::clamp<int64_t>(timeout, 1, kInactivityMs));
}

bool HookIsDue(int64_t now_ms) {
  if (DoorSession.OnWaiting == nullptr) {
    woken = false;  // nobody to tell
    return false;
  }
  if (woken || (look_again_ms >= 0 && now_ms >= look_again_ms)) return true;
  return TicksForHook() && now_ms - last_tick_ms >= kWaitingTickMs;
}

void CallWaitingHook(int64_t now_ms) {
  if (!HookIsDue(now_ms)) return;
  woken = false;
  last_tick_ms = now_ms;
  if (DoorSession.OnWaiting()) {
    look_again_ms = -1;
    look_again_after_ms = kLookAgainMs;
  } else {
    look_again_ms = now_ms + look_again_after_ms;
    look_again_after_ms = std::min(look_again_after_ms * 2, kWaitingTickMs);
  }
  FlushOutput();
}

// Hands a byte from the caller to the key decoder; false when none came.
bool DecodeReceived(int byte, int64_t now_ms) {
  if (byte == kHungUp) EndOnHangUp();
  if (byte < 0) return false;
  // A character CP437 lacks, or one half-way in, is no key: the byte still
  // counts as received, so the wait goes on looking for the next.
  if (DoorSession.Utf8) {
    byte = Cp437FromUtf8Byte(utf8_reader, static_cast<uint8_t>(byte));
    if (byte < 0) return true;
  }
  bool was_waiting = KeyDecoderWaiting(decoder);
  DecodeKeyByte(decoder, static_cast<uint8_t>(byte), decoded);
  if (!was_waiting && KeyDecoderWaiting(decoder)) escape_since_ms = now_ms;
  return true;
}

// Blocks for the next byte from the caller and decodes it. A wake-up that
// came while the door was busy is answered first, without blocking.
void WaitForBytes() {
  FlushOutput();
  if (DoorSession.BeforeWait != nullptr) DoorSession.BeforeWait();
  if (CallerGone()) EndOnHangUp();
  int64_t now_ms = Host.MonotonicMs();
  if (woken) {
    CallWaitingHook(now_ms);
    return;
  }
  int byte = caller_gone ? kHungUp : Host.ReadByte(WaitTimeoutMs(now_ms));
  now_ms = Host.MonotonicMs();
  if (byte == kWoken) woken = true;
  if (!DecodeReceived(byte, now_ms) && KeyDecoderWaiting(decoder) &&
      now_ms - escape_since_ms >= kLoneEscapeMs) {
    FlushKeyDecoder(decoder, decoded);
  }
  CallWaitingHook(now_ms);
}

// Decodes a byte the caller has already sent, without waiting. A closed line
// is left to the wait, so the end comes after what is stored before every
// wait, as it always does.
bool TakeTypedAhead() {
  if (caller_gone) return false;
  const int byte = Host.ReadByte(0);
  if (byte == kHungUp) {
    caller_gone = true;
    return false;
  }
  if (byte == kWoken) woken = true;
  return DecodeReceived(byte, Host.MonotonicMs());
}

uint8_t TakeDecodedKey() {
  uint8_t key = static_cast<uint8_t>(decoded.front());
  decoded.erase(0, 1);
  return key;
}

uint8_t ConvertByMode(uint8_t mode, uint8_t c, const std::string& buffer) {
  switch (mode) {
    case 1: return UpperChar(c);
    case 2: return LowerChar(c);
    case 3: return buffer.empty() || buffer.back() == ' ' ? UpperChar(c) : LowerChar(c);
    default: return c;
  }
}

}  // namespace

void ResetKeyboard() {
  decoder = KeyDecoder{};
  utf8_reader = Utf8Reader{};
  decoded.clear();
  escape_since_ms = 0;
  last_tick_ms = 0;
  woken = false;
  look_again_ms = -1;
  look_again_after_ms = kLookAgainMs;
  caller_gone = false;
  ForgetCallerGone();
}

void CallWaitingHookAtNextWait() { woken = true; }

uint8_t ReadKey() {
  DoorSession.IdleSince = SecondOfDay();
  DoorSession.IdleSinceMs = Host.MonotonicMs();
  // Keys typed ahead mean no wait, but the outcome on the screen before this
  // key is as final as one the caller sat looking at.
  if (DoorSession.BeforeWait != nullptr) DoorSession.BeforeWait();
  // A line that has given up takes no more screens: the keys typed ahead on
  // it are not played out, each a command the caller will never see. With a
  // hand in play the failure only marks the caller gone, and the hand is
  // settled as a hang-up settles it.
  if (OutputLineGaveUp()) FlushOutput();
  if (CallerGone()) EndOnHangUp();
  for (;;) {
    if (!decoded.empty()) {
      uint8_t key = TakeDecodedKey();
      if (key != 0) return key;
      uint8_t scan = decoded.empty() ? 0 : TakeDecodedKey();
      if (DoorSession.AcceptCursorKeys && IsAcceptedScanCode(scan)) return scan;
      continue;
    }
    // Keys typed ahead count before the limits: a caller is not cut off, or
    // warned between two of his keys, while the keys he sent in time wait.
    if (TakeTypedAhead()) continue;
    CheckLimits();
    WaitForBytes();
  }
}

uint8_t GetKeyFrom(std::string_view allowed, bool echo) {
  uint8_t key;
  do {
    key = UpperChar(ReadKey());
  } while (allowed.find(static_cast<char>(key)) == std::string_view::npos);
  if (echo) WriteRawLine(std::string(1, static_cast<char>(key)));
  return key;
}

std::string InputLine(uint8_t mode, uint8_t max_length, std::string_view allowed,
                      std::string_view initial) {
  std::string buffer(initial.substr(0, max_length));
  if (!buffer.empty()) WriteRaw(buffer);
  for (;;) {
    uint8_t c = ReadKey();
    if (c == 8) {
      if (!buffer.empty()) {
        buffer.pop_back();
        EraseBack(1);
      }
    } else if (c == 13) {
      WriteRawLine("");
      return buffer;
    } else if (buffer.size() < max_length &&
               allowed.find(static_cast<char>(c)) != std::string_view::npos) {
      char accepted = static_cast<char>(ConvertByMode(mode, c, buffer));
      buffer += accepted;
      WriteRaw(std::string_view(&accepted, 1));
    }
  }
}

int32_t InputNumber(uint8_t max_length) {
  return TextToInt(InputLine(1, max_length, "1234567890-qQ", ""));
}

bool AskYesNo() { return GetKeyFrom("YN", true) == 'Y'; }

void PauseKey() {
  WriteText("|14[-*-]");
  uint8_t key;
  do {
    key = ReadKey();
  } while (key != 13 && key != 32);
  EraseBack(5);
}

void AskAnsi() {
  ClearScreen();
  WriteText("Do you want ANSI graphics? [Y/N] ");
  DoorSession.Ansi = AskYesNo() ? 1 : 0;
}
