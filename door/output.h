// Everything the caller sees: raw bytes, text with pipe colour codes, screen
// and colour control. Output is gathered per operation and sent before every
// key wait, pause and exit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Foreground in the low four bits, background in the next three.
extern uint8_t CurrentColor;

void WriteRaw(std::string_view text);
void WriteRawLine(std::string_view text);
void WriteText(std::string_view text);
void WriteLine(std::string_view text);
void ClearScreen();
void EraseBack(uint8_t count);
void SetColor(uint8_t foreground, uint8_t background);

// Columns a text written with WriteText takes on the caller's screen: its
// colour codes take none, so a name that holds one lines up with the rest.
size_t ScreenColumns(std::string_view text);
// The text followed by as many blanks as fill it to that many columns.
std::string PaddedToColumns(std::string_view text, size_t columns);

// Sends everything written so far; a failed write ends the process (code 1).
void FlushOutput();

// What stands on the caller's current, unfinished line: a prompt and what he
// has typed at it. A message that breaks in on him writes it again, so he
// still sees where he is and his next key's echo follows it.
struct UnfinishedLine {
  uint8_t start_color = 7;  // the colour in force where the line began
  std::string bytes;        // everything sent on it since, colour codes included
  uint8_t end_color = 7;    // the colour in force after them
};

UnfinishedLine CurrentLine();
// Writes the line again where the cursor stands, ending in its end colour.
void WriteLineAgain(const UnfinishedLine& line);
// A new session starts on a line of its own, one no send has failed on.
void ForgetCurrentLine();

// Sends everything written so far where the line takes it; false when it
// does not, and the bytes stay for the next FlushOutput to fail on. For the
// moments when ending the process would cost the caller a save. Once a send
// has failed, every later one fails at once.
bool SendPendingOutput();
// A send has failed; the session ends at the next FlushOutput.
bool OutputLineGaveUp();

// While on, everything written is dropped instead of sent: the line is gone.
void DiscardOutput(bool on);

// Calls DoorSession.OnHangup once, if it is set, with output discarded.
void SettleOnHangup();

// Ends the process through Host.Exit with everything written sent first.
[[noreturn]] void EndProcess(int code);

// Sends everything written so far, then waits ms milliseconds.
void Pause(uint16_t ms);
