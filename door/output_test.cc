#include "door/output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/session.h"

namespace {

const std::string kEsc = "\x1b";

std::string Fg(int n) {
  static const char* codes[16] = {"0;30", "0;34", "0;32", "0;36", "0;31", "0;35",
                                  "0;33", "0;37", "1;30", "1;34", "1;32", "1;36",
                                  "1;31", "1;35", "1;33", "1;37"};
  return kEsc + "[" + codes[n] + "m";
}

std::string Bg(int n) {
  static const char* codes[8] = {"40", "44", "42", "46", "41", "45", "43", "47"};
  return kEsc + "[" + codes[n] + "m";
}

std::string Written(std::string_view text, uint8_t ansi, uint8_t color = 7) {
  InstallFakeHost();
  DoorSession.Ansi = ansi;
  CurrentColor = color;
  WriteText(text);
  return TakeOutput();
}

// Every write call the program makes, for the tests that count them.
std::vector<size_t> WriteCalls;

bool CountingWriteBytes(const char* data, size_t length) {
  WriteCalls.push_back(length);
  Fake.output.append(data, length);
  return true;
}

bool FailingWriteBytes(const char*, size_t) { return false; }

TEST(PipeCodes, ColourCodesWithAnsi) {
  EXPECT_EQ(Written("|14Hi", 1), Fg(14) + Bg(0) + "Hi");
  EXPECT_EQ(Written("|00|15", 1), Fg(0) + Bg(0) + Fg(15) + Bg(0));
  EXPECT_EQ(Written("|16|23", 1), Fg(7) + Bg(0) + Fg(7) + Bg(7));
  EXPECT_EQ(Written("||14A", 1), "|" + Fg(14) + Bg(0) + "A");
  // Codes in the same text do not move the colours later codes start from.
  EXPECT_EQ(Written("|17|14X", 1), Fg(7) + Bg(1) + Fg(14) + Bg(0) + "X");
  EXPECT_EQ(Written("|02|20", 1, 0x1C), Fg(2) + Bg(1) + Fg(12) + Bg(4));
  EXPECT_EQ(CurrentColor, 0x4C);
}

TEST(PipeCodes, EveryNumberedCodeSetsItsColour) {
  for (int n = 0; n <= 23; ++n) {
    const std::string code = "|" + std::string(1, static_cast<char>('0' + n / 10)) +
                             static_cast<char>('0' + n % 10);
    const std::string expected = n <= 15 ? Fg(n) + Bg(3) : Fg(9) + Bg(n - 16);
    EXPECT_EQ(Written(code, 1, 0x39), expected) << code;
  }
}

TEST(PipeCodes, WithoutAnsiColoursVanishButLinesAndClearsStay) {
  EXPECT_EQ(Written("|14Hello|CR", 0), "Hello\r\n");
  EXPECT_EQ(Written("|CLx", 0), kEsc + "[H" + kEsc + "[2Jx");
  EXPECT_EQ(Written("|20|07ok", 2), "ok");
  EXPECT_EQ(CurrentColor, 7);
}

TEST(PipeCodes, AnythingElseIsPlainText) {
  struct Case {
    const char* text;
    const char* bytes;
  } cases[] = {
      {"|99x", "|99x"},  {"|24", "|24"},    {"|cr", "|cr"},   {"|cl", "|cl"},
      {"|1", "|1"},      {"|", "|"},        {"a|", "a|"},     {"ab|1", "ab|1"},
      {"|1A", "|1A"},    {"| 5", "| 5"},    {"|-1", "|-1"},   {"|Cr", "|Cr"},
      {"|C|CR", "|C\r\n"}, {"|1|CR", "|1\r\n"}, {"||", "||"},  {"|||", "|||"},
      {"\xB3\xC4|", "\xB3\xC4|"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written(c.text, 1), c.bytes) << "text " << c.text;
  }
}

TEST(PipeCodes, ScreenCodes) {
  EXPECT_EQ(Written("a|CLb|CRc", 1), "a" + kEsc + "[H" + kEsc + "[2Jb\r\nc");
  EXPECT_EQ(Written("|CR|CR", 1), "\r\n\r\n");
}

TEST(SetColorSequences, AnsiOnlyAndInRange) {
  InstallFakeHost();
  SetColor(12, 4);
  EXPECT_EQ(TakeOutput(), Fg(12) + Bg(4));
  EXPECT_EQ(CurrentColor, 0x4C);
  // A half out of range sends nothing and keeps its half of the colour.
  SetColor(16, 2);
  EXPECT_EQ(TakeOutput(), Bg(2));
  EXPECT_EQ(CurrentColor, 0x2C);
  SetColor(3, 8);
  EXPECT_EQ(TakeOutput(), Fg(3));
  EXPECT_EQ(CurrentColor, 0x23);
  SetColor(255, 255);
  EXPECT_EQ(TakeOutput(), "");
  EXPECT_EQ(CurrentColor, 0x23);
  DoorSession.Ansi = 0;
  SetColor(14, 1);
  EXPECT_EQ(TakeOutput(), "");
  EXPECT_EQ(CurrentColor, 0x23);
}

TEST(Lines, LineEndsAndTheByteLimit) {
  InstallFakeHost();
  WriteLine("");
  EXPECT_EQ(TakeOutput(), "\r\n");
  WriteRawLine("|14raw");
  EXPECT_EQ(TakeOutput(), "|14raw\r\n");
  const std::string a253(253, 'a');
  WriteLine(a253);
  EXPECT_EQ(TakeOutput(), a253 + "\r\n");
  WriteLine(a253 + "b");
  EXPECT_EQ(TakeOutput(), a253 + "b\r");
  WriteRawLine(a253 + "bc");
  EXPECT_EQ(TakeOutput(), a253 + "bc");
  WriteRawLine(std::string(1000, 'z'));
  EXPECT_EQ(TakeOutput(), std::string(255, 'z'));
  // Colour codes count as the bytes they are written with, before translation.
  const std::string coloured = "|14" + std::string(250, 'c');
  WriteLine(coloured);
  EXPECT_EQ(TakeOutput(), Fg(14) + Bg(0) + std::string(250, 'c') + "\r\n");
}

TEST(Screen, ClearAndErase) {
  InstallFakeHost();
  DoorSession.Ansi = 0;
  ClearScreen();
  EXPECT_EQ(TakeOutput(), kEsc + "[H" + kEsc + "[2J");
  EraseBack(5);
  EXPECT_EQ(TakeOutput(), "\b \b\b \b\b \b\b \b\b \b");
  EraseBack(0);
  EXPECT_EQ(TakeOutput(), "");
  EraseBack(255);
  EXPECT_EQ(TakeOutput().size(), 765u);
}

TEST(Buffering, BytesWaitForAFlushUnlessTheBufferFills) {
  InstallFakeHost();
  WriteCalls.clear();
  Host.WriteBytes = CountingWriteBytes;
  WriteText("|14menu|CR");
  WriteRaw(std::string(1024, 'm'));
  EXPECT_TRUE(WriteCalls.empty());
  FlushOutput();
  EXPECT_EQ(WriteCalls.size(), 1u);
  FlushOutput();
  EXPECT_EQ(WriteCalls.size(), 1u) << "an empty buffer is not written";
  for (int i = 0; i < 9; ++i) WriteRaw(std::string(1024, 'k'));
  EXPECT_EQ(WriteCalls.size(), 2u) << "passing 8 KB sends at once";
  EXPECT_EQ(WriteCalls.back(), 9u * 1024);
  EXPECT_EQ(TakeOutput(), Fg(14) + Bg(0) + "menu\r\n" + std::string(1024, 'm') +
                              std::string(9 * 1024, 'k'));
}

TEST(Buffering, ACallerWhoIsGoneEndsTheProcessWithoutMoreOutput) {
  InstallFakeHost();
  WriteText("lost");
  Host.WriteBytes = FailingWriteBytes;
  EXPECT_FALSE(SendPendingOutput());
  try {
    FlushOutput();
    ADD_FAILURE() << "a failed write must end the process";
  } catch (const SessionEnded& ended) {
    EXPECT_EQ(ended.code, 1);
  }
  // A send that gave up (after the writer's whole patience) stays given up:
  // the next screen is not tried on the line, and the next flush ends too.
  WriteCalls.clear();
  Host.WriteBytes = CountingWriteBytes;
  WriteText("the next command's screen");
  EXPECT_FALSE(SendPendingOutput());
  EXPECT_THROW(FlushOutput(), SessionEnded);
  EXPECT_TRUE(WriteCalls.empty()) << "a given-up line was written to again";
}

// The line a page breaks into must come back exactly as the caller saw it:
// its colours, the typing he erased gone, nothing from the lines above.
TEST(CurrentLine, HoldsTheUnfinishedLineAndWritesItAgainInItsColours) {
  InstallFakeHost();
  WriteLine("|12a finished line");
  WriteText("|09[|14PROMPT|09]: ");
  WriteRaw("abd");
  EraseBack(1);
  WriteRaw("c");
  const std::string prompt = Fg(9) + Bg(0) + "[" + Fg(14) + Bg(0) + "PROMPT" + Fg(9) + Bg(0) + "]: ";
  UnfinishedLine line = CurrentLine();
  EXPECT_EQ(line.start_color, 12);
  EXPECT_EQ(line.bytes, prompt + "abc");
  EXPECT_EQ(line.end_color, 9);

  // An erase that reaches back past a colour code is kept as the erase itself.
  WriteText("|14x");
  EraseBack(2);
  line = CurrentLine();
  EXPECT_EQ(line.bytes, prompt + "abc" + Fg(14) + Bg(0) + "\b \b");

  TakeOutput();
  SetColor(15, 4);
  WriteRawLine("interrupting");
  WriteLineAgain(line);
  EXPECT_EQ(TakeOutput(), Fg(15) + Bg(4) + "interrupting\r\n" + Fg(12) + Bg(0) + line.bytes +
                              Fg(14) + Bg(0));
  EXPECT_EQ(CurrentColor, 14);
  EXPECT_EQ(CurrentLine().bytes, Fg(12) + Bg(0) + line.bytes + Fg(14) + Bg(0))
      << "the copy is the line now, for a second interruption";
}

TEST(CurrentLine, ClearsAndOverlongLinesLeaveNothingToWriteAgain) {
  InstallFakeHost();
  DoorSession.Ansi = 0;
  WriteText("before");
  ClearScreen();
  EXPECT_EQ(CurrentLine().bytes, "");
  WriteRaw("top");
  EXPECT_EQ(CurrentLine().bytes, "top");
  WriteRaw(std::string(2000, 'x'));
  EraseBack(3);
  WriteRaw("more");
  EXPECT_EQ(CurrentLine().bytes, "") << "a screen file's long line is not drawn again in part";
  WriteRaw("art\r\nnext");
  EXPECT_EQ(CurrentLine().bytes, "next");
  TakeOutput();
  WriteLineAgain(CurrentLine());
  EXPECT_EQ(TakeOutput(), "next") << "no colour without ANSI";
}

}  // namespace

TEST(Pause, SendsWhatWasWrittenBeforeSleeping) {
  InstallFakeHost();
  WriteRaw("wait");
  Pause(250);
  EXPECT_EQ(Fake.output, "wait");
  ASSERT_EQ(Fake.sleeps.size(), 1u);
  EXPECT_EQ(Fake.sleeps[0], 250);
}
