// The door's text is IBM code page 437; a web page needs the same characters
// in Unicode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "door/utf8.h"

// The character a CP437 screen shows for the byte, control bytes included
// (1 is a smiling face, 196 a horizontal line).
uint16_t Cp437ToUnicode(uint8_t byte);

// Every byte as the character it shows.
std::string Cp437ToUtf8(std::string_view text);
