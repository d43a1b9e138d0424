#include "tools/rc/lexer.h"

#include <cctype>

#include "tools/rc/rc_error.h"

namespace klop::rc {
namespace {

bool IsIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool IsIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

class TLexer {
 public:
  TLexer(std::string_view text, const std::string& file) : Text(text), File(file) {}

  std::vector<TToken> Run() {
    std::vector<TToken> tokens;
    for (;;) {
      SkipBlanks();
      TToken t;
      t.Line = Line;
      if (Pos >= Text.size()) {
        tokens.push_back(t);
        return tokens;
      }
      const char c = Text[Pos];
      if (c == '"') {
        t.Kind = TTokenKind::String;
        t.Text = ReadString();
      } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
        t.Kind = TTokenKind::Number;
        t.Number = ReadNumber();
      } else if (IsIdentStart(c)) {
        t.Kind = TTokenKind::Identifier;
        const std::size_t start = Pos;
        while (Pos < Text.size() && IsIdentChar(Text[Pos])) ++Pos;
        t.Text = std::string(Text.substr(start, Pos - start));
      } else if (std::string_view("{},|-()#").find(c) != std::string_view::npos) {
        t.Kind = TTokenKind::Punct;
        t.Text = std::string(1, c);
        ++Pos;
      } else {
        Fail(std::string("unexpected character '") + Printable(c) + "'");
      }
      tokens.push_back(std::move(t));
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const { throw TRcError(File, Line, message); }

  static std::string Printable(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) return std::string(1, c);
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("\\x") + kHex[u >> 4] + kHex[u & 15];
  }

  void SkipBlanks() {
    while (Pos < Text.size()) {
      const char c = Text[Pos];
      if (c == '\n') {
        ++Line;
        ++Pos;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++Pos;
      } else if (Text.substr(Pos, 2) == "//") {
        while (Pos < Text.size() && Text[Pos] != '\n') ++Pos;
      } else if (Text.substr(Pos, 2) == "/*") {
        const int startLine = Line;
        Pos += 2;
        for (;;) {
          if (Pos >= Text.size()) throw TRcError(File, startLine, "unterminated comment");
          if (Text.substr(Pos, 2) == "*/") {
            Pos += 2;
            break;
          }
          if (Text[Pos] == '\n') ++Line;
          ++Pos;
        }
      } else {
        return;
      }
    }
  }

  // A doubled quote stands for one quote, as do \" and the usual C escapes below.
  std::string ReadString() {
    std::string out;
    ++Pos;  // opening quote
    for (;;) {
      if (Pos >= Text.size() || Text[Pos] == '\n') Fail("unterminated string");
      const char c = Text[Pos++];
      if (c == '"') {
        if (Pos < Text.size() && Text[Pos] == '"') {
          out += '"';
          ++Pos;
          continue;
        }
        return out;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (Pos >= Text.size() || Text[Pos] == '\n') Fail("unterminated string");
      const char e = Text[Pos++];
      switch (e) {
        case '\\':
          out += '\\';
          break;
        case '"':
          out += '"';
          break;
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'a':
          out += '\a';
          break;  // right-aligns the rest of a menu text
        default:
          Fail(std::string("unknown escape '\\") + Printable(e) + "' in string");
      }
    }
  }

  std::int64_t ReadNumber() {
    const std::size_t start = Pos;
    int base = 10;
    if (Text[Pos] == '0' && Pos + 1 < Text.size() &&
        (Text[Pos + 1] == 'x' || Text[Pos + 1] == 'X')) {
      base = 16;
      Pos += 2;
    }
    const std::size_t digitsStart = Pos;
    std::uint64_t value = 0;
    while (Pos < Text.size() && IsIdentChar(Text[Pos])) {
      const char c = Text[Pos];
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) {
        // A trailing L (long) is the one suffix scripts carry.
        if ((c == 'L' || c == 'l') && Pos > digitsStart &&
            (Pos + 1 >= Text.size() || !IsIdentChar(Text[Pos + 1]))) {
          ++Pos;
          break;
        }
        Bad(start);
      }
      value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFFFFFFull) Bad(start);
      ++Pos;
    }
    if (Pos == digitsStart) Bad(start);
    return static_cast<std::int64_t>(value);
  }

  [[noreturn]] void Bad(std::size_t start) {
    std::size_t end = Pos;
    while (end < Text.size() && IsIdentChar(Text[end])) ++end;
    Fail("bad number '" + std::string(Text.substr(start, end - start)) + "'");
  }

  std::string_view Text;
  const std::string& File;
  std::size_t Pos = 0;
  int Line = 1;
};

}  // namespace

std::vector<TToken> Tokenize(std::string_view text, const std::string& file) {
  // Editors may start a UTF-8 file with a byte-order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return TLexer(text, file).Run();
}

bool SameKeyword(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace klop::rc
