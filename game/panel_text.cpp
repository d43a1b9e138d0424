#include "game/panel_text.h"

#include <cstdio>

std::array<char, 4> TimeText(std::int64_t ticksLeft) {
  std::array<char, 4> text{'0', '0', '.', '0'};
  if (ticksLeft < 0) return text;
  // Drawn on every tick: digits by hand rather than through the formatted output.
  if (ticksLeft < 1000) {
    // Three digits with leading zeros; the last moves right to make room for the point.
    const int v = static_cast<int>(ticksLeft);
    text[0] = static_cast<char>('0' + v / 100);
    text[1] = static_cast<char>('0' + v / 10 % 10);
    text[3] = static_cast<char>('0' + v % 10);
    return text;
  }
  // Whole seconds, right-aligned in four; past 9999 s (only for game times the options
  // dialog refuses) the first four digits show, and the field never grows.
  char reversed[20];  // least significant first; 19 digits at most
  int count = 0;
  for (std::int64_t s = ticksLeft / 10; s != 0; s /= 10) {
    reversed[count++] = static_cast<char>('0' + s % 10);
  }
  const int pad = count < 4 ? 4 - count : 0;
  for (int i = 0; i < 4; ++i) text[i] = i < pad ? ' ' : reversed[count - 1 - (i - pad)];
  return text;
}

std::string CounterText(std::int32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%3.3d", static_cast<int>(value));
  return buffer;
}
