// The compiled resource table: its ten entries, lookups by any letter case, and the
// menu and dialog templates read back byte by byte.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "klop_config.h"
#include "platform/constants.h"
#include "platform/gdi/gdi.h"
#include "platform/resources/resource_table.h"
#include "platform/resources/resources.h"
#include "res/klop_resources.h"
#include "template_reader.h"

namespace {

using platform::ResourceKind;

struct TNamed {
  ResourceKind Kind;
  const char* Name;  // as the game asks for it
};

const TNamed kResources[] = {
    {ResourceKind::Bitmap, "Board"}, {ResourceKind::Bitmap, "Live"},
    {ResourceKind::Bitmap, "Dead"},  {ResourceKind::Bitmap, "GameOver"},
    {ResourceKind::Cursor, "Malet"}, {ResourceKind::Cursor, "MaletDown"},
    {ResourceKind::Icon, "Critter"}, {ResourceKind::Menu, "DAZIZAZE"},
    {ResourceKind::Dialog, "About"}, {ResourceKind::Dialog, "OptionDlg"},
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const platform::ResourceEntry& Entry(ResourceKind kind, const char* name) {
  const platform::ResourceEntry* e = platform::FindModuleResource(klop::Module(), kind, name);
  if (e == nullptr) throw std::runtime_error(std::string("no resource ") + name);
  return *e;
}

TEST(ResourceTable, HoldsExactlyTheTenResourcesStoredInUpperCase) {
  const platform::ResourceTable& table = klop::ResourceTable();
  ASSERT_EQ(table.count, 10u);
  for (std::size_t i = 0; i < table.count; ++i) {
    SCOPED_TRACE(kResources[i].Name);
    EXPECT_EQ(table.entries[i].kind, kResources[i].Kind);
    EXPECT_EQ(std::string(table.entries[i].name), Upper(kResources[i].Name));
    EXPECT_NE(table.entries[i].data, nullptr);
    EXPECT_GT(table.entries[i].size, 0u);
  }
  // The module is this table's: it finds the table's own entries, the table registered
  // again gives it back, and another table (its first entry only) is another module.
  const HINSTANCE module = klop::Module();
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(platform::RegisterModule(table), module);
  const platform::ResourceEntry& last = table.entries[table.count - 1];
  EXPECT_EQ(platform::FindModuleResource(module, last.kind, last.name), &last);
  static const platform::ResourceTable first{table.entries, 1};
  const HINSTANCE other = platform::RegisterModule(first);
  EXPECT_NE(other, module);
  EXPECT_EQ(platform::FindModuleResource(other, last.kind, last.name), nullptr);
}

TEST(ResourceTable, LookupsIgnoreLetterCaseForEveryName) {
  for (const TNamed& r : kResources) {
    SCOPED_TRACE(r.Name);
    const std::string upper = Upper(r.Name), lower = Lower(r.Name);
    std::string mixed = lower;
    for (std::size_t i = 0; i < mixed.size(); i += 2) mixed[i] = upper[i];
    const platform::ResourceEntry* e = platform::FindModuleResource(klop::Module(), r.Kind, r.Name);
    ASSERT_NE(e, nullptr);
    for (const std::string& name : {upper, lower, mixed}) {
      EXPECT_EQ(platform::FindModuleResource(klop::Module(), r.Kind, name.c_str()), e) << name;
    }
    // Each name belongs to its kind only.
    const ResourceKind other =
        r.Kind == ResourceKind::Bitmap ? ResourceKind::Icon : ResourceKind::Bitmap;
    EXPECT_EQ(platform::FindModuleResource(klop::Module(), other, r.Name), nullptr);
  }
  EXPECT_EQ(platform::FindModuleResource(klop::Module(), ResourceKind::Bitmap, "Boar"), nullptr);
  EXPECT_EQ(platform::FindModuleResource(klop::Module(), ResourceKind::Bitmap, "Boards"), nullptr);
}

TEST(ResourceTable, PicturesLoadThroughThePlatformByAnyCase) {
  for (const char* name : {"Board", "LIVE", "dead", "gameOver"}) {
    HBITMAP b = LoadBitmapA(klop::Module(), name);
    EXPECT_NE(b, nullptr) << name;
    if (b != nullptr) DeleteObject(b);
  }
  EXPECT_NE(LoadCursorA(klop::Module(), "malet"), nullptr);
  EXPECT_NE(LoadCursorA(klop::Module(), "MaletDown"), nullptr);
  EXPECT_NE(LoadIconA(klop::Module(), "CRITTER"), nullptr);
  EXPECT_EQ(LoadCursorA(klop::Module(), "Critter"), nullptr);  // an icon, not a cursor
}

// Entry i of a stored bitmap's colour table, as 0xRRGGBB.
std::uint32_t TableEntry(const platform::ResourceEntry& e, int i) {
  const std::uint8_t* q = e.data + 40 + 4 * i;
  return (static_cast<std::uint32_t>(q[2]) << 16) | (q[1] << 8) | q[0];
}

TEST(ResourceTable, BitmapsCarryTheStandardTableAndDeadHasItsGreysSwapped) {
  const std::uint32_t standard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                      0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                      0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (const char* name : {"Board", "Live", "Dead", "GameOver"}) {
    SCOPED_TRACE(name);
    const platform::ResourceEntry& e = Entry(ResourceKind::Bitmap, name);
    ASSERT_GE(e.size, 40u + 64u);
    EXPECT_EQ(e.data[14], 4);         // bits per pixel
    EXPECT_EQ(e.data[16], 0);         // uncompressed
    EXPECT_EQ(e.data[11] & 0x80, 0);  // positive height: bottom-up
    const bool dead = std::string(name) == "Dead";
    for (int i = 0; i < 16; ++i) {
      const int j = dead && (i == 7 || i == 8) ? 15 - i : i;
      EXPECT_EQ(TableEntry(e, i), standard[j]) << "entry " << i;
    }
  }
}

TEST(ResourceTable, MenuBarHasOnePopupAndTwoCommands) {
  const platform::ResourceEntry& e = Entry(ResourceKind::Menu, "dazizaze");
  const auto items = klop::test::ReadMenu(e.data, e.size);
  struct TWant {
    int Depth;
    std::uint16_t Flags;
    std::optional<std::uint16_t> Id;
    std::u16string Text;
  };
  // No item grayed, checked or a separator; MF_END closes each level.
  const TWant want[] = {
      {0, MF_POPUP, std::nullopt, u"&Game"},
      {1, 0, 100, u"&New"},
      {1, 0, 101, u"&Options..."},
      {1, MF_END, 104, u"&Stop"},
      {0, 0, 103, u"&Pause"},
      {0, MF_END, 102, u"&About"},
  };
  ASSERT_EQ(items.size(), std::size(want));
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].Depth, want[i].Depth);
    EXPECT_EQ(items[i].Flags, want[i].Flags);
    EXPECT_EQ(items[i].Id, want[i].Id);
    EXPECT_EQ(items[i].Text, want[i].Text);
  }
}

constexpr std::uint32_t kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
constexpr std::uint16_t kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kScrollBar = 0x84;

struct TControl {
  std::uint16_t Class;
  std::uint16_t Id;
  std::u16string Text;
  std::int16_t X, Y, Cx, Cy;
  std::uint32_t Style;
};

void ExpectDialog(const char* name, std::int16_t x, std::int16_t y, std::int16_t cx,
                  std::int16_t cy, const std::u16string& caption, const TControl* controls,
                  std::size_t count) {
  const platform::ResourceEntry& e = Entry(ResourceKind::Dialog, name);
  const klop::test::TReadDialog d = klop::test::ReadDialog(e.data, e.size);
  EXPECT_EQ(d.Style, kFrame);
  EXPECT_EQ(d.Style & (WS_VISIBLE | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(d.ExStyle, 0u);
  EXPECT_EQ(d.X, x);
  EXPECT_EQ(d.Y, y);
  EXPECT_EQ(d.Cx, cx);
  EXPECT_EQ(d.Cy, cy);
  EXPECT_FALSE(d.Menu.Ordinal);
  EXPECT_TRUE(d.Menu.Name.empty());
  EXPECT_FALSE(d.Class.Ordinal);
  EXPECT_TRUE(d.Class.Name.empty());
  EXPECT_EQ(d.Caption, caption);
  EXPECT_EQ(d.Points, 8);
  EXPECT_EQ(d.Face, u"MS Sans Serif");
  ASSERT_EQ(d.Controls.size(), count);
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE("control " + std::to_string(i + 1));
    const auto& c = d.Controls[i];
    const TControl& w = controls[i];
    EXPECT_EQ(c.Class.Ordinal, w.Class);
    EXPECT_EQ(c.Id, w.Id);
    EXPECT_FALSE(c.Text.Ordinal);
    EXPECT_EQ(c.Text.Name, w.Text);
    EXPECT_EQ(c.X, w.X);
    EXPECT_EQ(c.Y, w.Y);
    EXPECT_EQ(c.Cx, w.Cx);
    EXPECT_EQ(c.Cy, w.Cy);
    EXPECT_EQ(c.Style, kChild | w.Style);
    EXPECT_EQ(c.ExStyle, 0u);
  }
}

// The credit lines are ours; they must stay short enough for their controls.
bool FitsCredit(const std::u16string& s, std::size_t limit) {
  return !s.empty() && s.size() <= limit;
}

TEST(ResourceTable, AboutDialogInTemplateOrder) {
  const platform::ResourceEntry& e = Entry(ResourceKind::Dialog, "ABOUT");
  const auto d = klop::test::ReadDialog(e.data, e.size);
  ASSERT_EQ(d.Controls.size(), 9u);
  const std::u16string second = d.Controls[3].Text.Name, author = d.Controls[8].Text.Name;
  // About 4 dialog units a character: 129 units hold some 30, 56 units some 13.
  EXPECT_TRUE(FitsCredit(second, 30)) << second.size();
  EXPECT_TRUE(FitsCredit(author, 13)) << author.size();
  EXPECT_NE(second.find(u"Klop! developers"), std::u16string::npos);
  const std::uint32_t text = SS_CENTER | WS_GROUP;
  const TControl want[] = {
      {kButton, IDOK, u"OK", 44, 116, 48, 14, BS_PUSHBUTTON | WS_TABSTOP},
      {kStatic, 0xFFFF, u"Klop! V. " KLOP_VERSION, 4, 6, 129, 9, text},
      {kStatic, 0xFFFF, u"32-bit Win 95, Win NT game by", 4, 74, 129, 10, text},
      {kStatic, 0xFFFF, second, 6, 99, 129, 9, text},
      {kStatic, 0xFFFF, u"Critter", 60, 19, 18, 20, SS_ICON},
      {kStatic, 0xFFFF, u"5 pts per hit", 4, 36, 129, 9, text},
      {kStatic, 0xFFFF, u"-1 pts per escape", 4, 48, 129, 9, text},
      {kStatic, 0xFFFF, u"-2 pts per miss", 4, 60, 129, 9, text},
      {kStatic, 0xFFFF, author, 42, 84, 56, 10, text},
  };
  ExpectDialog("About", 97, 58, 139, 138, u"About ", want, std::size(want));
  // OK is the only control that takes the focus.
  for (std::size_t i = 1; i < d.Controls.size(); ++i) {
    EXPECT_EQ(d.Controls[i].Style & WS_TABSTOP, 0u) << i;
  }
}

TEST(ResourceTable, OptionsDialogInTemplateAndTabOrder) {
  const std::uint32_t bar = SBS_HORZ | SBS_TOPALIGN | WS_TABSTOP;
  const std::uint32_t button = BS_PUSHBUTTON | WS_TABSTOP;
  const TControl want[] = {
      {kStatic, 0xFFFF, u"&Speed:", 6, 6, 138, 9, SS_CENTER},
      {kScrollBar, 101, u"", 6, 18, 138, 9, bar},
      {kStatic, 0xFFFF, u"&Population:", 6, 42, 138, 9, SS_CENTER},
      {kScrollBar, 102, u"", 6, 54, 138, 9, bar},
      {kButton, IDOK, u"OK", 22, 117, 48, 14, button},
      {kButton, IDCANCEL, u"Cancel", 79, 117, 48, 14, button},
      {kStatic, 0xFFFF, u"Slow", 6, 30, 24, 9, SS_LEFT | WS_GROUP},
      {kStatic, 0xFFFF, u"Fast", 120, 30, 24, 9, SS_RIGHT},
      {kStatic, 0xFFFF, u"Low", 10, 66, 24, 9, SS_LEFT | WS_GROUP},
      {kStatic, 0xFFFF, u"High", 118, 66, 24, 9, SS_RIGHT},
      {kStatic, 0xFFFF, u"Game &Time in Seconds:", 6, 79, 138, 9, SS_CENTER},
      {kEdit, 109, u"15", 63, 90, 24, 13, ES_LEFT | WS_BORDER | WS_TABSTOP},
  };
  ExpectDialog("OptionDlg", 69, 95, 150, 138, u"Options", want, std::size(want));
}

}  // namespace
