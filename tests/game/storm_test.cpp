// The storm with a fixed seed, and the soak: an hour of play on the virtual clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "fuzz/storm.h"

namespace {

TEST(Storm, AFixedStormBreaksNoInvariantAndReachesEveryPart) {
  std::mt19937 random(20261209);
  std::vector<std::uint8_t> bytes(4 * 5000);  // 5000 events
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  klop_storm::TStormReach r;
  EXPECT_EQ(klop_storm::RunStorm(bytes.data(), bytes.size(), &r), "");
  std::printf(
      "storm: %d runs, %d checks (%d with pictures), %d games, running %d, paused %d, minimised "
      "%d, menu open %d, about %d, options %d (%d changes), refused %d\n",
      r.Runs, r.Checks, r.PictureChecks, r.Games, r.Running, r.Paused, r.Minimised, r.MenuOpen,
      r.About, r.Options, r.OptionChanges, r.Refused);
  // A storm that no longer gets anywhere would break nothing: it must have played, and
  // been checked in every state it can drive the program into.
  EXPECT_GT(r.Runs, 1);
  EXPECT_GT(r.Checks, 1000);
  EXPECT_GT(r.PictureChecks, 100);
  EXPECT_GT(r.Games, 2);
  EXPECT_GT(r.Running, 0);
  EXPECT_GT(r.Paused, 0);
  EXPECT_GT(r.Minimised, 0);
  EXPECT_GT(r.MenuOpen, 0);
  EXPECT_GT(r.About, 0);
  EXPECT_GT(r.Options, 0);
  EXPECT_GT(r.Refused, 0);
  EXPECT_GT(r.OptionChanges, 0);
}

TEST(Soak, AnHourOfPlayKeepsObjectsAndHeapFlat) {
  const klop_storm::TSoakFigures f = klop_storm::RunSoak(20261209, 36000);
  EXPECT_EQ(f.Report, "");
  EXPECT_GE(f.Ticks, 36000);
  EXPECT_GT(f.Games, 10);
  EXPECT_GT(f.RestPoints, 100);
  EXPECT_TRUE(f.CountsFlat);
  EXPECT_LE(f.HeapHigh - f.HeapLow, 4096u);
  std::printf(
      "soak: %ld ticks, %d games, %d moments at rest: %zu windows, %zu DCs, %zu drawing "
      "objects, %zu timers, %zu menus; heap %zu bytes (%zu to %zu)\n",
      f.Ticks, f.Games, f.RestPoints, f.Counts.Windows, f.Counts.DCs, f.Counts.GdiObjects,
      f.Counts.Timers, f.Counts.Menus, f.HeapFirst, f.HeapLow, f.HeapHigh);
}

}  // namespace
