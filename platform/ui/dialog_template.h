// Reading a module's dialog templates (format in resources/resource_table.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform {

struct TDialogItemTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  WORD id = 0;                       // -1 in a script is 0xFFFF here
  std::string className;             // a predefined class by its name ("BUTTON", ...)
  std::string text;
};

struct TDialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::string className;             // empty: the dialog class
  std::string caption;
  bool hasFont = false;  // DS_SETFONT: laid out in the dialog font
  int points = 0;
  std::string face;
  std::vector<TDialogItemTemplate> items;
};

// Reads a template; nothing when it is damaged (cut short, bytes left over, a negative
// size, padding that is not zero) or uses what this platform does not offer (extended
// templates, a menu, creation data, a numbered text or an unknown predefined class).
// Texts are single-byte: a character above 255 becomes '?'.
std::optional<TDialogTemplate> ParseDialogTemplate(const std::uint8_t* data, std::size_t size);

}  // namespace platform
