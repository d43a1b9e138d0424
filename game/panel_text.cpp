#include "game/panel_text.h"

#include <cstdio>

std::array<char, 4> TimeText(std::int64_t ticksLeft) {
  std::array<char, 4> text{'0', '0', '.', '0'};
  if (ticksLeft < 0) return text;
  // Room for the widest value an int64 can give, and the terminator.
  char buffer[24];
  if (ticksLeft < 1000) {
    // Three digits with leading zeros; the last moves right to make room for the point.
    std::snprintf(buffer, sizeof buffer, "%3.3d", static_cast<int>(ticksLeft));
    buffer[3] = buffer[2];
    buffer[2] = '.';
  } else {
    std::snprintf(buffer, sizeof buffer, "%4lld", static_cast<long long>(ticksLeft / 10));
  }
  // Past 9999 s (only for game times the options dialog refuses) the first four
  // digits show; the field never grows.
  for (int i = 0; i < 4; ++i) text[i] = buffer[i];
  return text;
}

std::string CounterText(std::int32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%3.3d", static_cast<int>(value));
  return buffer;
}
