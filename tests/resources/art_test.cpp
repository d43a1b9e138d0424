// The pictures, cursors and icon as the game loads them: sizes, colours, the plain light
// grey margins that let pictures overlap, the olive number boxes that the score repaint
// relies on, and the mallets' hot spots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/resources/cursor_icon.h"
#include "platform/resources/resources.h"
#include "res/klop_resources.h"
#include "tools/png/png_writer.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kOlive = RGB(128, 128, 0);
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

constexpr COLORREF kPalette[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

bool InPalette(COLORREF c) {
  return std::find(std::begin(kPalette), std::end(kPalette), c) != std::end(kPalette);
}

// Inclusive pixel rectangle, as the pictures' facts are stated.
struct TBox {
  int x0, y0, x1, y1;
  bool Holds(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

std::string Where(const char* what, int x, int y, COLORREF c) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s: pixel (%d,%d) is RGB(%d,%d,%d)", what, x, y, GetRValue(c),
                GetGValue(c), GetBValue(c));
  return buf;
}

// A loaded bitmap read back pixel by pixel through a memory context.
struct TPicture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> px;
  COLORREF At(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }

  // "" when every pixel of `box` is `colour`, else the first that is not.
  std::string AllOf(const TBox& box, COLORREF colour, const char* what) const {
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x)
        if (At(x, y) != colour) return Where(what, x, y, At(x, y));
    return "";
  }
  int Count(const TBox& box, COLORREF colour) const {
    int n = 0;
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x) n += At(x, y) == colour;
    return n;
  }
  // Smallest box around the pixels of `box` that are not `background`.
  TBox Extent(const TBox& box, COLORREF background) const {
    TBox e{box.x1 + 1, box.y1 + 1, box.x0 - 1, box.y0 - 1};
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x)
        if (At(x, y) != background) {
          e = {std::min(e.x0, x), std::min(e.y0, y), std::max(e.x1, x), std::max(e.y1, y)};
        }
    return e;
  }
};

TPicture Load(const char* name) {
  TPicture p;
  HBITMAP bmp = LoadBitmapA(klop::Module(), name);
  if (bmp == nullptr) {
    ADD_FAILURE() << "LoadBitmapA(\"" << name << "\") failed";
    return p;
  }
  BITMAP info{};
  EXPECT_EQ(GetObjectA(bmp, sizeof info, &info), static_cast<int>(sizeof info));
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  p.width = info.bmWidth;
  p.height = info.bmHeight;
  p.px.resize(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      p.px[static_cast<std::size_t>(y) * p.width + x] = GetPixel(mem, x, y);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  return p;
}

struct TNumberBox {
  const char* name;
  TBox interior;  // picture coordinates
  TBox label;     // extent of the label with its white edge
  RECT repaint;   // the corners the score repaint passes to Rectangle, client coordinates
};

// The board's five boxes; the repaint rectangles fill one pixel less on the right and
// bottom, and the time's leaves the box's nine left-hand columns alone.
const TNumberBox kBoxes[] = {
    {"time", {110, 38, 150, 59}, {117, 26, 142, 34}, {130, 252, 163, 275}},
    {"hits", {29, 96, 58, 113}, {29, 84, 49, 92}, {40, 310, 71, 329}},
    {"misses", {66, 96, 104, 113}, {66, 84, 102, 92}, {77, 310, 117, 329}},
    {"escaped", {122, 96, 161, 113}, {122, 84, 169, 94}, {133, 310, 174, 329}},
    {"score", {192, 96, 226, 112}, {192, 84, 219, 92}, {203, 310, 239, 328}},
};

constexpr POINT kBoardAt{11, 214};
constexpr POINT kGameOverAt{10, 70};

TEST(Pictures, SizesAndColours) {
  struct {
    const char* name;
    int width, height;
  } const cases[] = {
      {"Board", 260, 156}, {"Live", 72, 72}, {"Dead", 72, 72}, {"GameOver", 262, 145}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TPicture p = Load(c.name);
    ASSERT_EQ(p.width, c.width);
    ASSERT_EQ(p.height, c.height);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        ASSERT_TRUE(InPalette(p.At(x, y))) << Where(c.name, x, y, p.At(x, y));
  }
}

// Pictures overlap each other and the holes only where they are plain light grey, and a
// critter square must not show its edge next to an empty hole.
TEST(Pictures, PlainLightGreyWhereTheyMeetOthers) {
  struct {
    const char* name;
    std::vector<TBox> plain;
  } const cases[] = {
      {"Board",
       {{0, 0, 259, 1},
        {0, 138, 259, 155},
        {0, 0, 0, 155},
        {259, 0, 259, 155},
        {0, 0, 86, 57},
        {174, 0, 259, 57}}},
      {"GameOver", {{0, 0, 261, 23}, {0, 107, 261, 144}, {0, 0, 0, 144}, {261, 0, 261, 144}}},
      {"Live", {{0, 0, 71, 15}, {0, 53, 71, 71}, {0, 0, 2, 71}, {69, 0, 71, 71}}},
      {"Dead", {{0, 0, 71, 8}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TPicture p = Load(c.name);
    ASSERT_FALSE(p.px.empty());
    for (const TBox& b : c.plain) EXPECT_EQ(p.AllOf(b, kLightGrey, c.name), "");
  }
  // The drawings reach the edges that their extents name, so the margins above are the
  // real ones and not a shrunken picture.
  EXPECT_EQ(Load("Live").Extent({0, 0, 71, 71}, kLightGrey).y1, 52);
  const TBox dead = Load("Dead").Extent({0, 0, 71, 71}, kLightGrey);
  EXPECT_EQ(dead.x0, 0);
  EXPECT_EQ(dead.x1, 71);
  EXPECT_EQ(dead.y0, 9);
  EXPECT_EQ(dead.y1, 71);
  const TBox over = Load("GameOver").Extent({0, 0, 261, 144}, kLightGrey);
  EXPECT_EQ(over.y0, 24);
  EXPECT_EQ(over.y1, 106);
}

TEST(Board, OutlinesRimAndPanel) {
  const TPicture b = Load("Board");
  ASSERT_EQ(b.width, 260);
  // The two black outlines of the upside-down T.
  const TBox outlines[] = {
      {87, 2, 173, 2},    {87, 2, 87, 58},    {173, 2, 173, 58},   {1, 58, 87, 58},
      {173, 58, 258, 58}, {1, 58, 1, 137},    {258, 58, 258, 137}, {1, 137, 258, 137},
      {106, 21, 154, 21}, {106, 21, 106, 77}, {154, 21, 154, 77},  {20, 77, 106, 77},
      {154, 77, 239, 77}, {20, 77, 20, 118},  {239, 77, 239, 118}, {20, 118, 239, 118},
  };
  for (const TBox& o : outlines) EXPECT_EQ(b.AllOf(o, kBlack, "outline"), "");

  // Bevels lit from the upper left, sampled away from the mitred corners.
  // A one-pixel checkerboard of `a` and `c`, in either phase.
  auto checker = [&](const TBox& box, COLORREF a, COLORREF c) {
    const COLORREF first = b.At(box.x0, box.y0);
    if (first != a && first != c) return Where("checker", box.x0, box.y0, first);
    const COLORREF second = first == a ? c : a;
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x) {
        const COLORREF want = (x + y - box.x0 - box.y0) % 2 == 0 ? first : second;
        if (b.At(x, y) != want) return Where("checker", x, y, b.At(x, y));
      }
    return std::string();
  };
  EXPECT_EQ(checker({95, 3, 165, 5}, kCyan, kWhite), "") << "outer top, tab";
  EXPECT_EQ(checker({10, 59, 80, 61}, kCyan, kWhite), "") << "outer top, left arm";
  EXPECT_EQ(checker({180, 59, 250, 61}, kCyan, kWhite), "") << "outer top, right arm";
  EXPECT_EQ(b.AllOf({2, 66, 4, 130}, kCyan, "outer left"), "");
  EXPECT_EQ(b.AllOf({88, 10, 90, 50}, kCyan, "outer left, tab"), "");
  EXPECT_EQ(b.AllOf({255, 66, 257, 130}, kTeal, "outer right"), "");
  EXPECT_EQ(b.AllOf({170, 10, 172, 50}, kTeal, "outer right, tab"), "");
  EXPECT_EQ(b.AllOf({10, 134, 250, 136}, kGrey, "outer bottom"), "");
  EXPECT_EQ(b.AllOf({110, 18, 150, 20}, kGrey, "above the panel, tab"), "");
  EXPECT_EQ(b.AllOf({25, 74, 100, 76}, kGrey, "above the panel, left"), "");
  EXPECT_EQ(b.AllOf({160, 74, 235, 76}, kGrey, "above the panel, right"), "");
  EXPECT_EQ(b.AllOf({17, 82, 19, 114}, kTeal, "left of the panel"), "");
  EXPECT_EQ(b.AllOf({103, 25, 105, 72}, kTeal, "left of the panel, tab"), "");
  EXPECT_EQ(b.AllOf({240, 82, 242, 114}, kCyan, "right of the panel"), "");
  EXPECT_EQ(b.AllOf({155, 25, 157, 72}, kCyan, "right of the panel, tab"), "");
  EXPECT_EQ(checker({25, 119, 235, 121}, kCyan, kWhite), "") << "below the panel";
  // The rim between the bevels: the blue and cyan checker.
  EXPECT_EQ(checker({5, 62, 16, 133}, kBlue, kCyan), "") << "left arm";
  EXPECT_EQ(checker({91, 6, 102, 70}, kBlue, kCyan), "") << "tab";
  EXPECT_EQ(checker({20, 122, 240, 133}, kBlue, kCyan), "") << "bottom";
  // Mitres: the bevel at each corner splits on the diagonal, so a corner pixel of a
  // bevel square belongs to one side and the pixel across the diagonal to the other.
  EXPECT_EQ(b.At(2, 136), kCyan) << "outer lower left: the lit side takes the diagonal";
  EXPECT_EQ(b.At(4, 136), kGrey);
  EXPECT_EQ(b.At(2, 134), kCyan);
  EXPECT_EQ(b.At(105, 18), kGrey) << "inner corner above-left of the tab";
  EXPECT_EQ(b.At(103, 20), kTeal);

  // The panel: light grey inside the inner outline except the boxes, their lines and
  // the labels.
  auto panel = [](int x, int y) {
    return (x > 106 && x < 154 && y > 21 && y < 118) || (x > 20 && x < 239 && y > 77 && y < 118);
  };
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      if (!panel(x, y)) continue;
      bool taken = false;
      for (const auto& box : kBoxes) {
        const TBox& i = box.interior;
        taken = taken || TBox{i.x0 - 1, i.y0 - 1, i.x1 + 1, i.y1 + 1}.Holds(x, y) ||
                box.label.Holds(x, y);
      }
      if (!taken) {
        ASSERT_EQ(b.At(x, y), kLightGrey) << Where("panel", x, y, b.At(x, y));
      }
    }
}

TEST(Board, SunkenOliveBoxesAndTheirLabels) {
  const TPicture b = Load("Board");
  ASSERT_EQ(b.width, 260);
  int olive = 0;
  for (const auto& box : kBoxes) {
    SCOPED_TRACE(box.name);
    const TBox& i = box.interior;
    EXPECT_EQ(b.AllOf(i, kOlive, "interior"), "");
    EXPECT_EQ(b.AllOf({i.x0 - 1, i.y0 - 1, i.x1, i.y0 - 1}, kGrey, "top line"), "");
    EXPECT_EQ(b.AllOf({i.x0 - 1, i.y0 - 1, i.x0 - 1, i.y1}, kGrey, "left line"), "");
    EXPECT_EQ(b.AllOf({i.x0, i.y1 + 1, i.x1 + 1, i.y1 + 1}, kWhite, "bottom line"), "");
    EXPECT_EQ(b.AllOf({i.x1 + 1, i.y0, i.x1 + 1, i.y1 + 1}, kWhite, "right line"), "");
    olive += (i.x1 - i.x0 + 1) * (i.y1 - i.y0 + 1);

    // The label fills its extent exactly: black letters with white edges up and left.
    const TBox& l = box.label;
    const TBox e =
        b.Extent({l.x0 - 3, l.y0 - 3, l.x1 + 3, std::min(l.y1 + 1, i.y0 - 2)}, kLightGrey);
    EXPECT_EQ(e.x0, l.x0);
    EXPECT_EQ(e.y0, l.y0);
    EXPECT_EQ(e.x1, l.x1);
    EXPECT_EQ(e.y1, l.y1);
    EXPECT_GT(b.Count(l, kBlack), 40);
    EXPECT_GT(b.Count(l, kWhite), 20);
    for (int y = l.y0; y <= l.y1; ++y)
      for (int x = l.x0; x <= l.x1; ++x) {
        const COLORREF c = b.At(x, y);
        ASSERT_TRUE(c == kBlack || c == kWhite || c == kLightGrey) << Where("label", x, y, c);
        // A white edge pixel sits up and left of a black one, never on its own.
        if (c == kWhite) {
          ASSERT_EQ(b.At(x + 1, y + 1), kBlack) << Where("edge", x, y, c);
        }
      }
  }
  EXPECT_EQ(b.Count({0, 0, 259, 155}, kOlive), olive) << "olive only inside the boxes";
}

TEST(Board, StandsBetweenAndBelowTheLowerHoles) {
  // Holes 3 and 4 (72x72 at (10,200) and (200,200)) cover only the board's plain margins,
  // and its wide arm starts on the row below them.
  const TPicture b = Load("Board");
  ASSERT_EQ(b.width, 260);
  for (const POINT hole : {POINT{10, 200}, POINT{200, 200}}) {
    const TBox under{std::max(0, hole.x - kBoardAt.x), std::max(0, hole.y - kBoardAt.y),
                     std::min(259, hole.x + 71 - kBoardAt.x), hole.y + 71 - kBoardAt.y};
    EXPECT_EQ(b.AllOf(under, kLightGrey, "under a lower hole"), "");
    EXPECT_EQ(b.At(under.x0 + 5, under.y1 + 1), kBlack) << "wide arm's top edge";
  }
  EXPECT_EQ(b.AllOf({87, 2, 87, 57}, kBlack, "tab's left side, client x 98"), "");
  EXPECT_EQ(b.AllOf({173, 2, 173, 57}, kBlack, "tab's right side, client x 184"), "");
}

TEST(Pictures, CrittersAndBannerWhereThePicturesPutThem) {
  // Standing critter, facing right: striped abdomen at the left, the eye at the right.
  const TPicture live = Load("Live");
  ASSERT_EQ(live.width, 72);
  auto extentOf = [](const TPicture& p, const TBox& box, COLORREF colour) {
    TBox e{box.x1 + 1, box.y1 + 1, box.x0 - 1, box.y0 - 1};
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x)
        if (p.At(x, y) == colour) {
          e = {std::min(e.x0, x), std::min(e.y0, y), std::max(e.x1, x), std::max(e.y1, y)};
        }
    return e;
  };
  const TBox eye = extentOf(live, {0, 0, 71, 71}, kRed);
  EXPECT_GT(eye.x0, 45) << "eye at the right";
  EXPECT_LT(eye.y1, 40) << "eye in the head, above the legs";
  EXPECT_GT(live.Count(eye, kYellow), 3) << "its highlight";
  EXPECT_LT(extentOf(live, {0, 0, 71, 71}, kCyan).x1, 42) << "striped abdomen at the left";

  // Squashed critter: the eye at the upper right, the splash down to the bottom edge.
  const TPicture dead = Load("Dead");
  ASSERT_EQ(dead.width, 72);
  const TBox upperRed = extentOf(dead, {0, 0, 71, 30}, kRed);
  EXPECT_GT(upperRed.x0, 45);
  EXPECT_GT(dead.Count({0, 71, 71, 71}, kRed), 20) << "splash reaches the bottom edge";
  EXPECT_GT(dead.Count({0, 40, 71, 71}, RGB(128, 0, 0)), 0) << "a little dark red";

  const TPicture over = Load("GameOver");
  ASSERT_EQ(over.width, 262);
  // Poles: the balls' tops on row 24 and the feet on row 106 only over the poles' columns
  // (left of the banner's shadow) and nothing of the banner or poles above row 24.
  for (const TBox pole : {TBox{49, 24, 56, 106}, TBox{206, 24, 213, 106}}) {
    const TBox top = over.Extent({pole.x0 - 8, 24, pole.x1 + 8, 24}, kLightGrey);
    EXPECT_GE(top.x0, pole.x0);
    EXPECT_LE(top.x1, pole.x1);
    EXPECT_NE(over.At((pole.x0 + pole.x1) / 2, 106), kLightGrey) << "pole stands to row 106";
  }
  // Lettering: on the cloth between the poles, black only inside the words' box, and
  // the words fill it.
  const TBox words = extentOf(over, {58, 36, 205, 60}, kBlack);
  EXPECT_EQ(words.x0, 58);
  EXPECT_EQ(words.y0, 40);
  EXPECT_EQ(words.x1, 203);
  EXPECT_EQ(words.y1, 55);
  EXPECT_GT(over.Count({58, 36, 205, 60}, kYellow), 1000) << "pale yellow cloth";
  // The little critters at the feet of the poles, each with its red eye towards the pole.
  const TBox left = over.Extent({0, 64, 47, 144}, kLightGrey);
  EXPECT_GE(left.x0, 1);
  EXPECT_GE(left.y0, 68);
  EXPECT_LE(left.y1, 103);
  const TBox right = over.Extent({221, 64, 261, 144}, kLightGrey);  // right of the shadows
  EXPECT_LE(right.x1, 260);
  EXPECT_GE(right.y0, 68);
  EXPECT_LE(right.y1, 103);
  const TBox leftEye = extentOf(over, {0, 64, 48, 106}, kRed);
  const TBox rightEye = extentOf(over, {214, 64, 261, 106}, kRed);
  EXPECT_GT(leftEye.x0, 30) << "left critter faces right, towards its pole";
  EXPECT_LT(rightEye.x1, 232) << "right critter faces left";
}

struct TCursorCase {
  const char* name;
  int hotX, hotY;
  TBox extent;  // of the opaque pixels
  TBox handle;  // where only the handle is
  bool upright;
};

const platform::CursorShape* ShapeOf(const char* name, bool icon) {
  if (icon) {
    HICON h = LoadIconA(klop::Module(), name);
    return h == nullptr ? nullptr : platform::IconShapeOf(h);
  }
  HCURSOR h = LoadCursorA(klop::Module(), name);
  return h == nullptr ? nullptr : platform::CursorShapeOf(h);
}

std::uint32_t ShapeAt(const platform::CursorShape& s, int x, int y) {
  return s.pixels[static_cast<std::size_t>(y) * s.width + x];
}

TEST(Cursors, MalletsAreBlackAndWhiteWithTheHotSpotOnTheHandle) {
  const TCursorCase cases[] = {
      {"Malet", 15, 17, {7, 2, 23, 29}, {13, 12, 17, 29}, true},
      {"MaletDown", 17, 10, {2, 2, 29, 18}, {12, 8, 29, 12}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const platform::CursorShape* s = ShapeOf(c.name, false);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->width, 32);
    ASSERT_EQ(s->height, 32);
    EXPECT_EQ(s->hotX, c.hotX);
    EXPECT_EQ(s->hotY, c.hotY);
    TBox e{32, 32, -1, -1};
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const std::uint32_t p = ShapeAt(*s, x, y);
        if ((p >> 24) == 0) continue;
        ASSERT_TRUE(p == 0xFF000000u || p == 0xFFFFFFFFu) << x << "," << y << " " << std::hex << p;
        e = {std::min(e.x0, x), std::min(e.y0, y), std::max(e.x1, x), std::max(e.y1, y)};
        // Past the head, the handle is all there is.
        const bool pastHead = c.upright ? y >= c.handle.y0 : x >= c.handle.x0;
        if (pastHead) {
          EXPECT_TRUE(c.handle.Holds(x, y)) << "outside the handle at " << x << "," << y;
        }
      }
    EXPECT_EQ(e.x0, c.extent.x0);
    EXPECT_EQ(e.y0, c.extent.y0);
    EXPECT_EQ(e.x1, c.extent.x1);
    EXPECT_EQ(e.y1, c.extent.y1);
    // The click point is on the handle's white fill, and the handle's outline is black
    // on both sides of it.
    EXPECT_EQ(ShapeAt(*s, c.hotX, c.hotY), 0xFFFFFFFFu);
    if (c.upright) {
      EXPECT_EQ(ShapeAt(*s, c.handle.x0, c.hotY), 0xFF000000u);
      EXPECT_EQ(ShapeAt(*s, c.handle.x1, c.hotY), 0xFF000000u);
    } else {
      EXPECT_EQ(ShapeAt(*s, c.hotX, c.handle.y0), 0xFF000000u);
      EXPECT_EQ(ShapeAt(*s, c.hotX, c.handle.y1), 0xFF000000u);
    }
  }
}

TEST(Cursors, GripIsNotchedOnAlternateRows) {
  // The handle's silhouette steps in and out down the grip: some rows are narrower
  // than the rows next to them, in the upright mallet and, turned, in the swung one.
  for (const bool upright : {true, false}) {
    const platform::CursorShape* s = ShapeOf(upright ? "Malet" : "MaletDown", false);
    ASSERT_NE(s, nullptr);
    auto width = [&](int i) {
      int n = 0;
      for (int j = 0; j < 32; ++j) n += (ShapeAt(*s, upright ? j : i, upright ? i : j) >> 24) != 0;
      return n;
    };
    int notches = 0;
    for (int i = upright ? 13 : 12; i < 29; ++i)
      notches += width(i) < width(i - 1) && width(i) < width(i + 1);
    EXPECT_GE(notches, 3) << (upright ? "Malet" : "MaletDown");
  }
}

TEST(Icon, CritterHeadAndBalloonInsideTransparentMargins) {
  const platform::CursorShape* s = ShapeOf("Critter", true);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->width, 32);
  ASSERT_EQ(s->height, 32);
  int red = 0, yellow = 0, white = 0, opaque = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const std::uint32_t p = ShapeAt(*s, x, y);
      if ((p >> 24) == 0) {
        continue;
      }
      ASSERT_EQ(p >> 24, 0xFFu) << "no half-transparent pixels";
      const COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
      ASSERT_TRUE(InPalette(c)) << Where("icon", x, y, c);
      ++opaque;
      EXPECT_LE(y, 29) << "mandibles end on row 29";
      red += c == kRed;
      yellow += c == kYellow;
      if (c == kWhite) {
        ++white;
        EXPECT_TRUE(TBox({11, 0, 31, 13}).Holds(x, y))
            << "white only in the balloon, at " << x << "," << y;
      }
    }
  EXPECT_GT(red, 30) << "a large red eye";
  EXPECT_GE(yellow, 4) << "its highlight";
  EXPECT_GT(white, 80) << "the balloon";
  EXPECT_LT(opaque, 32 * 30) << "transparent around the drawing";
  // Corners outside the drawing show the desktop.
  for (const POINT p : {POINT{31, 31}, POINT{0, 31}, POINT{31, 13}, POINT{12, 0}})
    EXPECT_EQ(ShapeAt(*s, p.x, p.y) >> 24, 0u) << p.x << "," << p.y;
}

// The game window's picture of the board and game-over banner, drawn as the window
// draws them: opaque copies onto the light grey background.
class TRender : public ::testing::Test {
 protected:
  static constexpr int kWidth = 282;
  static constexpr int kHeight = 400;

  TRender() : Surface_(kWidth, kHeight) {
    std::fill(Surface_.Data(), Surface_.Data() + kWidth * kHeight, 0xC0C0C0u);
    Dc_ = platform::CreateSurfaceDC(Surface_, {0, 0}, {RECT{0, 0, kWidth, kHeight}});
  }
  ~TRender() override { platform::ReleaseSurfaceDC(Dc_); }

  void Draw(const char* name, POINT at) {
    HBITMAP bmp = LoadBitmapA(klop::Module(), name);
    ASSERT_NE(bmp, nullptr) << name;
    BITMAP info{};
    GetObjectA(bmp, sizeof info, &info);
    HDC mem = CreateCompatibleDC(Dc_);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(Dc_, at.x, at.y, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
  }

  // What the score repaint does to each number area before drawing its digits.
  void RepaintNumberAreas() {
    HBRUSH olive = CreateSolidBrush(kOlive);
    HGDIOBJ oldBrush = SelectObject(Dc_, olive);
    HGDIOBJ oldPen = SelectObject(Dc_, GetStockObject(NULL_PEN));
    for (const auto& box : kBoxes)
      Rectangle(Dc_, box.repaint.left, box.repaint.top, box.repaint.right, box.repaint.bottom);
    SelectObject(Dc_, oldPen);
    SelectObject(Dc_, oldBrush);
    DeleteObject(olive);
  }

  void EmptyHole(POINT at) {
    SelectObject(Dc_, GetStockObject(LTGRAY_BRUSH));
    SelectObject(Dc_, GetStockObject(NULL_PEN));
    Rectangle(Dc_, at.x, at.y, at.x + 73, at.y + 73);
  }

  COLORREF At(int x, int y) const {
    const std::uint32_t p = Surface_.Data()[y * kWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  std::string AllOf(const TBox& box, COLORREF colour, const char* what) const {
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x)
        if (At(x, y) != colour) return Where(what, x, y, At(x, y));
    return "";
  }
  std::vector<std::uint32_t> Pixels() const {
    return {Surface_.Data(), Surface_.Data() + kWidth * kHeight};
  }

  platform::TSurface Surface_;
  HDC Dc_ = nullptr;
};

TEST_F(TRender, NoSeamAroundTheNumberBoxes) {
  ASSERT_NE(Dc_, nullptr);
  Draw("Board", kBoardAt);
  Draw("GameOver", kGameOverAt);
  const std::vector<std::uint32_t> drawn = Pixels();
  // Saved beside the test program, in the build folder, for a person to look at.
  std::error_code ec;
  const auto dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  const std::string png = (ec ? std::filesystem::path(".") : dir) / "board_render.png";
  ASSERT_TRUE(klop::png::WritePng(png, kWidth, kHeight, drawn)) << png;

  RepaintNumberAreas();
  RepaintNumberAreas();
  EXPECT_TRUE(Pixels() == drawn) << "repainting the number areas in olive changed the picture";
  for (const auto& box : kBoxes) {
    SCOPED_TRACE(box.name);
    const TBox i{box.interior.x0 + kBoardAt.x, box.interior.y0 + kBoardAt.y,
                 box.interior.x1 + kBoardAt.x, box.interior.y1 + kBoardAt.y};
    EXPECT_EQ(AllOf(i, kOlive, "interior"), "");
    EXPECT_EQ(AllOf({i.x0 - 1, i.y0 - 1, i.x1, i.y0 - 1}, kGrey, "top line"), "");
    EXPECT_EQ(AllOf({i.x0 - 1, i.y0 - 1, i.x0 - 1, i.y1}, kGrey, "left line"), "");
    EXPECT_EQ(AllOf({i.x0, i.y1 + 1, i.x1 + 1, i.y1 + 1}, kWhite, "bottom line"), "");
    EXPECT_EQ(AllOf({i.x1 + 1, i.y0, i.x1 + 1, i.y1 + 1}, kWhite, "right line"), "");
    // The repaint reaches the interior's right and bottom edges exactly.
    EXPECT_EQ(box.repaint.right - 2, i.x1);
    EXPECT_EQ(box.repaint.bottom - 2, i.y1);
  }
  // The time box's nine left-hand columns are never repainted; they are olive all the same.
  EXPECT_EQ(AllOf({121, 252, 129, 273}, kOlive, "time box, left columns"), "");
}

TEST_F(TRender, PicturesOverlapOnlyOnPlainLightGrey) {
  ASSERT_NE(Dc_, nullptr);
  // Row 214 is both the game-over picture's last row and the board's first, so the two
  // may be drawn in either order.
  Draw("Board", kBoardAt);
  Draw("GameOver", kGameOverAt);
  const std::vector<std::uint32_t> boardFirst = Pixels();
  Draw("Board", kBoardAt);
  EXPECT_TRUE(Pixels() == boardFirst) << "drawing the board over the game-over picture changed it";
  EXPECT_EQ(AllOf({0, 214, kWidth - 1, 214}, kLightGrey, "row 214"), "");
  // Empty lower holes are light grey squares over the board's margins.
  EmptyHole({10, 200});
  EmptyHole({200, 200});
  EXPECT_TRUE(Pixels() == boardFirst) << "an empty lower hole shows an edge on the board";
  // The picture covers exactly the hole field's width: columns 10 and 271 hold the
  // banner's critters' margins and the window's plain background lies beyond.
  EXPECT_EQ(AllOf({0, 0, 9, kHeight - 1}, kLightGrey, "left of the field"), "");
  EXPECT_EQ(AllOf({272, 0, kWidth - 1, kHeight - 1}, kLightGrey, "right of the field"), "");
  EXPECT_EQ(AllOf({0, 370, kWidth - 1, kHeight - 1}, kLightGrey, "below the board"), "");
}

TEST(PngWriter, ChecksumsAndStoredBlocks) {
  // Known check values of the two checksums.
  const std::string digits = "123456789";
  EXPECT_EQ(klop::png::Crc32(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()),
            0xCBF43926u);
  const std::string wiki = "Wikipedia";
  EXPECT_EQ(klop::png::Adler32(reinterpret_cast<const std::uint8_t*>(wiki.data()), wiki.size()),
            0x11E60398u);

  // An image whose scan lines need more than one stored block decodes back to its
  // pixels: walk the chunks and blocks as a reader would.
  const int w = 300, h = 80;  // 80 * (1 + 900) bytes: two blocks
  std::vector<std::uint32_t> px(w * h);
  for (int i = 0; i < w * h; ++i) px[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
  const std::vector<std::uint8_t> png = klop::png::EncodePng(w, h, px);
  ASSERT_GT(png.size(), 8u);
  const std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_TRUE(std::equal(sig, sig + 8, png.begin()));
  auto be32 = [&](std::size_t at) {
    return (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
           (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
  };
  std::vector<std::string> types;
  std::vector<std::uint8_t> idat;
  for (std::size_t at = 8; at < png.size();) {
    ASSERT_LE(at + 12, png.size());
    const std::uint32_t len = be32(at);
    ASSERT_LE(at + 12 + len, png.size());
    types.emplace_back(png.begin() + at + 4, png.begin() + at + 8);
    EXPECT_EQ(be32(at + 8 + len), klop::png::Crc32(png.data() + at + 4, len + 4)) << types.back();
    if (types.back() == "IHDR") {
      EXPECT_EQ(be32(at + 8), static_cast<std::uint32_t>(w));
      EXPECT_EQ(be32(at + 12), static_cast<std::uint32_t>(h));
      EXPECT_EQ(png[at + 16], 8);  // bit depth
      EXPECT_EQ(png[at + 17], 2);  // RGB
    }
    if (types.back() == "IDAT") idat.assign(png.begin() + at + 8, png.begin() + at + 8 + len);
    at += 12 + len;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  ASSERT_GE(idat.size(), 6u);
  EXPECT_EQ((idat[0] * 256 + idat[1]) % 31, 0) << "zlib header check bits";
  std::vector<std::uint8_t> raw;
  std::size_t at = 2;
  int blocks = 0;
  for (bool last = false; !last; ++blocks) {
    ASSERT_LE(at + 5, idat.size());
    last = idat[at] & 1;
    ASSERT_EQ(idat[at] >> 1, 0) << "stored block";
    const unsigned len = idat[at + 1] | idat[at + 2] << 8;
    const unsigned nlen = idat[at + 3] | idat[at + 4] << 8;
    ASSERT_EQ(len ^ nlen, 0xFFFFu);
    ASSERT_LE(at + 5 + len, idat.size());
    raw.insert(raw.end(), idat.begin() + at + 5, idat.begin() + at + 5 + len);
    at += 5 + len;
  }
  EXPECT_EQ(blocks, 2);
  ASSERT_EQ(at + 4, idat.size());
  const std::uint32_t adler = (std::uint32_t{idat[at]} << 24) |
                              (std::uint32_t{idat[at + 1]} << 16) |
                              (std::uint32_t{idat[at + 2]} << 8) | idat[at + 3];
  EXPECT_EQ(adler, klop::png::Adler32(raw.data(), raw.size()));
  ASSERT_EQ(raw.size(), static_cast<std::size_t>(h) * (1 + 3 * w));
  for (int y = 0; y < h; ++y) {
    ASSERT_EQ(raw[y * (1 + 3 * w)], 0) << "filter type of row " << y;
    for (int x = 0; x < w; ++x) {
      const std::size_t o = y * (1 + 3 * w) + 1 + 3 * x;
      const std::uint32_t back =
          (std::uint32_t{raw[o]} << 16) | (std::uint32_t{raw[o + 1]} << 8) | raw[o + 2];
      ASSERT_EQ(back, px[y * w + x]) << x << "," << y;
    }
  }
  // Sizes that do not match their pixels give nothing.
  EXPECT_TRUE(klop::png::EncodePng(0, 1, {}).empty());
  EXPECT_TRUE(klop::png::EncodePng(2, 2, std::vector<std::uint32_t>(3)).empty());
}

}  // namespace
