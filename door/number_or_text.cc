#include "door/number_or_text.h"

#include <string_view>

#include "door/input.h"
#include "door/output.h"
#include "door/text.h"

namespace {

constexpr std::string_view kNumberKeys = "1234567890-qQ";

bool IsNumberKey(uint8_t key) {
  return kNumberKeys.find(static_cast<char>(key)) != std::string_view::npos;
}

// Printable ASCII and the code page's letters, never a control byte; a blank
// cannot begin an answer, as it never could begin a number.
bool IsTextKey(uint8_t key, const std::string& buffer) {
  if (key == ' ') return !buffer.empty();
  return (key > ' ' && key < 127) || key >= 128;
}

// Whether the key turns a number answer into text: only a letter after a
// lone Q, since "Q" alone, "Q7" and "7Q" all read as 0.
bool StartsText(uint8_t key, const std::string& buffer, bool is_text) {
  if (is_text) return false;
  if (buffer.empty()) return !IsNumberKey(key) && IsTextKey(key, buffer);
  return buffer == "Q" && !IsNumberKey(key) && IsTextKey(key, buffer);
}

}  // namespace

NumberOrText InputNumberOrText(uint8_t digits, uint8_t text_length) {
  std::string buffer;
  bool is_text = false;
  for (;;) {
    const uint8_t key = ReadKey();
    if (key == 8) {
      if (buffer.empty()) continue;
      buffer.pop_back();
      EraseBack(1);
      if (buffer.empty() || buffer == "Q") is_text = false;
    } else if (key == 13) {
      WriteRawLine("");
      break;
    } else {
      is_text = is_text || StartsText(key, buffer, is_text);
      const bool fits = buffer.size() < (is_text ? text_length : digits);
      const bool allowed = is_text ? IsTextKey(key, buffer) : IsNumberKey(key);
      if (!fits || !allowed) continue;
      const char shown = static_cast<char>(UpperChar(key));
      buffer += shown;
      WriteRaw(std::string_view(&shown, 1));
    }
  }
  NumberOrText answer;
  answer.is_text = is_text;
  if (is_text) {
    answer.text = buffer;
  } else {
    answer.number = TextToInt(buffer);
  }
  return answer;
}
