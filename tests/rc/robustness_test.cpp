// Damaged scripts and pictures: whatever the damage, the compiler either succeeds with
// output the platform accepts or reports a located TRcError; it never crashes,
// throws anything else or reads out of bounds (the sanitized build watches that).
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/resources/decoders.h"
#include "tools/rc/image_writer.h"
#include "tools/rc/rc_error.h"
#include "tools/rc/script.h"
#include "tools/rc/template_writer.h"
#include "tools/rc/xpm_reader.h"

namespace klop::rc {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int Lines(const std::string& s) {
  int n = 1;
  for (char c : s) n += c == '\n';
  return n;
}

// One to four random edits: a byte replaced, removed, or inserted, the replacements
// drawn mostly from the characters that the grammars care about.
std::string Damage(std::string s, std::mt19937& rng) {
  static const std::string kChars = "\"{}(),|-#\\/*\n 0123456789xXaAcN";
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits && !s.empty(); ++e) {
    const std::size_t at = rng() % s.size();
    const char c =
        (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : kChars[rng() % kChars.size()];
    switch (rng() % 3) {
      case 0:
        s[at] = c;
        break;
      case 1:
        s.erase(at, 1 + rng() % 3);
        break;
      default:
        s.insert(at, 1, c);
        break;
    }
  }
  return s;
}

template <typename F>
void ExpectCleanOutcome(const std::string& text, F compile, int& failures) {
  try {
    compile();
  } catch (const TRcError& e) {
    ++failures;
    ASSERT_GE(e.Line, 1) << e.what();
    ASSERT_LE(e.Line, Lines(text)) << e.what();
    ASSERT_FALSE(e.Message.empty());
  }
}

TEST(Robustness, DamagedScriptsParseOrFailAtARealLine) {
  const std::string script = Slurp(KLOP_RC_SCRIPT_FILE);
  ASSERT_FALSE(script.empty());
  std::mt19937 rng(20261208);
  int failures = 0;
  for (int i = 0; i < 3000; ++i) {
    const std::string text = Damage(script, rng);
    ExpectCleanOutcome(
        text,
        [&] {
          const TRcScript s = ParseScript(text, "klop.rc");
          for (const TRcResource& r : s.Resources) {
            if (r.Kind == TRcKind::Menu) EncodeMenu(r.Menu);
            if (r.Kind == TRcKind::Dialog) EncodeDialog(r.Dialog);
          }
        },
        failures);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(failures, 300);  // the damage does break scripts, so errors were exercised
}

TEST(Robustness, DamagedPicturesDecodeOrFailAtARealLine) {
  const std::string fixtures = KLOP_RC_FIXTURES;
  struct TPicture {
    std::string Text;
    TRcKind Kind;
  };
  const TPicture pictures[] = {{Slurp(fixtures + "/tiny.xpm"), TRcKind::Bitmap},
                               {Slurp(fixtures + "/pointer.xpm"), TRcKind::Cursor},
                               {Slurp(fixtures + "/face.xpm"), TRcKind::Icon}};
  std::mt19937 rng(8122026);
  int failures = 0, successes = 0;
  for (const TPicture& p : pictures) {
    ASSERT_FALSE(p.Text.empty());
    for (int i = 0; i < 1500; ++i) {
      const std::string text = Damage(p.Text, rng);
      ExpectCleanOutcome(
          text,
          [&] {
            const TXpmImage image = ReadXpm(text, "p.xpm");
            if (p.Kind == TRcKind::Bitmap) {
              const TBytes b = EncodeBitmap(image, {}, "p.xpm");
              platform::DecodedBitmap out;
              ASSERT_TRUE(platform::DecodeBitmap(b.data(), b.size(), out));
            } else {
              const TBytes b = p.Kind == TRcKind::Cursor ? EncodeCursor(image, "p.xpm")
                                                         : EncodeIcon(image, "p.xpm");
              platform::CursorShape out;
              ASSERT_TRUE(p.Kind == TRcKind::Cursor
                              ? platform::DecodeCursor(b.data(), b.size(), out)
                              : platform::DecodeIcon(b.data(), b.size(), out));
            }
            ++successes;
          },
          failures);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(failures, 500);
  EXPECT_GT(successes, 50);
}

}  // namespace
}  // namespace klop::rc
