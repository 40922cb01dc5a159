#include "door/text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/output.h"
#include "door/scratch_testing.h"

namespace {

TEST(TextNumbers, IntToTextCoversTheWholeRange) {
  EXPECT_EQ(IntToText(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToText(INT32_MAX), "2147483647");
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-7), "-7");
}

TEST(TextNumbers, TextToIntAcceptsOnlyWholeIntegers) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"007", 7},
      {"-5", -5},
      {"+5", 5},
      {"  \t42", 42},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"0000000000002147483647", INT32_MAX},
      {"2147483648", 0},
      {"-2147483649", 0},
      {"99999999999999999999999", 0},
      {"12Q", 0},
      {"5-", 0},
      {"1:", 0},
      {"", 0},
      {"-", 0},
      {"+", 0},
      {"   ", 0},
      {"12 ", 0},
      {"- 5", 0},
      {"--5", 0},
      {"+-5", 0},
      {"1 2", 0},
      {"0x10", 0},
      {"\xB3" "5", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToInt(c.text), c.value) << "text \"" << c.text << "\"";
  }
}

TEST(TextNumbers, OrdinalSuffixes) {
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "0th"},   {1, "1st"},   {2, "2nd"},   {3, "3rd"},    {4, "4th"},     {11, "11th"},
      {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"},  {23, "23rd"},   {31, "31st"},
      {99, "99th"}, {101, "101st"}, {112, "112th"}, {255, "255th"}};
  for (const auto& [n, text] : cases) EXPECT_EQ(Ordinal(n), text) << n;
}

TEST(TextNumbers, ClockFaceStaysBetweenOneAndEleven) {
  const std::vector<std::pair<int16_t, std::string>> cases = {
      {260, "1:00PM"}, {259, "1:00PM"}, {257, "1:05PM"},  {233, "2:00PM"},
      {130, "6:00PM"}, {1, "11:00PM"},  {0, "11:00PM"},   {-40, "11:00PM"},
      {300, "1:00PM"}, {32767, "1:00PM"}, {-32768, "11:00PM"}};
  constexpr int kGameDay = 260;  // the time units of a whole day
  for (const auto& [left, text] : cases) EXPECT_EQ(ClockText(left, kGameDay), text) << left;
}

TEST(TextCase, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ(UpperText("abc xyz AZ 09 {}`@"), "ABC XYZ AZ 09 {}`@");
  EXPECT_EQ(UpperText("\x81\x82\xE9"), "\x81\x82\xE9");
  EXPECT_EQ(UpperText(std::string(300, 'q')), std::string(255, 'Q'));
  EXPECT_EQ(LowerChar('A'), 'a');
  EXPECT_EQ(LowerChar('Z'), 'z');
  EXPECT_EQ(LowerChar('@'), '@');
  EXPECT_EQ(LowerChar('['), '[');
  EXPECT_EQ(LowerChar(0x8E), 0x8E);
  EXPECT_EQ(UpperChar('a'), 'A');
  EXPECT_EQ(UpperChar('z'), 'Z');
  EXPECT_EQ(UpperChar('`'), '`');
  EXPECT_EQ(UpperChar('{'), '{');
  EXPECT_EQ(UpperChar(0x84), 0x84);
}

TEST(TextLayout, PaddingAndCentringGiveExactlyTheWidth) {
  EXPECT_EQ(PadRight("Bob", 5, '.'), "Bob..");
  EXPECT_EQ(PadRight("Roberta", 5, '.'), "Rober");
  EXPECT_EQ(PadRight("Bob", 0, '.'), "");
  EXPECT_EQ(PadRight("", 3, ' '), "   ");
  EXPECT_EQ(PadRight(std::string(255, 'x'), 255, ' ').size(), 255u);
  EXPECT_EQ(PadLeft("42", 5, ' '), "   42");
  EXPECT_EQ(PadLeft("123456", 4, ' '), "1234");
  EXPECT_EQ(PadLeft("1234", 4, '0'), "1234");
  EXPECT_EQ(PadLeft("7", 3, '0'), "007");
  EXPECT_EQ(CenterText("abc", 8, ' '), "  abc   ");
  EXPECT_EQ(CenterText("abcd", 8, '\xC4'), "\xC4\xC4" "abcd\xC4\xC4");
  EXPECT_EQ(CenterText("abc", 3, ' '), "abc");
  EXPECT_EQ(CenterText("", 3, '*'), "***");
  EXPECT_EQ(CenterText("abcdef", 4, ' '), "abcd");
  EXPECT_EQ(RepeatChar('\xC4', 3), "\xC4\xC4\xC4");
  EXPECT_EQ(RepeatChar('=', 0), "");
  EXPECT_EQ(RepeatChar('=', 255).size(), 255u);
  EXPECT_EQ(CutText("abcdef", 3), "abc");
  EXPECT_EQ(CutText("ab", 3), "ab");
}

TEST(TextLayout, TwoDigitsAndStreets) {
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_EQ(TwoDigits(7), "07");
  EXPECT_EQ(TwoDigits(12), "12");
  EXPECT_EQ(TwoDigits(65535), "65535");
  EXPECT_EQ(StreetsPhrase(0), "no more streets");
  EXPECT_EQ(StreetsPhrase(1), "1 more street");
  EXPECT_EQ(StreetsPhrase(2), "2 more streets");
  EXPECT_EQ(StreetsPhrase(99), "99 more streets");
}

TEST(Calendar, DaysBetweenFollowsTheMonthBefore) {
  struct Case {
    int n, day, month, year;
    int days;
  } cases[] = {
      {10, 15, 3, 2026, 5},   // same month
      {28, 2, 3, 2026, 2},    // February of a common year
      {28, 2, 3, 2028, 3},    // February of a leap year
      {29, 1, 3, 2028, 1},
      {30, 1, 2, 2026, 2},    // January has 31 days
      {31, 1, 6, 2026, 1},    // May has 31 days
      {31, 1, 1, 2026, 1},    // the month before January is December
      {15, 15, 1, 2026, 31},  // the same day: a whole month went by
      {1, 31, 12, 2026, 30},
      {0, 5, 7, 2026, 5},
      // Days the month before does not have: the formula gives 0 or less,
      // and the count stays 1 because it is multiplied by.
      {31, 1, 3, 2026, 1},    // 28 - 31 + 1 = -2
      {30, 1, 3, 2026, 1},    // 28 - 30 + 1 = -1
      {29, 1, 3, 2026, 1},    // 28 - 29 + 1 = 0
      {31, 1, 5, 2026, 1},    // 30 - 31 + 1 = 0
      {31, 1, 10, 2026, 1},   // September: 30 - 31 + 1 = 0
      {31, 2, 5, 2026, 1},    // 30 - 31 + 2 = 1
      {200, 3, 4, 2026, 1},   // a day number out of any month
      // Dates that no calendar has must not reach outside the month table.
      {10, 5, 0, 2026, 26},   // December stands before month 0
      {10, 5, 14, 2026, 26},  // and before any month past the end
      {10, 5, -3, 2026, 26},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DaysBetween(static_cast<uint8_t>(c.n), c.day, c.month, c.year), c.days)
        << "day " << c.n << " until " << c.day << "." << c.month << "." << c.year;
  }
}

TEST(Calendar, TodayAndDaysSinceReadTheHostClock) {
  InstallFakeHost();
  SetFakeNow(LocalClock{2028, 3, 2, 23, 59, 0});
  EXPECT_EQ(TodayDay(), 2);
  EXPECT_EQ(DaysSinceDay(28), 3);
  EXPECT_EQ(DaysSinceDay(1), 1);
  SetFakeNow(LocalClock{2026, 1, 1, 0, 0, 0});
  EXPECT_EQ(TodayDay(), 1);
  EXPECT_EQ(DaysSinceDay(31), 1);
  EXPECT_EQ(DaysSinceDay(30), 2);
}

TEST(Files, ExistsAndReadable) {
  const std::string dir = MakeScratchDir();
  WriteScratchFile(dir + "/present.dat", "x");
  mkdir((dir + "/folder.d").c_str(), 0755);
  EXPECT_TRUE(FileExists(dir + "/present.dat"));
  EXPECT_TRUE(FileReadable(dir + "/present.dat"));
  EXPECT_FALSE(FileExists(dir + "/absent.dat"));
  EXPECT_FALSE(FileReadable(dir + "/absent.dat"));
  EXPECT_FALSE(FileExists(dir + "/folder.d"));
  EXPECT_FALSE(FileExists(""));
}

// Names come from drop files and other callers: what they could do to a
// screen is shown as '?', what a caller could type stays.
TEST(Names, TerminalCodesShowAsQuestionMarksAndBlanksAroundAreDropped) {
  EXPECT_EQ(NameOnScreen("|12Ev\x1b[2Jil|00"), "|12Ev?[2Jil|00");
  EXPECT_EQ(NameOnScreen(std::string("a\0b\x7f\x1f\x80\xFF", 7)), "a?b??\x80\xFF");
  EXPECT_EQ(NameOnScreen("|CL|CR|C|cl"), "?CL?CR|C|cl");
  EXPECT_EQ(TrimBlanks(" \tJane Doe \t"), "Jane Doe");
  EXPECT_EQ(TrimBlanks("  "), "");
}

}  // namespace
