#include <gtest/gtest.h>

#include <string>

#include "rc_test_support.h"
#include "tools/rc/xpm_reader.h"

namespace klop::rc {
namespace {

using test::ExpectRcError;

// An XPM from its header values, colour lines and rows, one per line, starting on line 3.
std::string Xpm(const std::string& values, const std::vector<std::string>& colours,
                const std::vector<std::string>& rows) {
  std::string s = "/* XPM */\nstatic char *x[] = {\n\"" + values + "\",\n";
  for (const auto& c : colours) s += "\"" + c + "\",\n";
  for (const auto& r : rows) s += "\"" + r + "\",\n";
  return s + "};\n";
}

TEST(XpmReader, ReadsSizeHotSpotColoursAndMultiCharacterPixels) {
  const std::string text =
      "/* XPM */\n"
      "/* a comment with \"quotes\" inside */\n"
      "static char *pic[] = {\n"
      "/* columns rows colours chars-per-pixel */\n"
      "\"3 2 3 2 1 0\",\n"
      "\"aa c #FF0000\",\n"
      "\"b. c None\",\n"
      "\".. s background c #c0c0c0\",\n"
      "\"aab...\",\n"
      "\"..b.aa\"\n"
      "};\n";
  const TXpmImage image = ReadXpm(text, "pic.xpm");
  EXPECT_EQ(image.Width, 3);
  EXPECT_EQ(image.Height, 2);
  ASSERT_TRUE(image.HotX && image.HotY);
  EXPECT_EQ(*image.HotX, 1);
  EXPECT_EQ(*image.HotY, 0);
  EXPECT_EQ(image.ValuesLine, 5);
  ASSERT_EQ(image.Colours.size(), 3u);
  EXPECT_FALSE(image.Colours[0].Transparent);
  EXPECT_EQ(image.Colours[0].Rgb, 0xFF0000u);
  EXPECT_TRUE(image.Colours[1].Transparent);
  EXPECT_EQ(image.Colours[2].Rgb, 0xC0C0C0u);  // lower-case hex, after a symbolic name
  EXPECT_EQ(image.Colours[2].Line, 8);
  EXPECT_EQ(image.Pixels, (std::vector<int>{0, 1, 2, 2, 1, 0}));
}

TEST(XpmReader, WithoutHotSpotLeavesItUnset) {
  const TXpmImage image = ReadXpm(Xpm("1 1 1 1", {"a c #000000"}, {"a"}), "p.xpm");
  EXPECT_FALSE(image.HotX.has_value());
}

TEST(XpmReader, ReportsEachFaultAtItsLine) {
  struct TCase {
    const char* What;
    std::string Text;
    int Line;
    const char* Part;
  };
  const TCase cases[] = {
      {"off-palette colour", Xpm("1 1 1 1", {"a c #123456"}, {"a"}), 4,
       "not one of the 16 standard colours"},
      {"almost light grey", Xpm("1 1 2 1", {"a c #000000", "b c #C0C0C1"}, {"a"}), 5,
       "unknown colour '#C0C0C1'"},
      {"colour name", Xpm("1 1 1 1", {"a c red"}, {"a"}), 4, "unknown colour 'red'"},
      {"short hex", Xpm("1 1 1 1", {"a c #F00"}, {"a"}), 4, "unknown colour '#F00'"},
      {"bad hex digit", Xpm("1 1 1 1", {"a c #00G000"}, {"a"}), 4, "bad hex digit"},
      {"no c value", Xpm("1 1 1 1", {"a s name"}, {"a"}), 4, "without a 'c' value"},
      {"unknown key", Xpm("1 1 1 1", {"a q #000000"}, {"a"}), 4, "unknown colour key 'q'"},
      {"too many colours", Xpm("1 1 18 1", {}, {}), 3, "too many colours (18)"},
      {"bad number", Xpm("1x 1 1 1", {"a c #000000"}, {"a"}), 3, "bad number '1x'"},
      {"missing count", Xpm("1 1 1", {"a c #000000"}, {"a"}), 3, "values line must be"},
      {"zero width", Xpm("0 1 1 1", {"a c #000000"}, {}), 3, "wrong size 0 x 1"},
      {"huge", Xpm("4097 1 1 1", {"a c #000000"}, {}), 3, "wrong size 4097 x 1"},
      {"hot spot outside", Xpm("2 2 1 1 2 0", {"a c #000000"}, {"aa", "aa"}), 3,
       "hot spot lies outside"},
      {"short row", Xpm("2 2 1 1", {"a c #000000"}, {"aa", "a"}), 6, "row 1 holds 1 characters"},
      {"long row", Xpm("2 1 1 2", {"a  c #000000"}, {"a a a "}), 5, "expected 4"},
      {"missing rows", Xpm("1 3 1 1", {"a c #000000"}, {"a", "a"}), 6, "2 pixel rows"},
      {"extra rows", Xpm("1 1 1 1", {"a c #000000"}, {"a", "a"}), 6, "more pixel rows"},
      {"unknown pixel", Xpm("2 1 1 1", {"a c #000000"}, {"ab"}), 5, "pixel 'b' has no colour"},
      {"key twice", Xpm("1 1 2 1", {"a c #000000", "a c #FFFFFF"}, {"a"}), 5,
       "colour 'a' defined twice"},
      {"colour lines cut", Xpm("1 1 2 1", {"a c #000000"}, {}), 4, "ends before its colour"},
      {"unterminated string", "/* XPM */\nstatic char *x[] = {\n\"1 1 1 1,\n};\n", 3,
       "unterminated string"},
      {"unterminated comment", "/* XPM */\n/* open\n\n", 2, "unterminated comment"},
      {"not XPM", "static char *x[] = {\"1 1 1 1\"};", 1, "not an XPM file"},
      {"no strings", "/* XPM */\n", 1, "no values line"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    ExpectRcError([&] { ReadXpm(c.Text, "f.xpm"); }, "f.xpm", c.Line, c.Part);
  }
}

TEST(XpmReader, AcceptsTheSixteenColoursAndNone) {
  std::vector<std::string> colours;
  const char* hex[] = {"000000", "800000", "008000", "808000", "000080", "800080",
                       "008080", "808080", "C0C0C0", "FF0000", "00FF00", "FFFF00",
                       "0000FF", "FF00FF", "00FFFF", "FFFFFF"};
  std::string row;
  for (int i = 0; i < 16; ++i) {
    const char key = static_cast<char>('a' + i);
    colours.push_back(std::string(1, key) + " c #" + hex[i]);
    row += key;
  }
  colours.push_back("- c None");
  row += '-';
  const TXpmImage image = ReadXpm(Xpm("17 1 17 1", colours, {row}), "all.xpm");
  ASSERT_EQ(image.Colours.size(), 17u);
  EXPECT_TRUE(image.Colours[16].Transparent);
}

}  // namespace
}  // namespace klop::rc
