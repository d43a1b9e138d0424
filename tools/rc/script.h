// A parsed resource script: the resources in the order written, with their menu and
// dialog contents resolved to numbers and UTF-16 texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/rc/image_writer.h"

namespace klop::rc {

enum class TRcKind { Bitmap, Cursor, Icon, Menu, Dialog };

const char* KindKeyword(TRcKind kind);

struct TMenuItem {
  std::u16string Text;
  std::uint16_t Flags = 0;  // without MF_POPUP and MF_END, which the writer sets
  std::uint16_t Id = 0;
  bool Popup = false;
  std::vector<TMenuItem> Items;  // a popup's
};

// A class or a text: either a string or a number.
struct TNameOrOrdinal {
  std::u16string Name;
  std::optional<std::uint16_t> Ordinal;
};

struct TDialogControl {
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  std::int16_t X = 0, Y = 0, Cx = 0, Cy = 0;
  std::uint16_t Id = 0;
  TNameOrOrdinal Class;  // a known class name becomes its atom in the writer
  TNameOrOrdinal Text;
};

struct TDialogFont {
  std::uint16_t Points = 0;
  std::u16string Face;
};

struct TDialog {
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  std::int16_t X = 0, Y = 0, Cx = 0, Cy = 0;
  std::u16string Caption;
  std::optional<TDialogFont> Font;
  std::vector<TDialogControl> Controls;
};

struct TRcResource {
  TRcKind Kind = TRcKind::Bitmap;
  std::string Name;  // upper case
  int Line = 0;
  std::string File;  // pictures: as written, relative to the script's folder
  TBitmapOptions Bitmap;
  std::vector<TMenuItem> Menu;
  TDialog Dialog;
};

struct TRcScript {
  std::vector<TRcResource> Resources;
};

// Parses the script `text` read from `file`; throws TRcError at the offending line.
TRcScript ParseScript(std::string_view text, const std::string& file);

}  // namespace klop::rc
