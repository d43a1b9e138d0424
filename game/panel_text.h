// The texts of the score panel: the time left in four characters and the counters.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// The time left, in ticks of 100 ms, as the four characters that the time box shows:
// seconds with one decimal up to 99.9 s ("15.0", "09.9", "00.0"); from 100 s on whole
// seconds right-aligned (" 150", "9830"), since the tenths no longer fit; and "00.0"
// when the time is already past (the game time was lowered after a longer game).
std::array<char, 4> TimeText(std::int64_t ticksLeft);

// A counter with at least three digits, a sign in front when negative: 7 -> "007",
// -2 -> "-002", 1234 -> "1234".
std::string CounterText(std::int32_t value);
