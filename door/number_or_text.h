// A prompt that takes a number, as InputNumber does, or a piece of text.
#pragma once

#include <cstdint>
#include <string>

// What the caller typed at a prompt that takes either.
struct NumberOrText {
  bool is_text = false;  // he typed text; otherwise number holds his answer
  int32_t number = 0;    // InputNumber's answer: 0 for nothing, Q or junk
  std::string text;      // the text, upper-cased, when is_text
};

// An answer that begins with a digit, a minus or Q is read exactly as
// InputNumber(digits) reads it, keys and echo alike; one that begins with
// anything else printable, or with Q and a letter, is text of up to
// text_length characters.
NumberOrText InputNumberOrText(uint8_t digits, uint8_t text_length);
