// The golden-image reader must read back exactly what the writer wrote and refuse a
// damaged file, or every look test would pass or fail for the wrong reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/support/golden.h"
#include "tools/png/png_writer.h"

namespace {

std::vector<std::uint32_t> Pattern(int w, int h) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < p.size(); ++i)
    p[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
  return p;
}

TEST(GoldenPng, ReadsBackWhatWasWrittenAcrossStoredBlocks) {
  // 200 x 120 RGB rows make more than one 64 KiB stored block.
  const auto pixels = Pattern(200, 120);
  ASSERT_TRUE(klop::png::WritePng("golden_roundtrip.png", 200, 120, pixels));
  int w = 0, h = 0;
  std::vector<std::uint32_t> back;
  std::string error;
  ASSERT_TRUE(klop::test::ReadPng("golden_roundtrip.png", w, h, back, error)) << error;
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 120);
  EXPECT_EQ(back, pixels);
  std::remove("golden_roundtrip.png");
}

TEST(GoldenPng, RefusesDamagedAndMissingFiles) {
  const auto bytes = klop::png::EncodePng(16, 16, Pattern(16, 16));
  struct Case {
    const char* what;
    std::size_t flip;  // byte to change; SIZE_MAX cuts the file in half instead
  } cases[] = {{"header byte", 20}, {"pixel byte", 100}, {"cut short", SIZE_MAX}};
  for (const Case& c : cases) {
    auto damaged = bytes;
    if (c.flip == SIZE_MAX)
      damaged.resize(damaged.size() / 2);
    else
      damaged[c.flip] ^= 0x40;
    {
      std::ofstream f("golden_damaged.png", std::ios::binary | std::ios::trunc);
      f.write(reinterpret_cast<const char*>(damaged.data()),
              static_cast<std::streamsize>(damaged.size()));
    }
    int w = 0, h = 0;
    std::vector<std::uint32_t> back;
    std::string error;
    EXPECT_FALSE(klop::test::ReadPng("golden_damaged.png", w, h, back, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  std::remove("golden_damaged.png");
  int w = 0, h = 0;
  std::vector<std::uint32_t> back;
  std::string error;
  EXPECT_FALSE(klop::test::ReadPng("no_such_golden.png", w, h, back, error));
}

}  // namespace
