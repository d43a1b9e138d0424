// Pictures through the encoders and back through the platform's own decoders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/resources/decoders.h"
#include "rc_test_support.h"
#include "tools/rc/image_writer.h"
#include "tools/rc/palette.h"

namespace klop::rc {
namespace {

using test::ExpectRcError;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;  // a transparent pixel in the helpers below

// An image whose colour i is `colours[i]` (kNone for transparent), defined on lines 4, 5, ...
TXpmImage Image(int w, int h, std::vector<std::uint32_t> colours, std::vector<int> pixels) {
  TXpmImage image;
  image.Width = w;
  image.Height = h;
  image.ValuesLine = 3;
  for (std::size_t i = 0; i < colours.size(); ++i) {
    TXpmColour c;
    c.Transparent = colours[i] == kNone;
    c.Rgb = c.Transparent ? 0 : colours[i];
    c.Line = 4 + static_cast<int>(i);
    image.Colours.push_back(c);
  }
  image.Pixels = std::move(pixels);
  return image;
}

std::uint32_t U32(const TBytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Every standard colour at least once, on a width that needs row padding, in rows that
// differ, so that a wrong row order, nibble order or padding shows.
TXpmImage AllColours() {
  std::vector<std::uint32_t> colours(StandardPalette().begin(), StandardPalette().end());
  std::vector<int> pixels;
  const int w = 7, h = 5;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) pixels.push_back((x * 3 + y * 5) % 16);
  }
  return Image(w, h, colours, pixels);
}

TEST(BitmapEncoding, RoundTripsEveryColourThroughTheDecoder) {
  const TXpmImage image = AllColours();
  const TBytes bytes = EncodeBitmap(image, {}, "a.xpm");
  platform::DecodedBitmap decoded;
  ASSERT_TRUE(platform::DecodeBitmap(bytes.data(), bytes.size(), decoded));
  ASSERT_EQ(decoded.width, 7);
  ASSERT_EQ(decoded.height, 5);
  for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
    EXPECT_EQ(decoded.pixels[i], image.Colours[static_cast<std::size_t>(image.Pixels[i])].Rgb)
        << "pixel " << i;
  }
  // Header facts the platform's own loaders rely on, beyond what our decoder checks.
  EXPECT_EQ(U32(bytes, 0), 40u);
  EXPECT_EQ(static_cast<std::int32_t>(U32(bytes, 8)), 5);  // positive: bottom-up
  EXPECT_EQ(U32(bytes, 16), 0u);                           // uncompressed
  EXPECT_EQ(U32(bytes, 20), 4u * 5u);                      // 7 pixels -> 4 bytes a row
  EXPECT_EQ(U32(bytes, 32), 16u);
  EXPECT_EQ(bytes.size(), 40u + 64u + 20u);
}

TEST(BitmapEncoding, StoresTheStandardTableAndSwapsTheGreysOnlyWhenAsked) {
  const TXpmImage image = AllColours();
  const TBytes plain = EncodeBitmap(image, {}, "a.xpm");
  const TBytes swapped = EncodeBitmap(image, {true}, "a.xpm");
  auto entry = [](const TBytes& b, int i) {
    const std::size_t at = 40 + 4 * static_cast<std::size_t>(i);
    return (static_cast<std::uint32_t>(b[at + 2]) << 16) | (b[at + 1] << 8) | b[at];
  };
  const std::uint32_t order[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                   0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(entry(plain, i), order[i]) << i;
    const int j = i == 7 ? 8 : i == 8 ? 7 : i;
    EXPECT_EQ(entry(swapped, i), order[j]) << i;
  }
  // Same picture on screen, different indexes in the pixel bytes.
  platform::DecodedBitmap a, b;
  ASSERT_TRUE(platform::DecodeBitmap(plain.data(), plain.size(), a));
  ASSERT_TRUE(platform::DecodeBitmap(swapped.data(), swapped.size(), b));
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_NE(plain, swapped);
}

TEST(BitmapEncoding, WritesTopRowLastAndLeftPixelInTheHighNibble) {
  // 2 x 2: top row black, white; bottom row red, blue.
  const TXpmImage image = Image(2, 2, {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF}, {0, 1, 2, 3});
  const TBytes bytes = EncodeBitmap(image, {}, "a.xpm");
  const std::size_t rows = 40 + 64;
  EXPECT_EQ(bytes[rows], 0x9C);      // bottom row first: red 9, blue 12
  EXPECT_EQ(bytes[rows + 4], 0x0F);  // then the top row: black 0, white 15
}

TEST(BitmapEncoding, RefusesTransparency) {
  const TXpmImage image = Image(1, 1, {0x000000, kNone}, {0});
  ExpectRcError([&] { EncodeBitmap(image, {}, "b.xpm"); }, "b.xpm", 5, "cannot be transparent");
}

// A 32 x 32 cursor: a black frame, white inside, transparent outside, hot spot (15, 17).
TXpmImage CursorImage() {
  std::vector<int> pixels;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool inside = x >= 4 && x < 28 && y >= 2 && y < 30;
      const bool frame = inside && (x == 4 || x == 27 || y == 2 || y == 29);
      pixels.push_back(!inside ? 2 : frame ? 0 : 1);
    }
  }
  TXpmImage image = Image(32, 32, {0x000000, 0xFFFFFF, kNone}, pixels);
  image.HotX = 15;
  image.HotY = 17;
  return image;
}

TEST(CursorEncoding, RoundTripsBlackWhiteTransparentAndHotSpot) {
  const TXpmImage image = CursorImage();
  const TBytes bytes = EncodeCursor(image, "c.xpm");
  platform::CursorShape shape;
  ASSERT_TRUE(platform::DecodeCursor(bytes.data(), bytes.size(), shape));
  EXPECT_EQ(shape.width, 32);
  EXPECT_EQ(shape.height, 32);
  EXPECT_EQ(shape.hotX, 15);
  EXPECT_EQ(shape.hotY, 17);
  const std::uint32_t expect[3] = {0xFF000000u, 0xFFFFFFFFu, 0u};
  for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
    ASSERT_EQ(shape.pixels[i], expect[image.Pixels[i]]) << "pixel " << i;
  }
  // No pixel may be set in both masks: the platform would invert the screen there.
  const std::size_t xorAt = 4 + 40 + 8, maskBytes = 4 * 32;
  ASSERT_EQ(bytes.size(), xorAt + 2 * maskBytes);
  for (std::size_t i = 0; i < maskBytes; ++i) {
    EXPECT_EQ(bytes[xorAt + i] & bytes[xorAt + maskBytes + i], 0) << i;
  }
}

TEST(CursorEncoding, RefusesColoursSizesAndAMissingHotSpot) {
  TXpmImage red = CursorImage();
  red.Colours[1].Rgb = 0xFF0000;
  ExpectRcError([&] { EncodeCursor(red, "c.xpm"); }, "c.xpm", 5, "only black, white and None");

  TXpmImage grey = CursorImage();
  grey.Colours[0].Rgb = 0x808080;
  ExpectRcError([&] { EncodeCursor(grey, "c.xpm"); }, "c.xpm", 4, "only black, white and None");

  TXpmImage noHot = CursorImage();
  noHot.HotX.reset();
  noHot.HotY.reset();
  ExpectRcError([&] { EncodeCursor(noHot, "c.xpm"); }, "c.xpm", 3, "hot spot");

  const TXpmImage wide = Image(33, 32, {0x000000}, std::vector<int>(33 * 32, 0));
  ExpectRcError([&] { EncodeCursor(wide, "c.xpm"); }, "c.xpm", 3, "wrong size 33 x 32");
}

TEST(IconEncoding, RoundTripsColoursAndTransparency) {
  std::vector<std::uint32_t> colours(StandardPalette().begin(), StandardPalette().end());
  colours.push_back(kNone);  // colour 16
  std::vector<int> pixels;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) pixels.push_back((x + y) % 3 == 0 ? 16 : (x * 7 + y) % 16);
  }
  const TXpmImage image = Image(32, 32, colours, pixels);
  const TBytes bytes = EncodeIcon(image, "i.xpm");
  platform::CursorShape shape;
  ASSERT_TRUE(platform::DecodeIcon(bytes.data(), bytes.size(), shape));
  ASSERT_EQ(shape.width, 32);
  ASSERT_EQ(shape.height, 32);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t want =
        pixels[i] == 16 ? 0u : 0xFF000000u | colours[static_cast<std::size_t>(pixels[i])];
    ASSERT_EQ(shape.pixels[i], want) << "pixel " << i;
  }
}

TEST(IconEncoding, RefusesOtherSizes) {
  const TXpmImage small = Image(16, 16, {0x000000}, std::vector<int>(256, 0));
  ExpectRcError([&] { EncodeIcon(small, "i.xpm"); }, "i.xpm", 3, "an icon must be 32 x 32");
}

}  // namespace
}  // namespace klop::rc
