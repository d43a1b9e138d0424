#include "bdf_font.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>

namespace fontc {
namespace {

// Generous bounds; anything beyond them is a broken file, not a font we would draw.
constexpr int kMaxGlyphSide = 64;
constexpr int kMaxMetric = 64;

class TReader {
 public:
  TReader(std::istream& in, const std::string& fileName) : In_(in), File_(fileName) {}

  // Next non-blank line split into words; false at end of input.
  bool Next() {
    std::string line;
    while (std::getline(In_, line)) {
      ++Line_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      Words_.clear();
      std::istringstream words(line);
      for (std::string w; words >> w;) Words_.push_back(w);
      if (!Words_.empty()) {
        Raw_ = line;
        return true;
      }
    }
    return false;
  }

  const std::string& Key() const { return Words_[0]; }
  std::size_t Count() const { return Words_.size() - 1; }
  const std::string& Raw() const { return Raw_; }
  int LineNo() const { return Line_; }

  // The i-th word after the key as an integer.
  int Int(std::size_t i) const {
    if (i >= Words_.size() - 1) Fail(Key() + " needs " + std::to_string(i + 1) + " number(s)");
    const std::string& w = Words_[i + 1];
    int v = 0;
    auto [p, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
    if (ec != std::errc() || p != w.data() + w.size()) {
      Fail(Key() + ": '" + w + "' is not a number");
    }
    return v;
  }

  // Everything after the key, without surrounding quotes.
  std::string Text() const {
    std::string rest = Raw_.substr(Raw_.find(Key()) + Key().size());
    const auto b = rest.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    rest = rest.substr(b);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
      rest = rest.substr(1, rest.size() - 2);
    }
    return rest;
  }

  [[noreturn]] void Fail(const std::string& message) const { FailAt(Line_, message); }
  [[noreturn]] void FailAt(int line, const std::string& message) const {
    throw TBdfError(File_ + ":" + std::to_string(line) + ": " + message);
  }

 private:
  std::istream& In_;
  std::string File_;
  int Line_ = 0;
  std::string Raw_;
  std::vector<std::string> Words_;
};

struct TGlyph {
  int line = 0;  // of STARTCHAR
  std::string name;
  std::optional<int> encoding;
  std::optional<int> dwidth;
  int w = 0, h = 0, xoff = 0, yoff = 0;
  bool hasBbx = false;
  std::vector<std::uint64_t> rows;  // bit 63 = leftmost pixel
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

TGlyph ReadGlyph(TReader& r) {
  TGlyph g;
  g.line = r.LineNo();
  g.name = r.Text();
  while (true) {
    if (!r.Next()) r.Fail("end of file inside glyph '" + g.name + "' (missing ENDCHAR)");
    const std::string& k = r.Key();
    if (k == "ENCODING") {
      g.encoding = r.Int(0);
    } else if (k == "DWIDTH") {
      g.dwidth = r.Int(0);
      if (*g.dwidth < 0 || *g.dwidth > kMaxGlyphSide) {
        r.Fail("DWIDTH " + std::to_string(*g.dwidth) + " is out of range 0.." +
               std::to_string(kMaxGlyphSide));
      }
    } else if (k == "BBX") {
      g.w = r.Int(0), g.h = r.Int(1), g.xoff = r.Int(2), g.yoff = r.Int(3);
      if (g.w < 0 || g.w > kMaxGlyphSide || g.h < 0 || g.h > kMaxGlyphSide) {
        r.Fail("BBX size " + std::to_string(g.w) + "x" + std::to_string(g.h) +
               " is out of range 0.." + std::to_string(kMaxGlyphSide));
      }
      if (g.xoff < -kMaxGlyphSide || g.xoff > kMaxGlyphSide || g.yoff < -kMaxGlyphSide ||
          g.yoff > kMaxGlyphSide) {
        r.Fail("BBX offset is out of range");
      }
      g.hasBbx = true;
    } else if (k == "BITMAP") {
      if (!g.hasBbx) r.Fail("BITMAP before BBX in glyph '" + g.name + "'");
      if (!g.rows.empty()) r.Fail("second BITMAP in glyph '" + g.name + "'");
      const std::size_t digits = static_cast<std::size_t>((g.w + 7) / 8 * 2);
      for (int row = 0; row < g.h; ++row) {
        if (!r.Next()) r.Fail("end of file inside the bitmap of glyph '" + g.name + "'");
        if (r.Key() == "ENDCHAR") {
          r.Fail("glyph '" + g.name + "' has " + std::to_string(row) + " bitmap rows, BBX says " +
                 std::to_string(g.h));
        }
        const std::string& hex = r.Key();
        if (r.Count() != 0 || hex.size() != digits) {
          r.Fail("bitmap row '" + r.Raw() + "' should be " + std::to_string(digits) +
                 " hex digits");
        }
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < hex.size(); ++i) {
          const int d = HexDigit(hex[i]);
          if (d < 0) r.Fail(std::string("bad hex digit '") + hex[i] + "' in bitmap row");
          bits |= static_cast<std::uint64_t>(d) << (60 - 4 * i);
        }
        // Padding bits past the glyph's width carry no ink.
        if (g.w < 64) bits &= ~(~std::uint64_t{0} >> g.w);
        g.rows.push_back(bits);
      }
    } else if (k == "ENDCHAR") {
      if (!g.encoding) r.FailAt(g.line, "glyph '" + g.name + "' has no ENCODING");
      if (!g.dwidth) r.FailAt(g.line, "glyph '" + g.name + "' has no DWIDTH");
      if (!g.hasBbx) r.FailAt(g.line, "glyph '" + g.name + "' has no BBX");
      if (static_cast<int>(g.rows.size()) != g.h) {
        r.FailAt(g.line, "glyph '" + g.name + "' has no BITMAP");
      }
      return g;
    } else if (k == "STARTCHAR" || k == "ENDFONT") {
      r.Fail(k + " inside glyph '" + g.name + "' (missing ENDCHAR)");
    }
    // SWIDTH, VVECTOR and the like do not matter for drawing.
  }
}

TCell MakeCell(const TGlyph& g, int ascent, int height) {
  TCell c;
  c.present = true;
  const int left = std::min(0, g.xoff);
  const int right = std::max(*g.dwidth, g.xoff + g.w);
  c.advance = right - left;
  const int stride = (c.advance + 7) / 8;
  c.bits.assign(static_cast<std::size_t>(stride * height), 0);
  for (int row = 0; row < g.h; ++row) {
    const int y = ascent - (g.yoff + g.h) + row;
    if (y < 0 || y >= height) continue;  // beyond the line: cut off
    for (int col = 0; col < g.w; ++col) {
      if (!((g.rows[static_cast<std::size_t>(row)] >> (63 - col)) & 1)) continue;
      const int x = g.xoff + col - left;
      c.bits[static_cast<std::size_t>(y * stride + x / 8)] |=
          static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  return c;
}

}  // namespace

TCellFont ReadBdf(std::istream& in, const std::string& fileName, int extraTopRows) {
  TReader r(in, fileName);
  if (extraTopRows < 0 || extraTopRows > kMaxMetric) {
    throw TBdfError(fileName + ":0: extra top rows out of range");
  }
  if (!r.Next() || r.Key() != "STARTFONT") r.Fail("not a BDF font (expected STARTFONT)");

  std::optional<int> ascent, descent, pixelSize, defaultChar, averageWidth;
  std::string weightName;
  std::optional<int> announced;
  std::vector<TGlyph> glyphs;
  bool ended = false;
  while (!ended && r.Next()) {
    const std::string& k = r.Key();
    if (k == "STARTPROPERTIES") {
      const int count = r.Int(0);
      const int start = r.LineNo();
      int seen = 0;
      while (true) {
        if (!r.Next()) r.FailAt(start, "STARTPROPERTIES without ENDPROPERTIES");
        if (r.Key() == "ENDPROPERTIES") break;
        ++seen;
        const std::string& p = r.Key();
        if (p == "FONT_ASCENT") {
          ascent = r.Int(0);
        } else if (p == "FONT_DESCENT") {
          descent = r.Int(0);
        } else if (p == "PIXEL_SIZE") {
          pixelSize = r.Int(0);
        } else if (p == "DEFAULT_CHAR") {
          defaultChar = r.Int(0);
        } else if (p == "AVERAGE_WIDTH") {
          averageWidth = r.Int(0);
        } else if (p == "WEIGHT_NAME") {
          weightName = r.Text();
        }
      }
      if (seen != count) {
        r.FailAt(start, "STARTPROPERTIES announces " + std::to_string(count) + ", found " +
                            std::to_string(seen));
      }
    } else if (k == "CHARS") {
      announced = r.Int(0);
      if (*announced < 0) r.Fail("CHARS must not be negative");
    } else if (k == "STARTCHAR") {
      if (!announced) r.Fail("STARTCHAR before CHARS");
      glyphs.push_back(ReadGlyph(r));
    } else if (k == "ENDFONT") {
      ended = true;
    } else if (k == "ENDCHAR" || k == "BITMAP" || k == "ENCODING" || k == "BBX") {
      r.Fail(k + " outside a glyph");
    }
  }
  if (!ended) r.Fail("end of file before ENDFONT");
  const int endLine = r.LineNo();
  if (!ascent || !descent) r.FailAt(endLine, "FONT_ASCENT and FONT_DESCENT are required");
  if (*ascent < 0 || *descent < 0 || *ascent + *descent + extraTopRows > kMaxMetric ||
      *ascent + *descent == 0) {
    r.FailAt(endLine, "FONT_ASCENT/FONT_DESCENT out of range");
  }
  if (!announced || static_cast<int>(glyphs.size()) != *announced) {
    r.FailAt(endLine, "CHARS announces " + std::to_string(announced.value_or(0)) +
                          " glyphs, found " + std::to_string(glyphs.size()));
  }

  TCellFont f;
  f.ascent = *ascent + extraTopRows;
  f.descent = *descent;
  const int height = f.Height();
  f.internalLeading = pixelSize ? std::clamp(height - *pixelSize, 0, height) : extraTopRows;
  std::string weightLower = weightName;
  for (char& ch : weightLower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  f.weight = weightLower == "bold" ? 700 : weightLower == "demibold" ? 600 : 400;

  std::map<int, int> firstLine;
  for (const TGlyph& g : glyphs) {
    const int code = *g.encoding;
    if (code < 0 || code > 255) continue;  // unencoded, or beyond the 8-bit set we draw
    if (auto [it, fresh] = firstLine.emplace(code, g.line); !fresh) {
      r.FailAt(g.line, "code " + std::to_string(code) + " defined twice (first at line " +
                           std::to_string(it->second) + ")");
    }
    f.cells[static_cast<std::size_t>(code)] = MakeCell(g, f.ascent, height);
  }
  if (defaultChar) {
    if (*defaultChar < 0 || *defaultChar > 255 ||
        !f.cells[static_cast<std::size_t>(*defaultChar)].present) {
      r.FailAt(endLine, "DEFAULT_CHAR " + std::to_string(*defaultChar) + " has no glyph");
    }
    f.defaultChar = *defaultChar;
  }
  for (const TCell& c : f.cells) {
    if (c.present) f.maxCharWidth = std::max(f.maxCharWidth, c.advance);
  }
  // The platform's figure is the width of 'x' in its bitmap fonts; fall back on the
  // font's own average (tenths of a pixel).
  if (f.cells['x'].present) {
    f.aveCharWidth = f.cells['x'].advance;
  } else if (averageWidth) {
    f.aveCharWidth = (*averageWidth + 5) / 10;
  } else {
    f.aveCharWidth = f.maxCharWidth;
  }
  return f;
}

std::string EmitCpp(const std::vector<TNamedFont>& fonts) {
  std::string out =
      "// Generated by tools/fontc from the BDF files in platform/gdi/fonts; do not edit.\n"
      "#include \"platform/gdi/font.h\"\n\nnamespace platform {\nnamespace {\n";
  char buf[64];
  std::string defs;
  for (const TNamedFont& nf : fonts) {
    const TCellFont& f = nf.font;
    const TCell empty;
    std::vector<std::uint8_t> bits;
    std::array<std::size_t, 256> offsets{};
    std::array<int, 256> advances{};
    std::array<std::size_t, 256> own{};
    for (std::size_t i = 0; i < 256; ++i) {
      own[i] = bits.size();
      bits.insert(bits.end(), f.cells[i].bits.begin(), f.cells[i].bits.end());
    }
    for (std::size_t i = 0; i < 256; ++i) {
      std::size_t from = i;
      if (!f.cells[i].present) {
        from = f.defaultChar >= 0 ? static_cast<std::size_t>(f.defaultChar) : 256;
      }
      offsets[i] = from < 256 ? own[from] : 0;
      advances[i] = from < 256 ? f.cells[from].advance : empty.advance;
    }
    if (bits.empty()) bits.push_back(0);  // no zero-length arrays

    out += "\n// " + nf.source + "\nconstexpr std::uint8_t " + nf.symbol + "Bits[] = {";
    for (std::size_t i = 0; i < bits.size(); ++i) {
      std::snprintf(buf, sizeof buf, "%s0x%02X,", i % 12 ? " " : "\n    ", bits[i]);
      out += buf;
    }
    out += "\n};\nconstexpr std::uint8_t " + nf.symbol + "Advances[256] = {";
    for (std::size_t i = 0; i < 256; ++i) {
      std::snprintf(buf, sizeof buf, "%s%d,", i % 16 ? " " : "\n    ", advances[i]);
      out += buf;
    }
    out += "\n};\nconstexpr std::uint32_t " + nf.symbol + "Offsets[256] = {";
    for (std::size_t i = 0; i < 256; ++i) {
      std::snprintf(buf, sizeof buf, "%s%zu,", i % 12 ? " " : "\n    ", offsets[i]);
      out += buf;
    }
    out += "\n};\n";
    std::snprintf(buf, sizeof buf, "{%d, %d, %d, %d, 0, %d, %d, %d}", f.Height(), f.ascent,
                  f.descent, f.internalLeading, f.aveCharWidth, f.maxCharWidth, f.weight);
    defs += "const TFontData " + nf.symbol + "{" + buf + ", " +
            std::to_string(f.defaultChar < 0 ? 0 : f.defaultChar) + ", " + nf.symbol +
            "Advances, " + nf.symbol + "Offsets, " + nf.symbol + "Bits, sizeof " + nf.symbol +
            "Bits};\n";
  }
  out += "\n}  // namespace\n\n" + defs + "\n}  // namespace platform\n";
  return out;
}

}  // namespace fontc
