// A reader of menu and dialog templates for tests, written from the format notes in
// platform/resources/resource_table.h. It refuses (throws) anything it cannot read to the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace klop::test {

class TByteReader {
 public:
  TByteReader(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}
  std::uint16_t U16() {
    Need(2);
    const auto v = static_cast<std::uint16_t>(Data[Pos] | (Data[Pos + 1] << 8));
    Pos += 2;
    return v;
  }
  std::uint32_t U32() {
    const std::uint32_t lo = U16();
    return lo | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::int16_t S16() { return static_cast<std::int16_t>(U16()); }
  std::u16string String() {
    std::u16string s;
    for (char16_t c; (c = static_cast<char16_t>(U16())) != 0;) s += c;
    return s;
  }
  void Align4() {
    while (Pos % 4 != 0) {
      Need(1);
      if (Data[Pos] != 0) throw std::runtime_error("non-zero padding");
      ++Pos;
    }
  }
  bool AtEnd() const { return Pos == Size; }
  std::size_t Offset() const { return Pos; }

 private:
  void Need(std::size_t n) const {
    if (Size - Pos < n) throw std::runtime_error("template ends early");
  }
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t Pos = 0;
};

// Menu items in template order, popups followed by their items one level deeper.
struct TReadMenuItem {
  int Depth = 0;
  std::uint16_t Flags = 0;
  std::optional<std::uint16_t> Id;  // none for a popup
  std::u16string Text;
};

inline void ReadMenuLevel(TByteReader& r, int depth, std::vector<TReadMenuItem>& out) {
  for (;;) {
    TReadMenuItem item;
    item.Depth = depth;
    item.Flags = r.U16();
    const bool popup = (item.Flags & 0x0010) != 0;
    if (!popup) item.Id = r.U16();
    item.Text = r.String();
    out.push_back(item);
    if (popup) ReadMenuLevel(r, depth + 1, out);
    if ((item.Flags & 0x0080) != 0) return;
  }
}

inline std::vector<TReadMenuItem> ReadMenu(const std::uint8_t* data, std::size_t size) {
  TByteReader r(data, size);
  if (r.U16() != 0 || r.U16() != 0) throw std::runtime_error("bad menu header");
  std::vector<TReadMenuItem> items;
  ReadMenuLevel(r, 0, items);
  if (!r.AtEnd()) throw std::runtime_error("bytes after the menu's last item");
  return items;
}

// A class or text field: a string, or 0xFFFF and a number.
struct TReadName {
  std::optional<std::uint16_t> Ordinal;
  std::u16string Name;
};

inline TReadName ReadName(TByteReader& r) {
  TReadName n;
  const std::uint16_t first = r.U16();
  if (first == 0xFFFF) {
    n.Ordinal = r.U16();
  } else {
    for (char16_t c = static_cast<char16_t>(first); c != 0; c = static_cast<char16_t>(r.U16())) {
      n.Name += c;
    }
  }
  return n;
}

struct TReadControl {
  std::uint32_t Style = 0, ExStyle = 0;
  std::int16_t X = 0, Y = 0, Cx = 0, Cy = 0;
  std::uint16_t Id = 0;
  TReadName Class, Text;
  std::uint16_t CreationBytes = 0;
};

struct TReadDialog {
  std::uint32_t Style = 0, ExStyle = 0;
  std::int16_t X = 0, Y = 0, Cx = 0, Cy = 0;
  TReadName Menu, Class;
  std::u16string Caption;
  std::optional<std::uint16_t> Points;
  std::u16string Face;
  std::vector<TReadControl> Controls;
};

inline TReadDialog ReadDialog(const std::uint8_t* data, std::size_t size) {
  TByteReader r(data, size);
  TReadDialog d;
  d.Style = r.U32();
  d.ExStyle = r.U32();
  const std::uint16_t count = r.U16();
  d.X = r.S16();
  d.Y = r.S16();
  d.Cx = r.S16();
  d.Cy = r.S16();
  d.Menu = ReadName(r);
  d.Class = ReadName(r);
  d.Caption = r.String();
  if ((d.Style & 0x40) != 0) {  // DS_SETFONT
    d.Points = r.U16();
    d.Face = r.String();
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    r.Align4();
    TReadControl c;
    c.Style = r.U32();
    c.ExStyle = r.U32();
    c.X = r.S16();
    c.Y = r.S16();
    c.Cx = r.S16();
    c.Cy = r.S16();
    c.Id = r.U16();
    c.Class = ReadName(r);
    c.Text = ReadName(r);
    c.CreationBytes = r.U16();
    if (c.CreationBytes != 0) throw std::runtime_error("unexpected creation data");
    d.Controls.push_back(c);
  }
  if (!r.AtEnd()) throw std::runtime_error("bytes after the dialog's last control");
  return d;
}

}  // namespace klop::test
