#include "platform/host/web/web_keyboard.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdint>

#include "platform/host/host.h"
#include "platform/host/host_text.h"
#include "platform/host/xkb_keys.h"

namespace platform::web {

namespace {

struct TCodeSym {
  std::string_view Code;
  std::uint32_t Keysym;  // on the US layout's first level
};

// The keys whose code does not spell their character (KeyA, Digit1 and F1 are read
// from their names).
constexpr TCodeSym kCodes[] = {
    {"Backspace", XKB_KEY_BackSpace},     {"Tab", XKB_KEY_Tab},
    {"Enter", XKB_KEY_Return},            {"NumpadEnter", XKB_KEY_KP_Enter},
    {"ShiftLeft", XKB_KEY_Shift_L},       {"ShiftRight", XKB_KEY_Shift_R},
    {"ControlLeft", XKB_KEY_Control_L},   {"ControlRight", XKB_KEY_Control_R},
    {"AltLeft", XKB_KEY_Alt_L},           {"AltRight", XKB_KEY_Alt_R},
    {"Pause", XKB_KEY_Pause},             {"CapsLock", XKB_KEY_Caps_Lock},
    {"Escape", XKB_KEY_Escape},           {"Space", XKB_KEY_space},
    {"PageUp", XKB_KEY_Prior},            {"PageDown", XKB_KEY_Next},
    {"End", XKB_KEY_End},                 {"Home", XKB_KEY_Home},
    {"ArrowLeft", XKB_KEY_Left},          {"ArrowUp", XKB_KEY_Up},
    {"ArrowRight", XKB_KEY_Right},        {"ArrowDown", XKB_KEY_Down},
    {"PrintScreen", XKB_KEY_Print},       {"Insert", XKB_KEY_Insert},
    {"Delete", XKB_KEY_Delete},           {"MetaLeft", XKB_KEY_Super_L},
    {"MetaRight", XKB_KEY_Super_R},       {"ContextMenu", XKB_KEY_Menu},
    {"Numpad0", XKB_KEY_KP_0},            {"Numpad1", XKB_KEY_KP_1},
    {"Numpad2", XKB_KEY_KP_2},            {"Numpad3", XKB_KEY_KP_3},
    {"Numpad4", XKB_KEY_KP_4},            {"Numpad5", XKB_KEY_KP_5},
    {"Numpad6", XKB_KEY_KP_6},            {"Numpad7", XKB_KEY_KP_7},
    {"Numpad8", XKB_KEY_KP_8},            {"Numpad9", XKB_KEY_KP_9},
    {"NumpadMultiply", XKB_KEY_KP_Multiply}, {"NumpadAdd", XKB_KEY_KP_Add},
    {"NumpadSubtract", XKB_KEY_KP_Subtract}, {"NumpadDecimal", XKB_KEY_KP_Decimal},
    {"NumpadDivide", XKB_KEY_KP_Divide},  {"NumLock", XKB_KEY_Num_Lock},
    {"ScrollLock", XKB_KEY_Scroll_Lock},  {"Semicolon", XKB_KEY_semicolon},
    {"Equal", XKB_KEY_equal},             {"Comma", XKB_KEY_comma},
    {"Minus", XKB_KEY_minus},             {"Period", XKB_KEY_period},
    {"Slash", XKB_KEY_slash},             {"Backquote", XKB_KEY_grave},
    {"BracketLeft", XKB_KEY_bracketleft}, {"Backslash", XKB_KEY_backslash},
    {"BracketRight", XKB_KEY_bracketright}, {"Quote", XKB_KEY_apostrophe},
    {"IntlBackslash", XKB_KEY_less},
};

// The keysym a key has on the US layout, or 0.
std::uint32_t UsKeysym(std::string_view code) {
  if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') {
    return XKB_KEY_a + std::uint32_t(code[3] - 'A');
  }
  if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9') {
    return XKB_KEY_0 + std::uint32_t(code[5] - '0');
  }
  if (code.size() >= 2 && code.size() <= 3 && code[0] == 'F') {
    int n = 0;
    for (char c : code.substr(1)) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    if (n >= 1 && n <= 12) return XKB_KEY_F1 + std::uint32_t(n - 1);
    return 0;
  }
  for (const TCodeSym& c : kCodes) {
    if (c.Code == code) return c.Keysym;
  }
  return 0;
}

// The one character `key` names as a code point, or 0 when it is a key's name ("Enter")
// or not one character.
std::uint32_t CharacterOf(std::string_view key) {
  if (key.empty() || Utf8SequenceLength(key.data(), key.size()) != key.size()) return 0;
  const auto* b = reinterpret_cast<const unsigned char*>(key.data());
  switch (key.size()) {
    case 1:
      return b[0] < 0x80 ? b[0] : 0;
    case 2:
      return (b[0] & 0x1Fu) << 6 | (b[1] & 0x3Fu);
    case 3:
      return (b[0] & 0x0Fu) << 12 | (b[1] & 0x3Fu) << 6 | (b[2] & 0x3Fu);
    default:
      return (b[0] & 0x07u) << 18 | (b[1] & 0x3Fu) << 12 | (b[2] & 0x3Fu) << 6 | (b[3] & 0x3Fu);
  }
}

// A character's keysym: Latin-1 ones are their own, the rest Unicode keysyms.
std::uint32_t KeysymOfCharacter(std::uint32_t c) {
  if ((c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) return c;
  return c != 0 ? 0x01000000u + c : 0;
}

bool Printing(std::uint32_t usKeysym) { return usKeysym >= 0x20 && usKeysym < 0x7F; }

}  // namespace

unsigned VirtualKeyOf(std::string_view code, std::string_view key) {
  const std::uint32_t us = UsKeysym(code);
  if (!Printing(us)) return VirtualKeyOfKeysym(us);
  const std::uint32_t syms[2] = {KeysymOfCharacter(CharacterOf(key)), us};
  return VirtualKeyOfLayouts(syms, 2, 0);
}

std::string TextOf(std::string_view key, unsigned modifiers) {
  const bool ctrl = (modifiers & kModCtrl) != 0;
  const bool alt = (modifiers & kModAlt) != 0;
  const std::uint32_t c = CharacterOf(key);
  if (ctrl != alt || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return {};
  return std::string(key);
}

}  // namespace platform::web
