// Text, number and calendar helpers shared by the door and the game. Texts are
// byte strings of at most 255 bytes; longer results are cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr size_t kMaxText = 255;

std::string IntToText(int32_t number);
int32_t TextToInt(std::string_view text);
std::string UpperText(std::string_view text);
uint8_t LowerChar(uint8_t c);
uint8_t UpperChar(uint8_t c);
std::string PadRight(std::string_view text, uint8_t width, char fill);
std::string PadLeft(std::string_view text, uint8_t width, char fill);
std::string CenterText(std::string_view text, uint8_t width, char fill);
std::string RepeatChar(char c, uint8_t count);
std::string TwoDigits(uint16_t number);
bool FileExists(std::string_view name);
bool FileReadable(std::string_view name);
std::string StreetsPhrase(int32_t count);
uint8_t TodayDay();
// Days from day n of the month until today; never less than 1.
uint8_t DaysSinceDay(uint8_t n);
// The pure rule behind DaysSinceDay, for a given today.
uint8_t DaysBetween(uint8_t n, int today_day, int today_month, int today_year);
// A rule for screens: count copies of the CP437 line character (196).
constexpr char kRuleChar = '\xC4';
std::string Rule(int count);
// Cuts a text to at most max bytes.
std::string CutText(std::string_view text, size_t max);
// The text without the blanks (spaces and tabs) before and after it.
std::string TrimBlanks(std::string_view text);
// A name as any screen shows it. Names come from drop files, other boards and
// other callers, so a control byte (below 32, and 127) is shown as '?', and
// so is the bar of a |CL or |CR, which would clear or break another caller's
// screen; colour codes and the code page's letters above 127 stay.
std::string NameOnScreen(std::string_view name);
// 1st, 2nd, 3rd, 4th, 11th, 21st...
std::string Ordinal(int n);
// The evening clock a day of day_units shows with units_left of it left:
// "1:00PM" at its start to "11:00PM" at its end.
std::string ClockText(int units_left, int day_units);
