#include "platform/ui/dialog_template.h"

#include "platform/constants.h"

namespace platform {
namespace {

// A cursor over the template's bytes that remembers the first read past the end.
class TReader {
 public:
  TReader(const std::uint8_t* data, std::size_t size) : Data_(data), Size_(size) {}

  bool Ok() const { return Ok_; }
  bool AtEnd() const { return Pos_ == Size_; }

  WORD Word() {
    if (!Ok_ || Size_ - Pos_ < 2) {
      Ok_ = false;
      return 0;
    }
    const WORD v = static_cast<WORD>(Data_[Pos_] | (Data_[Pos_ + 1] << 8));
    Pos_ += 2;
    return v;
  }
  DWORD Dword() {
    const DWORD lo = Word();
    return lo | (static_cast<DWORD>(Word()) << 16);
  }
  int Short() { return static_cast<SHORT>(Word()); }

  // A zero-terminated UTF-16 string, its first unit already read.
  std::string StringFrom(WORD first) {
    std::string s;
    for (WORD c = first; Ok_ && c != 0; c = Word()) s += c < 256 ? static_cast<char>(c) : '?';
    return s;
  }
  std::string String() { return StringFrom(Word()); }

  // Controls start on a 4-byte boundary; the padding is zero.
  void Align4() {
    while (Ok_ && Pos_ % 4 != 0) {
      if (Pos_ >= Size_ || Data_[Pos_] != 0) {
        Ok_ = false;
        return;
      }
      ++Pos_;
    }
  }
  // Trailing padding after the last control is allowed, as compilers write it.
  bool OnlyPaddingLeft() const {
    for (std::size_t i = Pos_; i < Size_; ++i) {
      if (Data_[i] != 0 || i - Pos_ >= 3) return false;
    }
    return true;
  }

 private:
  const std::uint8_t* Data_;
  std::size_t Size_;
  std::size_t Pos_ = 0;
  bool Ok_ = true;
};

const char* PredefinedClass(WORD atom) {
  switch (atom) {
    case 0x0080:
      return "BUTTON";
    case 0x0081:
      return "EDIT";
    case 0x0082:
      return "STATIC";
    case 0x0083:
      return "LISTBOX";
    case 0x0084:
      return "SCROLLBAR";
    case 0x0085:
      return "COMBOBOX";
    default:
      return nullptr;
  }
}

// A class field: a string, or 0xFFFF and a predefined class atom.
bool ReadClass(TReader& r, std::string& out) {
  const WORD first = r.Word();
  if (first == 0xFFFF) {
    const char* name = PredefinedClass(r.Word());
    if (name == nullptr) return false;
    out = name;
    return r.Ok();
  }
  out = r.StringFrom(first);
  return r.Ok() && !out.empty();
}

bool ReadItem(TReader& r, TDialogItemTemplate& item) {
  r.Align4();
  item.style = r.Dword();
  item.exStyle = r.Dword();
  item.x = r.Short();
  item.y = r.Short();
  item.cx = r.Short();
  item.cy = r.Short();
  item.id = r.Word();
  if (!r.Ok() || item.cx < 0 || item.cy < 0) return false;
  if (!ReadClass(r, item.className)) return false;
  const WORD first = r.Word();
  if (first == 0xFFFF) return false;  // numbered texts are not offered
  item.text = r.StringFrom(first);
  const WORD creationBytes = r.Word();
  return r.Ok() && creationBytes == 0;
}

}  // namespace

std::optional<TDialogTemplate> ParseDialogTemplate(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return std::nullopt;
  TReader r(data, size);
  TDialogTemplate t;
  t.style = r.Dword();
  // An extended template starts with version 1 and signature 0xFFFF.
  if (r.Ok() && (t.style & 0xFFFF0000u) == 0xFFFF0000u && (t.style & 0xFFFF) == 1) {
    return std::nullopt;
  }
  t.exStyle = r.Dword();
  const WORD count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  if (!r.Ok() || t.cx < 0 || t.cy < 0) return std::nullopt;
  if (r.Word() != 0) return std::nullopt;  // a menu
  const WORD cls = r.Word();
  if (cls == 0xFFFF) return std::nullopt;  // a class by atom
  if (cls != 0) t.className = r.StringFrom(cls);
  t.caption = r.String();
  if (t.style & DS_SETFONT) {
    t.hasFont = true;
    t.points = r.Word();
    t.face = r.String();
  }
  if (!r.Ok()) return std::nullopt;
  t.items.resize(count);
  for (TDialogItemTemplate& item : t.items) {
    if (!ReadItem(r, item)) return std::nullopt;
  }
  if (!r.Ok() || !(r.AtEnd() || r.OnlyPaddingLeft())) return std::nullopt;
  return t;
}

}  // namespace platform
