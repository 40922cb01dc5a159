#include "door/output.h"

#include <cstdlib>
#include <string>

#include "door/patient_send.h"
#include "door/platform.h"
#include "door/session_record.h"
#include "door/terminal.h"
#include "door/text.h"
#include "door/utf8.h"

uint8_t CurrentColor = 7;

namespace {

// Bytes wait here until the next key wait, pause or exit, so a screen goes out
// in a few write calls instead of one per byte.
std::string Pending;
// A send failed: the caller cannot be reached, and nothing more is sent.
bool LineGaveUp = false;
// While on, nothing is sent: the line is gone and a hand is being settled.
bool Discarding = false;

constexpr size_t kFlushThreshold = 8 * 1024;

// Set while DoorSession.BeforeSend runs, so that a send it makes does not
// call it again.
bool StoringBeforeSend = false;

// A prompt with its colours and a full line of typing is well under this. A
// line that grows past it (a screen file's art) is not worth drawing again,
// and is dropped until the next line end.
constexpr size_t kMostLineBytes = 1024;

UnfinishedLine Line;
bool LineTooLong = false;
// How many bytes at the end of the line are plain text, so an erase can take
// them back instead of growing the line by a backspace sequence each time.
size_t PlainTail = 0;

constexpr const char* kForegroundCodes[16] = {
    "\x1b[0;30m", "\x1b[0;34m", "\x1b[0;32m", "\x1b[0;36m",
    "\x1b[0;31m", "\x1b[0;35m", "\x1b[0;33m", "\x1b[0;37m",
    "\x1b[1;30m", "\x1b[1;34m", "\x1b[1;32m", "\x1b[1;36m",
    "\x1b[1;31m", "\x1b[1;35m", "\x1b[1;33m", "\x1b[1;37m",
};

constexpr const char* kBackgroundCodes[8] = {
    "\x1b[40m", "\x1b[44m", "\x1b[42m", "\x1b[46m",
    "\x1b[41m", "\x1b[45m", "\x1b[43m", "\x1b[47m",
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the two characters after a bar make a code WriteText performs
// rather than shows.
bool IsPipeCode(char first, char second) {
  if (IsDigit(first) && IsDigit(second)) return (first - '0') * 10 + (second - '0') <= 23;
  return first == 'C' && (second == 'L' || second == 'R');
}

// Carries out one pipe code; false when the two characters are no code, and
// the bar is then ordinary text.
bool PerformPipeCode(char first, char second, uint8_t start_fg, uint8_t start_bg) {
  if (IsDigit(first) && IsDigit(second)) {
    const int number = (first - '0') * 10 + (second - '0');
    if (number <= 15) {
      SetColor(static_cast<uint8_t>(number), start_bg);
      return true;
    }
    if (number <= 23) {
      SetColor(start_fg, static_cast<uint8_t>(number - 16));
      return true;
    }
    return false;
  }
  if (first == 'C' && second == 'L') {
    ClearScreen();
    return true;
  }
  if (first == 'C' && second == 'R') {
    WriteRawLine("");
    return true;
  }
  return false;
}

// A line and its CR LF together stay within the text limit, so the end of an
// over-long line loses its line end rather than running past it.
std::string WithLineEnd(std::string_view text) {
  std::string joined(text.substr(0, std::min(text.size(), kMaxText)));
  joined.append("\r\n");
  joined.resize(std::min(joined.size(), kMaxText));
  return joined;
}

bool IsPlainText(std::string_view text) {
  for (char c : text) {
    if (static_cast<uint8_t>(c) < 32) return false;
  }
  return true;
}

void StartLine() {
  Line.start_color = CurrentColor;
  Line.bytes.clear();
  LineTooLong = false;
  PlainTail = 0;
}

void RememberOnLine(std::string_view text) {
  const size_t end = text.rfind('\n');
  if (end != std::string_view::npos) {
    StartLine();
    text.remove_prefix(end + 1);
  }
  if (LineTooLong) return;
  if (Line.bytes.size() + text.size() > kMostLineBytes) {
    Line.bytes.clear();
    LineTooLong = true;
    PlainTail = 0;
    return;
  }
  Line.bytes.append(text);
  PlainTail = IsPlainText(text) ? PlainTail + text.size() : 0;
}

void EraseOnLine() {
  if (PlainTail > 0) {
    Line.bytes.pop_back();
    --PlainTail;
  } else {
    RememberOnLine("\b \b");
  }
}

void SendLater(std::string_view bytes) {
  Pending.append(bytes);
  if (Pending.size() > kFlushThreshold) FlushOutput();
}

}  // namespace

bool SendPendingOutput() {
  if (Discarding) {
    Pending.clear();
    return true;
  }
  if (LineGaveUp) return false;
  if (Pending.empty()) return true;
  if (DoorSession.BeforeSend != nullptr && !StoringBeforeSend) {
    // The store may end the session; its last words go out from in here.
    StoringBeforeSend = true;
    struct Done {
      ~Done() { StoringBeforeSend = false; }
    } done;
    DoorSession.BeforeSend();
  }
  // The one place bytes leave the door: everything before it is CP437.
  std::string_view bytes = Pending;
  if (DoorSession.Utf8) {
    static std::string translated;
    translated.clear();
    AppendCp437AsUtf8(Pending, translated);
    bytes = translated;
  }
  if (!Host.WriteBytes(bytes.data(), bytes.size())) {
    // A line that took nothing for the writer's whole patience is not tried
    // again: each later send would wait as long, and a caller who typed ahead
    // would hold his node for one such wait per command.
    LineGaveUp = true;
    return false;
  }
  Pending.clear();
  return true;
}

bool OutputLineGaveUp() { return LineGaveUp; }

void DiscardOutput(bool on) {
  Discarding = on;
  Pending.clear();
}

void SettleOnHangup() {
  void (*settle)() = DoorSession.OnHangup;
  if (settle == nullptr) return;
  DoorSession.OnHangup = nullptr;
  struct Discarding {
    Discarding() { DiscardOutput(true); }
    ~Discarding() { DiscardOutput(false); }
  } discarding;
  settle();
}

void FlushOutput() {
  if (SendPendingOutput()) return;
  if (DoorSession.OnHangup != nullptr) {
    // Left to the next key wait, which finishes what is in hand first.
    Pending.clear();
    NoteCallerGone();
    return;
  }
  // The caller is gone: nothing more can reach him, so no close-down and no
  // further writes, only the terminal mode put back.
  Pending.clear();
  RestoreTerminal();
  Host.Exit(1);
  std::abort();
}

void WriteRaw(std::string_view text) {
  SendLater(text);
  RememberOnLine(text);
}

void WriteRawLine(std::string_view text) { WriteRaw(WithLineEnd(text)); }

void WriteText(std::string_view text) {
  const uint8_t start_fg = CurrentColor & 0x0F;
  const uint8_t start_bg = (CurrentColor >> 4) & 0x07;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '|' && i + 2 < text.size() &&
        PerformPipeCode(text[i + 1], text[i + 2], start_fg, start_bg)) {
      i += 3;
      continue;
    }
    WriteRaw(text.substr(i, 1));
    ++i;
  }
}

void WriteLine(std::string_view text) { WriteText(WithLineEnd(text)); }

size_t ScreenColumns(std::string_view text) {
  size_t columns = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '|' && i + 2 < text.size() && IsPipeCode(text[i + 1], text[i + 2])) {
      i += 2;
    } else {
      ++columns;
    }
  }
  return columns;
}

std::string PaddedToColumns(std::string_view text, size_t columns) {
  std::string padded(text);
  const size_t used = ScreenColumns(text);
  if (used < columns) padded.append(columns - used, ' ');
  return padded;
}

void ClearScreen() {
  SendLater("\x1b[H\x1b[2J");
  StartLine();
}

void EraseBack(uint8_t count) {
  for (uint8_t i = 0; i < count; ++i) {
    SendLater("\b \b");
    EraseOnLine();
  }
}

void SetColor(uint8_t foreground, uint8_t background) {
  if (DoorSession.Ansi != 1) return;
  // A half out of range sends nothing and leaves that half of the colour as it
  // was, so the remembered colour never names one the caller was not sent.
  uint8_t color = CurrentColor;
  if (foreground <= 15) {
    WriteRaw(kForegroundCodes[foreground]);
    color = static_cast<uint8_t>((color & 0x70) | foreground);
  }
  if (background <= 7) {
    WriteRaw(kBackgroundCodes[background]);
    color = static_cast<uint8_t>((color & 0x0F) | (background << 4));
  }
  CurrentColor = color;
}

UnfinishedLine CurrentLine() {
  UnfinishedLine line = Line;
  line.end_color = CurrentColor;
  return line;
}

void WriteLineAgain(const UnfinishedLine& line) {
  SetColor(line.start_color & 0x0F, (line.start_color >> 4) & 0x07);
  WriteRaw(line.bytes);
  // The bytes have set the terminal's colour; the remembered one must follow.
  SetColor(line.end_color & 0x0F, (line.end_color >> 4) & 0x07);
}

void ForgetCurrentLine() {
  StartLine();
  LineGaveUp = false;
  ForgetLineStall();
}

void EndProcess(int code) {
  SettleOnHangup();
  FlushOutput();
  Host.Exit(code);
  std::abort();  // Exit never returns; a fake that does is a broken test
}

void Pause(uint16_t ms) {
  FlushOutput();
  Host.SleepMs(ms);
}
