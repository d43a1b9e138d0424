#include "tools/rc/xpm_reader.h"

#include <cctype>
#include <map>
#include <sstream>

#include "tools/rc/palette.h"
#include "tools/rc/rc_error.h"

namespace klop::rc {
namespace {

struct TXpmString {
  std::string Text;
  int Line;
};

// The C string literals of the file in order, comments skipped; XPM keeps all of
// its data in them.
std::vector<TXpmString> Strings(std::string_view text, const std::string& file) {
  std::size_t pos = 0;
  int line = 1;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])) != 0) {
    if (text[pos] == '\n') ++line;
    ++pos;
  }
  if (text.substr(pos, 9) != "/* XPM */") throw TRcError(file, line, "not an XPM file");
  std::vector<TXpmString> out;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\n') {
      ++line;
      ++pos;
    } else if (text.substr(pos, 2) == "/*") {
      const int start = line;
      const std::size_t end = text.find("*/", pos + 2);
      if (end == std::string_view::npos) throw TRcError(file, start, "unterminated comment");
      for (std::size_t i = pos; i < end; ++i) line += text[i] == '\n';
      pos = end + 2;
    } else if (c == '"') {
      TXpmString s{{}, line};
      for (++pos;; ++pos) {
        if (pos >= text.size() || text[pos] == '\n') {
          throw TRcError(file, line, "unterminated string");
        }
        if (text[pos] == '"') break;
        if (text[pos] == '\\') {
          ++pos;
          if (pos >= text.size() || (text[pos] != '\\' && text[pos] != '"')) {
            throw TRcError(file, line, "unsupported escape in string");
          }
        }
        s.Text += text[pos];
      }
      ++pos;
      out.push_back(std::move(s));
    } else if (c == '}') {
      break;
    } else {
      ++pos;
    }
  }
  return out;
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

int Number(const std::string& word, const std::string& file, int line) {
  if (word.empty() || word.size() > 6) throw TRcError(file, line, "bad number '" + word + "'");
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') throw TRcError(file, line, "bad number '" + word + "'");
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsContextKey(const std::string& w) {
  return w == "c" || w == "m" || w == "g" || w == "g4" || w == "s";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

TXpmColour ParseColour(const std::string& text, const std::string& file, int line) {
  // Pairs of context key and value; the value may be several words (symbolic names).
  const std::vector<std::string> words = Words(text);
  std::string colour;
  bool haveColour = false;
  for (std::size_t i = 0; i < words.size();) {
    if (!IsContextKey(words[i])) {
      throw TRcError(file, line, "unknown colour key '" + words[i] + "'");
    }
    const bool isColour = words[i] == "c";
    std::string value;
    for (++i; i < words.size() && !IsContextKey(words[i]); ++i) {
      value += (value.empty() ? "" : " ") + words[i];
    }
    if (value.empty()) throw TRcError(file, line, "colour key without a value");
    if (isColour) {
      colour = value;
      haveColour = true;
    }
  }
  if (!haveColour) throw TRcError(file, line, "colour line without a 'c' value");
  TXpmColour out;
  out.Line = line;
  if (colour == "None" || colour == "none") {
    out.Transparent = true;
    return out;
  }
  if (colour.size() != 7 || colour[0] != '#') {
    throw TRcError(file, line, "unknown colour '" + colour + "': write #RRGGBB or None");
  }
  std::uint32_t rgb = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    const int d = HexDigit(colour[i]);
    if (d < 0) throw TRcError(file, line, "unknown colour '" + colour + "': bad hex digit");
    rgb = (rgb << 4) | static_cast<std::uint32_t>(d);
  }
  if (!PaletteIndex(StandardPalette(), rgb)) {
    throw TRcError(file, line,
                   "unknown colour '" + colour + "': not one of the 16 standard colours");
  }
  out.Rgb = rgb;
  return out;
}

}  // namespace

TXpmImage ReadXpm(std::string_view text, const std::string& file) {
  const std::vector<TXpmString> strings = Strings(text, file);
  if (strings.empty()) throw TRcError(file, 1, "XPM file holds no values line");
  TXpmImage image;
  const TXpmString& values = strings[0];
  image.ValuesLine = values.Line;
  const std::vector<std::string> v = Words(values.Text);
  if (v.size() != 4 && v.size() != 6) {
    throw TRcError(file, values.Line,
                   "values line must be \"width height colours chars-per-pixel [x-hot y-hot]\"");
  }
  image.Width = Number(v[0], file, values.Line);
  image.Height = Number(v[1], file, values.Line);
  const int colours = Number(v[2], file, values.Line);
  const int cpp = Number(v[3], file, values.Line);
  if (image.Width < 1 || image.Height < 1 || image.Width > kMaxXpmSide ||
      image.Height > kMaxXpmSide) {
    throw TRcError(file, values.Line,
                   "wrong size " + v[0] + " x " + v[1] + ": each side must be 1 to 4096");
  }
  if (colours < 1) throw TRcError(file, values.Line, "an XPM needs at least one colour");
  // The 16 colours and None: anything more repeats one of them.
  if (colours > 17) {
    throw TRcError(file, values.Line,
                   "too many colours (" + v[2] + "): at most the 16 standard colours and None");
  }
  if (cpp < 1 || cpp > 4) throw TRcError(file, values.Line, "chars per pixel must be 1 to 4");
  if (v.size() == 6) {
    image.HotX = Number(v[4], file, values.Line);
    image.HotY = Number(v[5], file, values.Line);
    if (*image.HotX >= image.Width || *image.HotY >= image.Height) {
      throw TRcError(file, values.Line, "hot spot lies outside the picture");
    }
  }

  const auto ucpp = static_cast<std::size_t>(cpp);
  const auto ucolours = static_cast<std::size_t>(colours);
  std::map<std::string, int> keys;
  for (std::size_t i = 1; i <= ucolours; ++i) {
    if (i >= strings.size()) {
      throw TRcError(file, strings.back().Line, "XPM ends before its colour lines do");
    }
    const TXpmString& s = strings[i];
    if (s.Text.size() < ucpp) throw TRcError(file, s.Line, "colour line too short");
    const std::string key = s.Text.substr(0, ucpp);
    if (keys.count(key) != 0) throw TRcError(file, s.Line, "colour '" + key + "' defined twice");
    keys[key] = static_cast<int>(image.Colours.size());
    image.Colours.push_back(ParseColour(s.Text.substr(ucpp), file, s.Line));
  }

  const auto width = static_cast<std::size_t>(image.Width);
  const auto height = static_cast<std::size_t>(image.Height);
  // Only once the rows are known to be there: the values line alone may claim 4096 x 4096.
  if (strings.size() >= 1 + ucolours + height) image.Pixels.reserve(width * height);
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t index = 1 + ucolours + y;
    if (index >= strings.size()) {
      throw TRcError(file, strings.back().Line,
                     "wrong size: " + std::to_string(y) + " pixel rows, the values line says " +
                         std::to_string(height));
    }
    const TXpmString& row = strings[index];
    if (row.Text.size() != width * ucpp) {
      throw TRcError(file, row.Line,
                     "wrong size: row " + std::to_string(y) + " holds " +
                         std::to_string(row.Text.size()) + " characters, expected " +
                         std::to_string(width * ucpp));
    }
    for (std::size_t x = 0; x < width; ++x) {
      const std::string key = row.Text.substr(x * ucpp, ucpp);
      const auto it = keys.find(key);
      if (it == keys.end()) {
        throw TRcError(file, row.Line, "pixel '" + key + "' has no colour line");
      }
      image.Pixels.push_back(it->second);
    }
  }
  if (strings.size() > 1 + ucolours + height) {
    throw TRcError(
        file, strings[1 + ucolours + height].Line,
        "wrong size: more pixel rows than the values line says (" + std::to_string(height) + ")");
  }
  return image;
}

}  // namespace klop::rc
