// The game window's picture from the program's entry: the first picture, the panel's
// time texts as drawn, and a start without its pictures.
#include <string>

#include "app/dc.h"
#include "tests/game/game_fixture.h"
#include "tests/game/game_support.h"
#include "tests/support/golden.h"

namespace klop_test {
namespace {

constexpr std::uint32_t kGrey = 0xC0C0C0;

TEST_F(TGameTest, FirstPictureIsTheBoardAndTheGameOverPicture) {
  At(0ms, [&] {
    const auto picture = Picture();
    klop::test::ExpectGolden("game_first_picture", 282, 400, picture);

    // Background, board at (11,214), game-over picture at (10,70), and no hole: the
    // picture put together from the resource bitmaps, outside the number areas.
    const int noHoles[5] = {};
    const TImage expected = ExpectedPicture(true, noHoles);
    int differing = 0;
    for (int y = 0; y < 400; ++y) {
      for (int x = 0; x < 282; ++x) {
        if (!InNumberArea(x, y) && picture[y * 282 + x] != expected.At(x, y)) ++differing;
      }
    }
    EXPECT_EQ(differing, 0);
    for (auto [x, y] : {std::pair{0, 0}, {281, 0}, {0, 399}, {281, 399}, {5, 150}, {276, 150}}) {
      EXPECT_EQ(Pixel(x, y), kGrey) << x << "," << y;
    }
    EXPECT_TRUE(PanelShows(0, "15.0"));
    for (int box = 1; box <= 4; ++box) EXPECT_TRUE(PanelShows(box, "000")) << box;
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TGameTest, TimeTextsAsDrawn) {
  const struct {
    std::int32_t gameTime;
    std::int32_t ticks;
    const char* shown;
  } cases[] = {
      {150, 0, "15.0"},       {150, 51, "09.9"}, {150, 140, "01.0"},   {150, 145, "00.5"},
      {150, 150, "00.0"},     {1500, 0, " 150"}, {1500, 1499, "00.1"}, {98300, 0, "9830"},
      {98300, 88300, "1000"}, {1000, 0, " 100"}, {100, 150, "00.0"},   {600, 98290, "00.0"},
  };
  At(0ms, [&] {
    TGameWindow& game = Window();
    for (const auto& c : cases) {
      game.GameTime = c.gameTime;
      game.Ticks = c.ticks;
      TClientDC dc(Game());
      game.DrawScore(dc);
      EXPECT_TRUE(PanelShows(0, c.shown)) << c.gameTime << " - " << c.ticks << ": " << c.shown;
    }
    // A repaint shows the same: the time past after a lowered game time.
    game.GameTime = 100;
    game.Ticks = 150;
    ::InvalidateRect(Game(), nullptr, TRUE);
  });
  At(100ms, [&] {
    EXPECT_TRUE(PanelShows(0, "00.0"));
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TGameTest, CountersAsDrawn) {
  At(0ms, [&] {
    TGameWindow& game = Window();
    game.Hits = 7;
    game.Misses = 42;
    game.Escaped = 1000;
    game.Score = -2;
    TClientDC dc(Game());
    game.DrawScore(dc);
    game.DrawScore(dc);  // twice leaves it as once
    EXPECT_TRUE(PanelShows(1, "007"));
    EXPECT_TRUE(PanelShows(2, "042"));
    EXPECT_TRUE(PanelShows(3, "1000"));
    EXPECT_TRUE(PanelShows(4, "-002"));
    EXPECT_FALSE(PanelShows(4, "-003"));  // the comparison can tell numbers apart
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TGameTest, HolesCoverExactlyTheirSquares) {
  At(0ms, [&] {
    TGameWindow& game = Window();
    // Paint a frame of black around hole 2 and a dead flag on an empty hole.
    TClientDC dc(Game());
    ::SelectObject(dc, ::GetStockObject(BLACK_BRUSH));
    ::Rectangle(dc, 99, 99, 174, 174);
    game.Holes[2] = THole{0, true};
    game.DrawHole(dc, 2);
    EXPECT_EQ(Pixel(100, 100), kGrey);
    EXPECT_EQ(Pixel(171, 171), kGrey);
    EXPECT_EQ(Pixel(99, 99), 0u);    // left and top: outside the square
    EXPECT_EQ(Pixel(172, 130), 0u);  // the column right of it is untouched
    EXPECT_EQ(Pixel(130, 172), 0u);  // and the row below
    game.Holes[2] = THole{5, false};
    game.DrawHole(dc, 2);
    EXPECT_EQ(Pixel(136, 136), 0u);  // the live critter's middle is black
    game.Holes[2] = THole{5, true};
    game.DrawHole(dc, 2);
    EXPECT_EQ(Pixel(136, 136), 0x00FFFFu);  // the squashed one's is cyan
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TGameTest, BitmapThatCannotBeLoadedEndsTheStart) {
  platform::RefuseForTesting(platform::TOperation::LoadBitmapA, 3);  // "GameOver"
  bool reported = false;
  At(0ms, [&] {
    HWND box = ::GetActiveWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), "Unhandled Exception");
    // No window of the program was shown before the report.
    for (platform::HostWindow w = 1; w < 64; ++w) {
      const auto* state = host.Window(w);
      if (state && state->title != "Unhandled Exception") {
        EXPECT_EQ(state->show, platform::HostShow::Hidden) << state->title;
      }
    }
    reported = true;
    Key(0ms, VK_RETURN);
  });
  EXPECT_EQ(Run(), -1);
  EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace klop_test
