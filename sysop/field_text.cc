#include "sysop/field_text.h"

#include <cstdio>

std::string FieldText(const std::string& text) {
  std::string fit = text;
  for (char& c : fit) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return fit;
}

std::string NetWorthText(double worth) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", worth);
  return text;
}
