// The panel's texts: exact characters for every kind of value, since they are what the
// player reads and what the boxes were sized for.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "game/panel_text.h"

namespace {

std::string Time(std::int64_t ticks) {
  const auto text = TimeText(ticks);
  return std::string(text.begin(), text.end());
}

TEST(PanelText, TimeInTenthsBelowHundredSeconds) {
  const struct {
    std::int64_t ticks;
    const char* shown;
  } cases[] = {
      {150, "15.0"}, {149, "14.9"}, {99, "09.9"},  {10, "01.0"},
      {5, "00.5"},   {0, "00.0"},   {999, "99.9"}, {600, "60.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Time(c.ticks), c.shown) << c.ticks;
}

TEST(PanelText, TimeInWholeSecondsFromHundredSecondsOn) {
  const struct {
    std::int64_t ticks;
    const char* shown;
  } cases[] = {
      {1000, " 100"},
      {1009, " 100"},
      {1500, " 150"},
      {9999, " 999"},
      {10000, "1000"},
      {98300, "9830"},
      {98290, "9829"},
      // Longer than any game the options allow: the first four digits, never wider.
      {123456, "1234"},
      {INT64_C(2147483647), "2147"},
  };
  for (const auto& c : cases) EXPECT_EQ(Time(c.ticks), c.shown) << c.ticks;
}

TEST(PanelText, TimeAlreadyPastShowsZero) {
  for (std::int64_t ticks : {INT64_C(-1), INT64_C(-5), INT64_C(-450), INT64_C(-98290),
                             static_cast<std::int64_t>(INT_MIN) * 2}) {
    EXPECT_EQ(Time(ticks), "00.0") << ticks;
  }
}

TEST(PanelText, CountersHaveThreeDigitsAtLeast) {
  const struct {
    std::int32_t value;
    const char* shown;
  } cases[] = {
      {0, "000"},
      {7, "007"},
      {42, "042"},
      {999, "999"},
      {1000, "1000"},
      {1234, "1234"},
      {-2, "-002"},
      {-1234, "-1234"},
      {INT32_MAX, "2147483647"},
      {INT32_MIN, "-2147483648"},
  };
  for (const auto& c : cases) EXPECT_EQ(CounterText(c.value), c.shown) << c.value;
}

}  // namespace
