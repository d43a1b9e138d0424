// The whole compiler: script and pictures from disk, errors as the build shows them,
// and output files that change only when their content does.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/resources/decoders.h"
#include "rc_test_support.h"
#include "template_reader.h"
#include "tools/rc/compiler.h"

namespace klop::rc {
namespace {

namespace fs = std::filesystem;
using platform::ResourceKind;
using test::ExpectRcError;
using test::TTempDir;

const std::string kFixtures = KLOP_RC_FIXTURES;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Compiler, CompilesEveryKindFromDiskInScriptOrder) {
  const TCompiledScript c = CompileScript(kFixtures + "/tiny.rc");
  ASSERT_EQ(c.Resources.size(), 6u);
  const std::pair<ResourceKind, const char*> want[] = {
      {ResourceKind::Bitmap, "TINY"},    {ResourceKind::Bitmap, "GREYS"},
      {ResourceKind::Cursor, "POINTER"}, {ResourceKind::Icon, "FACE"},
      {ResourceKind::Menu, "M"},         {ResourceKind::Dialog, "D"}};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(c.Resources[i].Kind, want[i].first) << i;
    EXPECT_EQ(c.Resources[i].Name, want[i].second) << i;
  }
  // The picture named twice is one input.
  EXPECT_EQ(c.Inputs,
            (std::vector<std::string>{kFixtures + "/tiny.rc", kFixtures + "/tiny.xpm",
                                      kFixtures + "/pointer.xpm", kFixtures + "/face.xpm"}));

  platform::DecodedBitmap tiny, greys;
  ASSERT_TRUE(platform::DecodeBitmap(c.Resources[0].Data.data(), c.Resources[0].Data.size(), tiny));
  ASSERT_TRUE(
      platform::DecodeBitmap(c.Resources[1].Data.data(), c.Resources[1].Data.size(), greys));
  EXPECT_EQ(tiny.pixels, (std::vector<std::uint32_t>{0xC0C0C0, 0x808080, 0xFF0000, 0xFF0000,
                                                     0x808080, 0xC0C0C0}));
  EXPECT_EQ(greys.pixels, tiny.pixels);
  platform::CursorShape pointer, face;
  ASSERT_TRUE(
      platform::DecodeCursor(c.Resources[2].Data.data(), c.Resources[2].Data.size(), pointer));
  EXPECT_EQ(pointer.pixels[0], 0xFF000000u);
  EXPECT_EQ(pointer.pixels[1], 0u);                     // above the diagonal: transparent
  EXPECT_EQ(pointer.pixels[31 * 32 + 5], 0xFFFFFFFFu);  // below it: white
  ASSERT_TRUE(platform::DecodeIcon(c.Resources[3].Data.data(), c.Resources[3].Data.size(), face));
  EXPECT_EQ(face.pixels[0], 0u);
  EXPECT_EQ(face.pixels[16 * 32 + 16], 0xFF000080u);
  const auto menu = klop::test::ReadMenu(c.Resources[4].Data.data(), c.Resources[4].Data.size());
  ASSERT_EQ(menu.size(), 1u);
  EXPECT_EQ(menu[0].Flags, 0x80);
}

TEST(Compiler, ReportsMissingAndBadPicturesWhereTheyAre) {
  TTempDir dir;
  const std::string script =
      dir.Write("a.rc", "// pictures\nOK BITMAP \"ok.xpm\"\nGONE BITMAP \"gone.xpm\"\n");
  fs::copy_file(kFixtures + "/tiny.xpm", dir.File("ok.xpm"));
  ExpectRcError([&] { CompileScript(script); }, script, 3, "cannot read 'gone.xpm'");

  // A fault inside a picture is reported in the picture, not in the script.
  dir.Write("gone.xpm",
            "/* XPM */\nstatic char *g[] = {\n\"1 1 1 1\",\n\"a c #123456\",\n\"a\"};\n");
  ExpectRcError([&] { CompileScript(script); }, dir.File("gone.xpm"), 4, "unknown colour");

  // Kind rules too: a 3 x 2 picture is no cursor.
  const std::string cursor = dir.Write("c.rc", "C CURSOR \"ok.xpm\"\n");
  ExpectRcError([&] { CompileScript(cursor); }, dir.File("ok.xpm"), 3, "must be 32 x 32");

  ExpectRcError([&] { CompileScript(dir.File("none.rc")); }, dir.File("none.rc"), 1,
                "cannot read the script");
  const std::string empty = dir.Write("empty.rc", "// nothing\n");
  ExpectRcError([&] { CompileScript(empty); }, empty, 1, "defines no resource");
}

TEST(Compiler, CommandLineWritesOnlyChangedFilesAndFailsWithFileAndLine) {
  TTempDir dir;
  for (const char* f : {"tiny.rc", "tiny.xpm", "pointer.xpm", "face.xpm"}) {
    fs::copy_file(kFixtures + "/" + f, dir.File(f));
  }
  const std::string script = dir.File("tiny.rc"), out = dir.File("out.cpp"),
                    dep = dir.File("out.d");
  const std::vector<std::string> args = {script,      "-o",        out, "--function",
                                         "ns::Table", "--depfile", dep, "--depfile-target",
                                         "out.stamp"};
  std::ostringstream err;
  ASSERT_EQ(RunCompiler(args, err), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  const std::string first = Slurp(out);
  EXPECT_NE(first.find("const platform::ResourceTable& Table()"), std::string::npos);
  EXPECT_NE(first.find("\"POINTER\""), std::string::npos);
  const std::string depfile = Slurp(dep);
  EXPECT_EQ(depfile.rfind("out.stamp:", 0), 0u) << depfile;
  EXPECT_NE(depfile.find(dir.File("face.xpm")), std::string::npos);

  // Same inputs: neither file is touched, so nothing downstream rebuilds.
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
  fs::last_write_time(out, old);
  fs::last_write_time(dep, old);
  ASSERT_EQ(RunCompiler(args, err), 0) << err.str();
  EXPECT_EQ(fs::last_write_time(out), old);
  EXPECT_EQ(fs::last_write_time(dep), old);

  // A changed picture rewrites the table.
  std::string tiny = Slurp(dir.File("tiny.xpm"));
  tiny.replace(tiny.find(".gr"), 3, "rrr");
  dir.Write("tiny.xpm", tiny);
  ASSERT_EQ(RunCompiler(args, err), 0) << err.str();
  EXPECT_NE(fs::last_write_time(out), old);
  const std::string second = Slurp(out);
  EXPECT_NE(second, first);

  // A broken script fails with file:line on stderr and leaves the last table alone.
  dir.Write("tiny.rc", "TINY BITMAP \"tiny.xpm\"\nX WIDGET\n");
  std::ostringstream bad;
  EXPECT_EQ(RunCompiler(args, bad), 1);
  EXPECT_EQ(bad.str(), script + ":2: unknown keyword 'WIDGET'\n");
  EXPECT_EQ(Slurp(out), second);
  EXPECT_FALSE(fs::exists(out + ".tmp"));
}

TEST(Compiler, CommandLineRefusesBadUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"a.rc"},
      {"a.rc", "-o"},
      {"a.rc", "b.rc", "-o", "x.cpp"},
      {"a.rc", "-o", "x.cpp", "--verbose"},
  };
  for (const auto& args : bad) {
    std::ostringstream err;
    EXPECT_EQ(RunCompiler(args, err), 2);
    EXPECT_NE(err.str().find("usage: klop-rc"), std::string::npos);
  }
  TTempDir dir;
  std::ostringstream err;
  const std::string script = dir.Write("a.rc", "A MENU { MENUITEM \"a\", 1 }\n");
  EXPECT_EQ(RunCompiler({script, "-o", dir.File("x.cpp"), "--function", "9bad"}, err), 1);
  EXPECT_NE(err.str().find("bad function name"), std::string::npos);
  EXPECT_EQ(RunCompiler({script, "-o", dir.File("missing/x.cpp")}, err), 1);
  EXPECT_NE(err.str().find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace klop::rc
