#include "door/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "door/platform.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// February gets its leap day on every fourth year, as the game has always
// counted it; the months are clamped so a bad date can never index past the
// table.
int MonthLength(int month, int year) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int index = std::clamp(month, 1, 12) - 1;
  if (index == 1 && year % 4 == 0) return 29;
  return kDays[index];
}

}  // namespace

std::string CutText(std::string_view text, size_t max) {
  return std::string(text.substr(0, std::min(text.size(), max)));
}

std::string IntToText(int32_t number) { return std::to_string(number); }

int32_t TextToInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return 0;
  // Accumulated as a negative number so that -2147483648 fits.
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return 0;
    value = value * 10 - (text[i] - '0');
    if (value < INT32_MIN) return 0;
  }
  if (!negative) {
    if (-value > INT32_MAX) return 0;
    return static_cast<int32_t>(-value);
  }
  return static_cast<int32_t>(value);
}

uint8_t UpperChar(uint8_t c) {
  return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 'a' + 'A') : c;
}

uint8_t LowerChar(uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c - 'A' + 'a') : c;
}

std::string UpperText(std::string_view text) {
  std::string result = CutText(text, kMaxText);
  for (char& c : result) c = static_cast<char>(UpperChar(static_cast<uint8_t>(c)));
  return result;
}

std::string PadRight(std::string_view text, uint8_t width, char fill) {
  std::string result = CutText(text, width);
  result.append(width - result.size(), fill);
  return result;
}

std::string PadLeft(std::string_view text, uint8_t width, char fill) {
  if (text.size() >= width) return CutText(text, width);
  std::string result(width - text.size(), fill);
  result.append(text);
  return result;
}

std::string CenterText(std::string_view text, uint8_t width, char fill) {
  // A text wider than the field is cut like the padding helpers cut it, so a
  // box drawn around it keeps its width.
  if (text.size() >= width) return CutText(text, width);
  const size_t spare = width - text.size();
  const size_t left = spare / 2;
  std::string result(left, fill);
  result.append(text);
  result.append(spare - left, fill);
  return result;
}

std::string RepeatChar(char c, uint8_t count) { return std::string(count, c); }

std::string TwoDigits(uint16_t number) {
  std::string result = std::to_string(number);
  if (result.size() == 1) result.insert(result.begin(), '0');
  return result;
}

bool FileExists(std::string_view name) {
  // A directory of that name is not a file the game could open.
  struct stat info {};
  if (stat(std::string(name).c_str(), &info) != 0) return false;
  return !S_ISDIR(info.st_mode);
}

bool FileReadable(std::string_view name) {
  const int fd = open(std::string(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::string StreetsPhrase(int32_t count) {
  if (count <= 0) return "no more streets";
  if (count == 1) return "1 more street";
  return IntToText(count) + " more streets";
}

uint8_t TodayDay() {
  return static_cast<uint8_t>(std::clamp(Host.Now().Day, 1, 31));
}

uint8_t DaysSinceDay(uint8_t n) {
  const LocalClock now = Host.Now();
  return DaysBetween(n, now.Day, now.Month, now.Year);
}

uint8_t DaysBetween(uint8_t n, int today_day, int today_month, int today_year) {
  const int previous_month = today_month <= 1 ? 12 : today_month - 1;
  int days;
  if (today_day > n) {
    days = today_day - n;
  } else {
    days = MonthLength(previous_month, today_year) - n + today_day;
  }
  // The overnight report multiplies by this count, so a day that does not
  // exist in the month before must still count as one night, not zero or a
  // wrapped-around byte.
  return static_cast<uint8_t>(std::clamp(days, 1, 255));
}

std::string Rule(int count) {
  return std::string(static_cast<size_t>(std::clamp(count, 0, static_cast<int>(kMaxText))), kRuleChar);
}

std::string TrimBlanks(std::string_view text) {
  size_t start = 0;
  size_t end = text.size();
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(start, end - start));
}

std::string NameOnScreen(std::string_view name) {
  std::string shown(name);
  for (size_t i = 0; i < shown.size(); ++i) {
    const uint8_t c = static_cast<uint8_t>(shown[i]);
    const bool screen_code = c == '|' && i + 2 < shown.size() && shown[i + 1] == 'C' &&
                             (shown[i + 2] == 'L' || shown[i + 2] == 'R');
    if (c < 32 || c == 127 || screen_code) shown[i] = '?';
  }
  return shown;
}

std::string Ordinal(int n) {
  const int last_two = (n < 0 ? -n : n) % 100;
  std::string suffix = "th";
  if (last_two < 11 || last_two > 13) {
    switch (last_two % 10) {
      case 1: suffix = "st"; break;
      case 2: suffix = "nd"; break;
      case 3: suffix = "rd"; break;
      default: break;
    }
  }
  return IntToText(n) + suffix;
}

std::string ClockText(int units_left, int day_units) {
  // A time budget outside the day (overspent, or a damaged record) would give
  // hours and minutes off the clock face, so it is shown at the day's edges.
  const int left = std::clamp(units_left, 0, day_units);
  const int percent = (left * 200 + day_units) / (2 * day_units);
  const int elapsed = 100 - percent;
  const int hour = elapsed / 10 + 1;
  const int minute = (elapsed % 10) * 5;
  return IntToText(hour) + ":" + TwoDigits(static_cast<uint16_t>(minute)) + "PM";
}
