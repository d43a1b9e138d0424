#include "tools/rc/template_writer.h"

#include "platform/constants.h"

namespace klop::rc {
namespace {

void PutString(TBytes& out, const std::u16string& s) {
  for (char16_t c : s) PutU16(out, c);
  PutU16(out, 0);
}

void PutItems(TBytes& out, const std::vector<TMenuItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TMenuItem& item = items[i];
    std::uint32_t flags = item.Flags;
    if (item.Popup) flags |= MF_POPUP;
    if (i + 1 == items.size()) flags |= MF_END;
    PutU16(out, flags);
    if (!item.Popup) PutU16(out, item.Id);
    PutString(out, item.Text);
    if (item.Popup) PutItems(out, item.Items);
  }
}

// Control classes that the template names by atom rather than by string.
void PutClass(TBytes& out, const TNameOrOrdinal& cls) {
  static constexpr struct {
    const char16_t* Name;
    std::uint16_t Atom;
  } kAtoms[] = {{u"BUTTON", 0x80},  {u"EDIT", 0x81},      {u"STATIC", 0x82},
                {u"LISTBOX", 0x83}, {u"SCROLLBAR", 0x84}, {u"COMBOBOX", 0x85}};
  if (cls.Ordinal) {
    PutU16(out, 0xFFFF);
    PutU16(out, *cls.Ordinal);
    return;
  }
  std::u16string upper = cls.Name;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  for (const auto& a : kAtoms) {
    if (upper == a.Name) {
      PutU16(out, 0xFFFF);
      PutU16(out, a.Atom);
      return;
    }
  }
  PutString(out, cls.Name);
}

void PutText(TBytes& out, const TNameOrOrdinal& text) {
  if (text.Ordinal) {
    PutU16(out, 0xFFFF);
    PutU16(out, *text.Ordinal);
  } else {
    PutString(out, text.Name);
  }
}

void PutShort(TBytes& out, std::int16_t v) {
  PutU16(out, static_cast<std::uint16_t>(v));
}

}  // namespace

TBytes EncodeMenu(const std::vector<TMenuItem>& items) {
  TBytes out;
  PutU16(out, 0);  // version
  PutU16(out, 0);  // header size
  PutItems(out, items);
  return out;
}

TBytes EncodeDialog(const TDialog& d) {
  TBytes out;
  PutU32(out, d.Style);
  PutU32(out, d.ExStyle);
  PutU16(out, static_cast<std::uint32_t>(d.Controls.size()));
  PutShort(out, d.X);
  PutShort(out, d.Y);
  PutShort(out, d.Cx);
  PutShort(out, d.Cy);
  PutU16(out, 0);  // no menu
  PutU16(out, 0);  // the standard dialog class
  PutString(out, d.Caption);
  if ((d.Style & DS_SETFONT) != 0 && d.Font) {
    PutU16(out, d.Font->Points);
    PutString(out, d.Font->Face);
  }
  for (const TDialogControl& c : d.Controls) {
    AlignTo4(out);
    PutU32(out, c.Style);
    PutU32(out, c.ExStyle);
    PutShort(out, c.X);
    PutShort(out, c.Y);
    PutShort(out, c.Cx);
    PutShort(out, c.Cy);
    PutU16(out, c.Id);
    PutClass(out, c.Class);
    PutText(out, c.Text);
    PutU16(out, 0);  // no creation data
  }
  return out;
}

}  // namespace klop::rc
