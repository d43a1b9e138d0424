// The script parser with the template writers: what a script says against the
// bytes that come out, read back with a reader of the template formats.
#include <gtest/gtest.h>

#include <string>

#include "platform/constants.h"
#include "rc_test_support.h"
#include "template_reader.h"
#include "tools/rc/script.h"
#include "tools/rc/template_writer.h"

namespace klop::rc {
namespace {

using test::ExpectRcError;

constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;

TRcResource Only(const std::string& text) {
  const TRcScript s = ParseScript(text, "t.rc");
  EXPECT_EQ(s.Resources.size(), 1u);
  return s.Resources.at(0);
}

klop::test::TReadDialog Dialog(const std::string& text) {
  const TBytes b = EncodeDialog(Only(text).Dialog);
  return klop::test::ReadDialog(b.data(), b.size());
}

std::vector<klop::test::TReadMenuItem> Menu(const std::string& text) {
  const TBytes b = EncodeMenu(Only(text).Menu);
  return klop::test::ReadMenu(b.data(), b.size());
}

TEST(ScriptParser, PicturesKeepOrderNamesInUpperCaseAndTheGreyOption) {
  const TRcScript s = ParseScript(
      "// pictures\n"
      "Board BITMAP \"board.xpm\"\n"
      "dead bitmap swapgreys \"sub/dead.xpm\"  /* keywords ignore case */\n"
      "Malet CURSOR \"m.xpm\"\n"
      "Critter ICON \"c.xpm\"\n",
      "t.rc");
  ASSERT_EQ(s.Resources.size(), 4u);
  EXPECT_EQ(s.Resources[0].Name, "BOARD");
  EXPECT_EQ(s.Resources[0].Kind, TRcKind::Bitmap);
  EXPECT_FALSE(s.Resources[0].Bitmap.SwapGreys);
  EXPECT_EQ(s.Resources[1].Name, "DEAD");
  EXPECT_TRUE(s.Resources[1].Bitmap.SwapGreys);
  EXPECT_EQ(s.Resources[1].File, "sub/dead.xpm");
  EXPECT_EQ(s.Resources[1].Line, 3);
  EXPECT_EQ(s.Resources[2].Kind, TRcKind::Cursor);
  EXPECT_EQ(s.Resources[3].Kind, TRcKind::Icon);

  // A byte-order mark and CRLF line ends are read as plain text.
  const TRcScript crlf = ParseScript(
      "\xEF\xBB\xBF"
      "A BITMAP \"a.xpm\"\r\nB CURSOR \"b.xpm\"\r\n",
      "t.rc");
  ASSERT_EQ(crlf.Resources.size(), 2u);
  EXPECT_EQ(crlf.Resources[1].Line, 2);
}

TEST(ScriptParser, MenuMarksPopupsAndTheLastItemOfEachLevel) {
  const auto items = Menu(
      "#define CM_NEW 100\n"
      "M MENU\n"
      "BEGIN\n"
      "  POPUP \"&Game\" {\n"
      "    MENUITEM \"&New\", CM_NEW\n"
      "    POPUP \"Deep\" { MENUITEM \"x\", 7 GRAYED, CHECKED }\n"
      "    MENUITEM SEPARATOR\n"
      "    MENUITEM \"&Stop\", 104, INACTIVE\n"
      "  }\n"
      "  MENUITEM \"&Pause\", 103\n"
      "  MENUITEM \"&About\", 0x66\n"
      "END\n");
  ASSERT_EQ(items.size(), 8u);
  struct TWant {
    int Depth;
    std::uint16_t Flags;
    std::optional<std::uint16_t> Id;
    std::u16string Text;
  };
  const TWant want[] = {
      {0, MF_POPUP, std::nullopt, u"&Game"},
      {1, 0, 100, u"&New"},
      {1, MF_POPUP, std::nullopt, u"Deep"},
      {2, MF_GRAYED | MF_CHECKED | MF_END, 7, u"x"},
      {1, MF_SEPARATOR, 0, u""},
      {1, MF_DISABLED | MF_END, 104, u"&Stop"},
      {0, 0, 103, u"&Pause"},
      {0, MF_END, 102, u"&About"},
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].Depth, want[i].Depth);
    EXPECT_EQ(items[i].Flags, want[i].Flags);
    EXPECT_EQ(items[i].Id, want[i].Id);
    EXPECT_EQ(items[i].Text, want[i].Text);
  }
}

TEST(ScriptParser, DialogHeaderStylesCaptionAndFont) {
  const auto d = Dialog(
      "D DIALOG 97, 58, 139, 138\n"
      "STYLE DS_MODALFRAME | WS_POPUP | WS_SYSMENU\n"
      "CAPTION \"About \"\n"
      "FONT 8, \"MS Sans Serif\"\n"
      "{ }\n");
  // CAPTION brings WS_CAPTION and FONT brings DS_SETFONT, as the usual compiler does.
  EXPECT_EQ(d.Style, DS_MODALFRAME | WS_POPUP | WS_SYSMENU | WS_CAPTION | DS_SETFONT);
  EXPECT_EQ(d.ExStyle, 0u);
  EXPECT_EQ(d.X, 97);
  EXPECT_EQ(d.Y, 58);
  EXPECT_EQ(d.Cx, 139);
  EXPECT_EQ(d.Cy, 138);
  EXPECT_FALSE(d.Menu.Ordinal);
  EXPECT_TRUE(d.Menu.Name.empty());
  EXPECT_TRUE(d.Class.Name.empty());
  EXPECT_EQ(d.Caption, u"About ");
  EXPECT_EQ(d.Points, 8);
  EXPECT_EQ(d.Face, u"MS Sans Serif");
  EXPECT_TRUE(d.Controls.empty());

  const auto plain = Dialog("D DIALOG 0, 0, 10, 10 EXSTYLE WS_EX_CLIENTEDGE BEGIN END");
  EXPECT_EQ(plain.Style, WS_POPUP | WS_BORDER | WS_SYSMENU);
  EXPECT_EQ(plain.ExStyle, WS_EX_CLIENTEDGE);
  EXPECT_FALSE(plain.Points);
}

TEST(ScriptParser, ControlStatementsGiveTheirClassesAndDefaultStyles) {
  const auto d = Dialog(
      "#define IDC_X 109\n"
      "D DIALOG 0, 0, 100, 100 {\n"
      "  PUSHBUTTON \"OK\", IDOK, 44, 116, 48, 14\n"
      "  DEFPUSHBUTTON \"Go\", 3, 1, 2, 3, 4\n"
      "  LTEXT \"l\", -1, 1, 2, 3, 4\n"
      "  CTEXT \"c\", -1, 1, 2, 3, 4, NOT WS_GROUP\n"
      "  RTEXT \"r\", -1, 1, 2, 3, 4, SS_NOPREFIX, WS_EX_CLIENTEDGE\n"
      "  ICON \"Critter\", -1, 60, 19, 18, 20\n"
      "  ICON \"C\", -1, 1, 2\n"
      "  SCROLLBAR 101, 6, 18, 138, 9, SBS_TOPALIGN | WS_TABSTOP\n"
      "  EDITTEXT IDC_X, -5, 90, 24, 13\n"
      "  CONTROL \"15\", IDC_X, \"edit\", ES_LEFT | WS_BORDER, 63, 90, 24, 13\n"
      "  CONTROL \"t\", 7, \"MyClass\", NOT WS_VISIBLE, 1, 2, 3, 4, 9\n"
      "  CONTROL \"b\", 8, BUTTON, BS_GROUPBOX, 1, 2, 3, 4\n"
      "}\n");
  struct TWant {
    std::uint32_t Style, ExStyle;
    std::uint16_t Id;
    std::optional<std::uint16_t> Atom;
    std::u16string ClassName;
    std::optional<std::uint16_t> TextOrdinal;
    std::u16string Text;
  };
  const TWant want[] = {
      {kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 1, 0x80, u"", {}, u"OK"},
      {kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 3, 0x80, u"", {}, u"Go"},
      {kChild | SS_LEFT | WS_GROUP, 0, 0xFFFF, 0x82, u"", {}, u"l"},
      {kChild | SS_CENTER, 0, 0xFFFF, 0x82, u"", {}, u"c"},
      {kChild | SS_RIGHT | WS_GROUP | SS_NOPREFIX, WS_EX_CLIENTEDGE, 0xFFFF, 0x82, u"", {}, u"r"},
      {kChild | SS_ICON, 0, 0xFFFF, 0x82, u"", {}, u"Critter"},
      {kChild | SS_ICON, 0, 0xFFFF, 0x82, u"", {}, u"C"},
      {kChild | SBS_HORZ | SBS_TOPALIGN | WS_TABSTOP, 0, 101, 0x84, u"", {}, u""},
      {kChild | ES_LEFT | WS_BORDER | WS_TABSTOP, 0, 109, 0x81, u"", {}, u""},
      {kChild | ES_LEFT | WS_BORDER, 0, 109, 0x81, u"", {}, u"15"},
      {WS_CHILD, 9, 7, {}, u"MyClass", {}, u"t"},
      {kChild | BS_GROUPBOX, 0, 8, 0x80, u"", {}, u"b"},
  };
  ASSERT_EQ(d.Controls.size(), std::size(want));
  for (std::size_t i = 0; i < d.Controls.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = d.Controls[i];
    EXPECT_EQ(c.Style, want[i].Style);
    EXPECT_EQ(c.ExStyle, want[i].ExStyle);
    EXPECT_EQ(c.Id, want[i].Id);
    EXPECT_EQ(c.Class.Ordinal, want[i].Atom);
    EXPECT_EQ(c.Class.Name, want[i].ClassName);
    EXPECT_EQ(c.Text.Ordinal, want[i].TextOrdinal);
    EXPECT_EQ(c.Text.Name, want[i].Text);
  }
  EXPECT_EQ(d.Controls[0].X, 44);
  EXPECT_EQ(d.Controls[0].Y, 116);
  EXPECT_EQ(d.Controls[0].Cx, 48);
  EXPECT_EQ(d.Controls[0].Cy, 14);
  EXPECT_EQ(d.Controls[5].Cx, 18);
  EXPECT_EQ(d.Controls[6].Cx, 0);  // ICON without a size
  EXPECT_EQ(d.Controls[8].X, -5);
}

TEST(ScriptParser, StringsDecodeEscapesAndUtf8) {
  const auto d = Dialog(
      "D DIALOG 0, 0, 1, 1 CAPTION \"a \"\"q\"\" \\\"b\\\" \\\\ \\t\\n\" {\n"
      "  LTEXT \"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x90\x9B\", -1, 0, 0, 1, 1\n"
      "}\n");
  EXPECT_EQ(d.Caption, u"a \"q\" \"b\" \\ \t\n");
  EXPECT_EQ(d.Controls.at(0).Text.Name, u"caf\u00E9 \u20AC \U0001F41B");
}

TEST(ScriptParser, ExpressionsDefinesAndNot) {
  const auto d = Dialog(
      "#define BASE (WS_TABSTOP | 0x3)\n"
      "#define ID 0x10L\n"
      "D DIALOG -1, -(2), 3, 4 STYLE BASE | NOT 1 | WS_POPUP\n{\n"
      "  CONTROL \"\", ID, \"STATIC\", NOT WS_VISIBLE | WS_GROUP, 0, 0, 1, 1\n"
      "}\n");
  EXPECT_EQ(d.Style, WS_TABSTOP | 0x2 | WS_POPUP);
  EXPECT_EQ(d.X, -1);
  EXPECT_EQ(d.Y, -2);
  EXPECT_EQ(d.Controls.at(0).Id, 16);
  EXPECT_EQ(d.Controls.at(0).Style, WS_CHILD | WS_GROUP);
}

TEST(ScriptParser, ReportsEachFaultAtItsLine) {
  struct TCase {
    const char* What;
    const char* Text;
    int Line;
    const char* Part;
  };
  const TCase cases[] = {
      {"unknown kind", "A BITMAP \"a.xpm\"\nB PICTURE \"b.xpm\"\n", 2, "unknown keyword 'PICTURE'"},
      {"unknown option", "A BITMAP GLOSSY \"a.xpm\"\n", 1, "unknown keyword 'GLOSSY'"},
      {"unknown menu word", "M MENU {\n MENUITEM \"a\", 1\n SUBMENU \"b\"\n}\n", 3,
       "unknown keyword 'SUBMENU'"},
      {"unknown dialog word", "D DIALOG 0,0,1,1\nMENU M\n{}\n", 2, "unknown keyword 'MENU'"},
      {"unknown control", "D DIALOG 0,0,1,1 {\n LISTBOX 1, 0,0,1,1\n}\n", 2,
       "unknown keyword 'LISTBOX'"},
      {"unknown class", "D DIALOG 0,0,1,1 {\n CONTROL \"\", 1, WIDGET, 0, 0,0,1,1\n}\n", 2,
       "unknown control class 'WIDGET'"},
      {"unterminated string", "A BITMAP \"a.xpm\nB BITMAP \"b.xpm\"\n", 1, "unterminated string"},
      {"unterminated at end", "\n\nA BITMAP \"a.xpm", 3, "unterminated string"},
      {"bad escape", "A BITMAP \"a\\q.xpm\"\n", 1, "unknown escape"},
      {"bad number", "D DIALOG 0, 12ab, 1, 1 {}\n", 1, "bad number '12ab'"},
      {"bad hex", "D DIALOG 0, 0x, 1, 1 {}\n", 1, "bad number '0x'"},
      {"huge number", "\nD DIALOG 0, 0x100000000, 1, 1 {}\n", 2, "bad number"},
      {"coordinate range", "D DIALOG 0, 0, 40000, 1 {}\n", 1, "out of range"},
      {"control id range", "D DIALOG 0,0,1,1 {\n LTEXT \"\", -2, 0,0,1,1\n}\n", 2,
       "control id -2 is out of range"},
      {"negative size", "D DIALOG 0,0,1,1 {\n LTEXT \"\", 1, 0,0,-1,1\n}\n", 2,
       "size -1 is out of range"},
      {"negative dialog size", "D DIALOG 0, 0, 10, -5 {}\n", 1, "size -5 is out of range"},
      {"numbered text", "D DIALOG 0,0,1,1 {\n ICON 5, -1, 1, 2\n}\n", 2, "expected a text"},
      {"empty class", "D DIALOG 0,0,1,1 {\n CONTROL \"\", 1, \"\", 0, 0,0,1,1\n}\n", 2,
       "control class cannot be empty"},
      {"command id range", "M MENU {\n MENUITEM \"a\", 70000\n}\n", 2, "out of range"},
      {"duplicate name", "Board BITMAP \"a.xpm\"\n\nBOARD BITMAP \"b.xpm\"\n", 3,
       "duplicate name: BITMAP BOARD is already defined at line 1"},
      {"unknown symbol", "D DIALOG 0,0,1,1 STYLE WS_POPUP | WS_FANCY {}\n", 1,
       "unknown symbol 'WS_FANCY'"},
      {"unclosed block", "M MENU {\n MENUITEM \"a\", 1\n\n", 4, "block opened at line 1"},
      {"empty popup", "M MENU {\n POPUP \"a\"\n {\n }\n}\n", 3, "empty menu"},
      {"empty menu", "M MENU\n{\n}\n", 2, "empty menu"},
      {"numbered", "101 BITMAP \"a.xpm\"\n", 1, "named, not numbered"},
      {"missing comma", "M MENU {\n MENUITEM \"a\" 1\n}\n", 2, "expected ','"},
      {"missing file", "A BITMAP\nB BITMAP \"b.xpm\"\n", 2, "unknown keyword 'B'"},
      {"empty file name", "A BITMAP \"\"\n", 1, "empty file name"},
      {"stray character", "A BITMAP \"a.xpm\" ;\n", 1, "unexpected character ';'"},
      {"unknown directive", "#include \"x.h\"\n", 1, "unknown directive '#include'"},
      {"define without value", "#define X\nA BITMAP \"a.xpm\"\n", 1, "needs a value"},
      {"define twice", "#define X 1\n#define X 2\n", 2, "X is defined twice"},
      {"define trailing", "#define X 1 2\n", 1, "after #define X"},
      {"font flag alone", "D DIALOG 0,0,1,1 STYLE DS_SETFONT\n{}\n", 2, "needs a FONT"},
      {"bad UTF-8", "D DIALOG 0,0,1,1 CAPTION \"\xC3\" {}\n", 1, "not valid UTF-8"},
      {"overlong UTF-8", "D DIALOG 0,0,1,1 CAPTION \"\xC0\xAF\" {}\n", 1, "not valid UTF-8"},
      {"unterminated comment", "A BITMAP \"a.xpm\"\n/* x\n\n", 2, "unterminated comment"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    ExpectRcError([&] { ParseScript(c.Text, "t.rc"); }, "t.rc", c.Line, c.Part);
  }
}

TEST(ScriptParser, RefusesNestingDeepEnoughToExhaustTheStack) {
  std::string menu = "M MENU\n{";
  for (int i = 0; i < 100000; ++i) menu += "POPUP \"p\" {";
  ExpectRcError([&] { ParseScript(menu, "t.rc"); }, "t.rc", 2, "nested too deeply");
  const std::string expr = "D DIALOG " + std::string(100000, '(') + "1, 0, 1, 1 {}";
  ExpectRcError([&] { ParseScript(expr, "t.rc"); }, "t.rc", 1, "nested too deeply");
  const std::string signs = "D DIALOG " + std::string(100000, '-') + "1, 0, 1, 1 {}";
  ExpectRcError([&] { ParseScript(signs, "t.rc"); }, "t.rc", 1, "nested too deeply");

  // Ordinary depths are fine.
  std::string ten = "M MENU\n{";
  for (int i = 0; i < 10; ++i) ten += "POPUP \"p\" {";
  ten += "MENUITEM \"x\", 1" + std::string(11, '}');
  const auto items = Menu(ten);
  ASSERT_EQ(items.size(), 11u);
  EXPECT_EQ(items.back().Depth, 10);
  EXPECT_EQ(items.back().Flags, MF_END);
  EXPECT_EQ(Dialog("D DIALOG ((-(-(7)))), 0, 1, 1 {}").X, 7);
}

}  // namespace
}  // namespace klop::rc
