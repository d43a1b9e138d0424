// The resource-script grammar (keywords ignore case, symbols do not):
//
//   #define NAME expression               on one line
//   NAME BITMAP [SWAPGREYS] "file.xpm"
//   NAME CURSOR "file.xpm"
//   NAME ICON "file.xpm"
//   NAME MENU { items }                   BEGIN/END may stand for the braces
//     item: MENUITEM "text", id [options] | MENUITEM SEPARATOR
//           | POPUP "text" [options] { items }
//     options: GRAYED INACTIVE CHECKED MENUBREAK MENUBARBREAK HELP, commas optional
//   NAME DIALOG x, y, cx, cy  [STYLE e] [EXSTYLE e] [CAPTION "text"] [FONT points, "face"]
//     { controls }
//     CONTROL text, id, class, style, x, y, cx, cy [, exstyle]
//     LTEXT | CTEXT | RTEXT | PUSHBUTTON | DEFPUSHBUTTON  text, id, x, y, cx, cy [, style [, ex]]
//     EDITTEXT | SCROLLBAR  id, x, y, cx, cy [, style [, ex]]
//     ICON text, id, x, y [, cx, cy [, style [, ex]]]
//
// Expressions are terms joined by |; a term is a number, a symbol, -term, (expression)
// or NOT term, which clears its bits from what stands before it. Every control gets
// WS_CHILD | WS_VISIBLE and its statement's default style, to which its own style
// adds (NOT removes). A dialog without STYLE is WS_POPUP | WS_BORDER | WS_SYSMENU;
// CAPTION adds WS_CAPTION and FONT adds DS_SETFONT. Names are stored in upper case and
// lookups ignore case, so a name may appear once per kind, in any case.
#include <map>
#include <utility>

#include "platform/constants.h"
#include "tools/rc/lexer.h"
#include "tools/rc/rc_error.h"
#include "tools/rc/script.h"
#include "tools/rc/symbols.h"

namespace klop::rc {

const char* KindKeyword(TRcKind kind) {
  switch (kind) {
    case TRcKind::Bitmap:
      return "BITMAP";
    case TRcKind::Cursor:
      return "CURSOR";
    case TRcKind::Icon:
      return "ICON";
    case TRcKind::Menu:
      return "MENU";
    case TRcKind::Dialog:
      return "DIALOG";
  }
  return "?";
}

namespace {

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

class TParser {
 public:
  TParser(std::string_view text, const std::string& file)
      : Tokens(Tokenize(text, file)), File(file) {}

  TRcScript Run() {
    TRcScript script;
    std::map<std::pair<TRcKind, std::string>, int> seen;
    while (Peek().Kind != TTokenKind::End) {
      if (IsPunct(Peek(), "#")) {
        Directive();
        continue;
      }
      TRcResource r = Resource();
      const auto [it, fresh] = seen.emplace(std::make_pair(r.Kind, r.Name), r.Line);
      if (!fresh) {
        throw TRcError(File, r.Line,
                       std::string("duplicate name: ") + KindKeyword(r.Kind) + " " + r.Name +
                           " is already defined at line " + std::to_string(it->second));
      }
      script.Resources.push_back(std::move(r));
    }
    return script;
  }

 private:
  // --- tokens ---
  const TToken& Peek() const { return Tokens[Pos]; }
  const TToken& Next() {
    const TToken& t = Tokens[Pos];
    if (t.Kind != TTokenKind::End) ++Pos;
    return t;
  }
  [[noreturn]] void Fail(const TToken& at, const std::string& message) const {
    throw TRcError(File, at.Line, message);
  }
  static bool IsPunct(const TToken& t, std::string_view p) {
    return t.Kind == TTokenKind::Punct && t.Text == p;
  }
  static bool IsKeyword(const TToken& t, std::string_view k) {
    return t.Kind == TTokenKind::Identifier && SameKeyword(t.Text, k);
  }
  static std::string Describe(const TToken& t) {
    switch (t.Kind) {
      case TTokenKind::End:
        return "end of file";
      case TTokenKind::String:
        return "a string";
      case TTokenKind::Number:
        return "the number " + std::to_string(t.Number);
      default:
        return "'" + t.Text + "'";
    }
  }
  bool AcceptPunct(std::string_view p) {
    if (!IsPunct(Peek(), p)) return false;
    Next();
    return true;
  }
  void ExpectPunct(std::string_view p) {
    if (!AcceptPunct(p))
      Fail(Peek(), "expected '" + std::string(p) + "', found " + Describe(Peek()));
  }
  bool AcceptKeyword(std::string_view k) {
    if (!IsKeyword(Peek(), k)) return false;
    Next();
    return true;
  }
  const TToken& ExpectString() {
    if (Peek().Kind != TTokenKind::String)
      Fail(Peek(), "expected a string, found " + Describe(Peek()));
    return Next();
  }

  // Opens a block; answers the line it opened on.
  int Open() {
    const int line = Peek().Line;
    if (!AcceptPunct("{") && !AcceptKeyword("BEGIN")) {
      Fail(Peek(), "expected '{' or BEGIN, found " + Describe(Peek()));
    }
    return line;
  }
  bool Close(int openLine) {
    if (AcceptPunct("}") || AcceptKeyword("END")) return true;
    if (Peek().Kind == TTokenKind::End) {
      Fail(Peek(), "unexpected end of file: the block opened at line " + std::to_string(openLine) +
                       " is not closed");
    }
    return false;
  }

  // --- texts ---
  std::u16string Utf16(const TToken& t) const {
    std::u16string out;
    const std::string& s = t.Text;
    for (std::size_t i = 0; i < s.size();) {
      const auto b = static_cast<unsigned char>(s[i]);
      std::uint32_t cp = 0;
      std::size_t n = 0;
      if (b < 0x80) {
        cp = b;
        n = 1;
      } else if ((b & 0xE0) == 0xC0) {
        cp = b & 0x1F;
        n = 2;
      } else if ((b & 0xF0) == 0xE0) {
        cp = b & 0x0F;
        n = 3;
      } else if ((b & 0xF8) == 0xF0) {
        cp = b & 0x07;
        n = 4;
      } else {
        Fail(t, "string is not valid UTF-8");
      }
      if (i + n > s.size()) Fail(t, "string is not valid UTF-8");
      for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) Fail(t, "string is not valid UTF-8");
        cp = (cp << 6) | (c & 0x3F);
      }
      const bool overlong =
          (n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
      if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        Fail(t, "string is not valid UTF-8");
      }
      if (cp == 0) Fail(t, "string holds a NUL character");
      if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      } else {
        out += static_cast<char16_t>(cp);
      }
      i += n;
    }
    return out;
  }

  // Bounds the recursion of nested parentheses, signs and popups, so that no script
  // can exhaust the stack.
  class TNesting {
   public:
    TNesting(TParser& p, const TToken& at) : P(p) {
      if (++P.Depth > kMaxNesting) P.Fail(at, "nested too deeply");
    }
    ~TNesting() { --P.Depth; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

   private:
    TParser& P;
  };
  static constexpr int kMaxNesting = 64;

  // --- expressions ---
  std::int64_t Primary() {
    const TToken& t = Next();
    const TNesting nesting(*this, t);
    switch (t.Kind) {
      case TTokenKind::Number:
        return t.Number;
      case TTokenKind::Identifier: {
        if (auto d = Defines.find(t.Text); d != Defines.end()) return d->second;
        if (auto b = BuiltinSymbol(t.Text)) return *b;
        Fail(t, "unknown symbol '" + t.Text + "'");
      }
      default:
        break;
    }
    if (IsPunct(t, "-")) return -Primary();
    if (IsPunct(t, "(")) {
      const std::int64_t v = Expression();
      ExpectPunct(")");
      return v;
    }
    Fail(t, "expected a number, found " + Describe(t));
  }

  std::int64_t Expression(std::int64_t base = 0) {
    std::int64_t value = base;
    do {
      if (AcceptKeyword("NOT")) {
        value &= ~Primary();
      } else {
        value |= Primary();
      }
    } while (AcceptPunct("|"));
    return value;
  }

  std::int64_t Ranged(std::int64_t lo, std::int64_t hi, const char* what, std::int64_t base = 0) {
    const TToken& at = Peek();
    const std::int64_t v = Expression(base);
    if (v < lo || v > hi) {
      Fail(at, std::string("bad number: ") + what + " " + std::to_string(v) + " is out of range");
    }
    return v;
  }
  std::uint32_t Style(std::uint32_t base = 0) {
    return static_cast<std::uint32_t>(Ranged(INT32_MIN, UINT32_MAX, "style", base) & 0xFFFFFFFF);
  }
  std::int16_t Coordinate() {
    return static_cast<std::int16_t>(Ranged(-32768, 32767, "coordinate"));
  }
  // A width or height: the platform opens no dialog with a negative one.
  std::int16_t Size() { return static_cast<std::int16_t>(Ranged(0, 32767, "size")); }
  std::uint16_t ControlId() {
    return static_cast<std::uint16_t>(Ranged(-1, 65535, "control id") & 0xFFFF);
  }

  // --- statements ---
  void Directive() {
    const TToken& hash = Next();
    const TToken& word = Next();
    if (!IsKeyword(word, "define") || word.Line != hash.Line) {
      Fail(hash, "unknown directive" +
                     (word.Line == hash.Line ? " '#" + word.Text + "'" : std::string()));
    }
    const TToken& name = Next();
    if (name.Kind != TTokenKind::Identifier || name.Line != hash.Line) {
      Fail(hash, "#define needs a name");
    }
    if (Peek().Line != hash.Line || Peek().Kind == TTokenKind::End) {
      Fail(hash, "#define " + name.Text + " needs a value");
    }
    const std::size_t start = Pos;
    const std::int64_t value = Expression();
    for (std::size_t i = start; i < Pos; ++i) {
      if (Tokens[i].Line != hash.Line) Fail(hash, "#define must fit on one line");
    }
    if (Peek().Line == hash.Line && Peek().Kind != TTokenKind::End) {
      Fail(Peek(), "unexpected " + Describe(Peek()) + " after #define " + name.Text);
    }
    if (!Defines.emplace(name.Text, value).second) Fail(name, name.Text + " is defined twice");
  }

  TRcResource Resource() {
    const TToken& name = Next();
    if (name.Kind == TTokenKind::Number) Fail(name, "resources are named, not numbered");
    if (name.Kind != TTokenKind::Identifier)
      Fail(name, "expected a resource name, found " + Describe(name));
    TRcResource r;
    r.Name = Upper(name.Text);
    r.Line = name.Line;
    const TToken& kind = Next();
    if (IsKeyword(kind, "BITMAP")) {
      r.Kind = TRcKind::Bitmap;
      if (AcceptKeyword("SWAPGREYS")) r.Bitmap.SwapGreys = true;
      r.File = PictureFile();
    } else if (IsKeyword(kind, "CURSOR")) {
      r.Kind = TRcKind::Cursor;
      r.File = PictureFile();
    } else if (IsKeyword(kind, "ICON")) {
      r.Kind = TRcKind::Icon;
      r.File = PictureFile();
    } else if (IsKeyword(kind, "MENU")) {
      r.Kind = TRcKind::Menu;
      r.Menu = MenuBlock();
    } else if (IsKeyword(kind, "DIALOG")) {
      r.Kind = TRcKind::Dialog;
      r.Dialog = Dialog();
    } else if (kind.Kind == TTokenKind::Identifier) {
      Fail(kind, "unknown keyword '" + kind.Text + "'");
    } else {
      Fail(kind, "expected a resource kind after " + name.Text + ", found " + Describe(kind));
    }
    return r;
  }

  std::string PictureFile() {
    if (Peek().Kind == TTokenKind::Identifier)
      Fail(Peek(), "unknown keyword '" + Peek().Text + "'");
    const TToken& t = ExpectString();
    if (t.Text.empty()) Fail(t, "empty file name");
    return t.Text;
  }

  std::uint16_t MenuOptions() {
    std::uint16_t flags = 0;
    for (;;) {
      AcceptPunct(",");
      if (AcceptKeyword("GRAYED")) {
        flags |= MF_GRAYED;
      } else if (AcceptKeyword("INACTIVE")) {
        flags |= MF_DISABLED;
      } else if (AcceptKeyword("CHECKED")) {
        flags |= MF_CHECKED;
      } else if (AcceptKeyword("MENUBREAK")) {
        flags |= MF_MENUBREAK;
      } else if (AcceptKeyword("MENUBARBREAK")) {
        flags |= MF_MENUBARBREAK;
      } else if (AcceptKeyword("HELP")) {
        flags |= MF_HELP;
      } else {
        return flags;
      }
    }
  }

  std::vector<TMenuItem> MenuBlock() {
    const TNesting nesting(*this, Peek());
    const int open = Open();
    std::vector<TMenuItem> items;
    while (!Close(open)) {
      const TToken& t = Next();
      TMenuItem item;
      if (IsKeyword(t, "MENUITEM")) {
        if (AcceptKeyword("SEPARATOR")) {
          item.Flags = MF_SEPARATOR;
        } else {
          item.Text = Utf16(ExpectString());
          ExpectPunct(",");
          item.Id = static_cast<std::uint16_t>(Ranged(0, 65535, "command id"));
          item.Flags = MenuOptions();
        }
      } else if (IsKeyword(t, "POPUP")) {
        item.Popup = true;
        item.Text = Utf16(ExpectString());
        item.Flags = MenuOptions();
        item.Items = MenuBlock();
      } else if (t.Kind == TTokenKind::Identifier) {
        Fail(t, "unknown keyword '" + t.Text + "'");
      } else {
        Fail(t, "expected MENUITEM or POPUP, found " + Describe(t));
      }
      items.push_back(std::move(item));
    }
    // An empty level has no last item to carry the end mark.
    if (items.empty()) throw TRcError(File, open, "empty menu: a menu or popup needs an item");
    return items;
  }

  TDialog Dialog() {
    TDialog d;
    d.X = Coordinate();
    ExpectPunct(",");
    d.Y = Coordinate();
    ExpectPunct(",");
    d.Cx = Size();
    ExpectPunct(",");
    d.Cy = Size();
    std::uint32_t style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    std::uint32_t extra = 0;
    while (!IsPunct(Peek(), "{") && !IsKeyword(Peek(), "BEGIN")) {
      const TToken& t = Next();
      if (IsKeyword(t, "STYLE")) {
        style = Style();
      } else if (IsKeyword(t, "EXSTYLE")) {
        d.ExStyle = Style();
      } else if (IsKeyword(t, "CAPTION")) {
        d.Caption = Utf16(ExpectString());
        extra |= WS_CAPTION;
      } else if (IsKeyword(t, "FONT")) {
        TDialogFont font;
        font.Points = static_cast<std::uint16_t>(Ranged(1, 32767, "font size"));
        ExpectPunct(",");
        font.Face = Utf16(ExpectString());
        d.Font = font;
        extra |= DS_SETFONT;
      } else if (t.Kind == TTokenKind::Identifier) {
        Fail(t, "unknown keyword '" + t.Text + "'");
      } else {
        Fail(t, "expected '{', found " + Describe(t));
      }
    }
    d.Style = style | extra;
    if ((d.Style & DS_SETFONT) != 0 && !d.Font) Fail(Peek(), "DS_SETFONT needs a FONT statement");
    const int open = Open();
    while (!Close(open)) d.Controls.push_back(Control());
    return d;
  }

  TNameOrOrdinal Text() {
    TNameOrOrdinal text;
    // The platform's dialogs take texts only: a numbered one would fail the dialog.
    if (Peek().Kind != TTokenKind::String) {
      Fail(Peek(), "expected a text, found " + Describe(Peek()));
    }
    text.Name = Utf16(Next());
    return text;
  }

  void Rectangle(TDialogControl& c) {
    c.X = Coordinate();
    ExpectPunct(",");
    c.Y = Coordinate();
    ExpectPunct(",");
    c.Cx = Size();
    ExpectPunct(",");
    c.Cy = Size();
  }

  // The optional trailing ", style [, exstyle]" of the shorthand statements.
  void StyleTail(TDialogControl& c, std::uint32_t base) {
    c.Style = base;
    if (!AcceptPunct(",")) return;
    c.Style = Style(base);
    if (AcceptPunct(",")) c.ExStyle = Style();
  }

  static TNameOrOrdinal ClassName(const char* name) {
    TNameOrOrdinal n;
    for (const char* p = name; *p != 0; ++p) n.Name += static_cast<char16_t>(*p);
    return n;
  }

  TDialogControl Control() {
    struct TShorthand {
      const char* Keyword;
      const char* Class;
      std::uint32_t Style;
      bool HasText;
    };
    static constexpr TShorthand kShorthands[] = {
        {"LTEXT", "STATIC", SS_LEFT | WS_GROUP, true},
        {"CTEXT", "STATIC", SS_CENTER | WS_GROUP, true},
        {"RTEXT", "STATIC", SS_RIGHT | WS_GROUP, true},
        {"PUSHBUTTON", "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, true},
        {"DEFPUSHBUTTON", "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, true},
        {"EDITTEXT", "EDIT", ES_LEFT | WS_BORDER | WS_TABSTOP, false},
        {"SCROLLBAR", "SCROLLBAR", SBS_HORZ, false},
    };
    constexpr std::uint32_t kChild = WS_CHILD | WS_VISIBLE;
    const TToken& t = Next();
    TDialogControl c;
    if (IsKeyword(t, "CONTROL")) {
      c.Text = Text();
      ExpectPunct(",");
      c.Id = ControlId();
      ExpectPunct(",");
      if (Peek().Kind == TTokenKind::String) {
        if (Peek().Text.empty()) Fail(Peek(), "a control class cannot be empty");
        c.Class.Name = Utf16(Next());
      } else if (Peek().Kind == TTokenKind::Identifier) {
        // The bare class keywords stand for their names.
        static constexpr const char* kClasses[] = {"BUTTON", "EDIT", "STATIC", "SCROLLBAR"};
        bool known = false;
        for (const char* k : kClasses) {
          if (IsKeyword(Peek(), k)) {
            c.Class = ClassName(k);
            known = true;
          }
        }
        if (!known) Fail(Peek(), "unknown control class '" + Peek().Text + "'");
        Next();
      } else {
        Fail(Peek(), "expected a control class, found " + Describe(Peek()));
      }
      ExpectPunct(",");
      c.Style = Style(kChild);
      ExpectPunct(",");
      Rectangle(c);
      if (AcceptPunct(",")) c.ExStyle = Style();
      return c;
    }
    if (IsKeyword(t, "ICON")) {
      c.Class = ClassName("STATIC");
      c.Text = Text();
      ExpectPunct(",");
      c.Id = ControlId();
      ExpectPunct(",");
      c.X = Coordinate();
      ExpectPunct(",");
      c.Y = Coordinate();
      c.Style = kChild | SS_ICON;
      if (AcceptPunct(",")) {
        c.Cx = Size();
        ExpectPunct(",");
        c.Cy = Size();
        StyleTail(c, kChild | SS_ICON);
      }
      return c;
    }
    for (const TShorthand& s : kShorthands) {
      if (!IsKeyword(t, s.Keyword)) continue;
      c.Class = ClassName(s.Class);
      if (s.HasText) {
        c.Text = Text();
        ExpectPunct(",");
      }
      c.Id = ControlId();
      ExpectPunct(",");
      Rectangle(c);
      StyleTail(c, kChild | s.Style);
      return c;
    }
    if (t.Kind == TTokenKind::Identifier) Fail(t, "unknown keyword '" + t.Text + "'");
    Fail(t, "expected a control statement, found " + Describe(t));
  }

  std::vector<TToken> Tokens;
  const std::string& File;
  std::size_t Pos = 0;
  std::map<std::string, std::int64_t> Defines;
  int Depth = 0;
};

}  // namespace

TRcScript ParseScript(std::string_view text, const std::string& file) {
  return TParser(text, file).Run();
}

}  // namespace klop::rc
