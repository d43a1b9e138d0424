// The icon maker: whole-number sizes, the small size's choice of colours, and an SVG
// that paints exactly the icon's pixels.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "packaging/icons.h"
#include "tools/rc/xpm_reader.h"

namespace klop::packaging {
namespace {

constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kTeal = 0xFF008080u;
constexpr std::uint32_t kNavy = 0xFF000080u;

TEST(Icons, WholeNumberSizes) {
  const TIcon icon{2, {kBlack, kWhite, kTeal, kNone}};
  const auto big = ScaleIcon(icon, 4);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->Pixels, (std::vector<std::uint32_t>{kBlack, kBlack, kWhite, kWhite,  //
                                                     kBlack, kBlack, kWhite, kWhite,  //
                                                     kTeal, kTeal, kNone, kNone,      //
                                                     kTeal, kTeal, kNone, kNone}));
  EXPECT_FALSE(ScaleIcon(icon, 3));
  EXPECT_FALSE(ScaleIcon(TIcon{32, std::vector<std::uint32_t>(32 * 32)}, 24));
  EXPECT_FALSE(ScaleIcon(icon, 0));
  EXPECT_FALSE(ScaleIcon(icon, 2 * kMaxIconSide));
}

TEST(Icons, HalfSizeTakesEachBlocksMostFrequentColour) {
  struct {
    std::vector<std::uint32_t> Block;  // 2 x 2
    std::uint32_t Expected;
    const char* What;
  } cases[] = {
      {{kNavy, kTeal, kTeal, kBlack}, kTeal, "the most frequent"},
      {{kTeal, kNavy, kNavy, kTeal}, kTeal, "a tie goes to the lighter"},
      {{kBlack, kWhite, kWhite, kBlack}, kWhite, "...also against black"},
      {{kNone, kBlack, kNone, kBlack}, kBlack, "transparency loses a tie"},
      {{kNone, kNone, kNone, kBlack}, kNone, "...but not a majority"},
  };
  for (const auto& c : cases) {
    const auto small = ScaleIcon(TIcon{2, c.Block}, 1);
    ASSERT_TRUE(small) << c.What;
    EXPECT_EQ(small->Pixels[0], c.Expected) << c.What;
  }
}

TEST(Icons, SvgPaintsTheIconsPixels) {
  std::ifstream in(KLOP_ICON_FILE, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const auto icon = IconFromXpm(rc::ReadXpm(text.str(), KLOP_ICON_FILE));
  ASSERT_TRUE(icon);

  const std::string svg = IconSvg(*icon);
  std::vector<std::uint32_t> painted(icon->Pixels.size(), kNone);
  const std::regex group(R"re(<g fill="#([0-9A-F]{6})">(.*?)</g>)re");
  const std::regex rect(R"re(<rect x="(\d+)" y="(\d+)" width="(\d+)" height="1"/>)re");
  int rects = 0;
  for (std::sregex_iterator g(svg.begin(), svg.end(), group), end; g != end; ++g) {
    const std::uint32_t colour = kBlack | std::stoul((*g)[1].str(), nullptr, 16);
    const std::string runs = (*g)[2].str();
    for (std::sregex_iterator r(runs.begin(), runs.end(), rect); r != end; ++r, ++rects) {
      const int x = std::stoi((*r)[1].str()), y = std::stoi((*r)[2].str());
      const int w = std::stoi((*r)[3].str());
      ASSERT_LE(x + w, icon->Side);
      ASSERT_LT(y, icon->Side);
      for (int i = x; i < x + w; ++i) {
        std::uint32_t& p = painted[static_cast<std::size_t>(y) * icon->Side + i];
        EXPECT_EQ(p, kNone) << "painted twice at " << i << "," << y;
        p = colour;
      }
    }
  }
  EXPECT_EQ(painted, icon->Pixels);
  // One rectangle per run of equal opaque pixels, none cut in two.
  int runs = 0;
  for (std::size_t i = 0; i < icon->Pixels.size(); ++i) {
    const bool rowStart = i % static_cast<std::size_t>(icon->Side) == 0;
    runs += icon->Pixels[i] != kNone && (rowStart || icon->Pixels[i - 1] != icon->Pixels[i]);
  }
  EXPECT_EQ(rects, runs);
}

}  // namespace
}  // namespace klop::packaging
