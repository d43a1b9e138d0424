// Keysyms to virtual keys: the part of xkb_keys.h that needs no xkbcommon library, only
// its keysym names, so that a host without the library (the browser's) keeps the rules.
#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/host/xkb_keys.h"

namespace platform {

namespace {

struct TKeyPair {
  std::uint32_t Keysym;
  unsigned Vk;
};

constexpr TKeyPair kKeys[] = {
    {XKB_KEY_BackSpace, 0x08},
    {XKB_KEY_Tab, 0x09},
    {XKB_KEY_ISO_Left_Tab, 0x09},
    {XKB_KEY_Return, 0x0D},
    {XKB_KEY_KP_Enter, 0x0D},
    {XKB_KEY_Shift_L, 0x10},
    {XKB_KEY_Shift_R, 0x10},
    {XKB_KEY_Control_L, 0x11},
    {XKB_KEY_Control_R, 0x11},
    {XKB_KEY_Alt_L, 0x12},
    {XKB_KEY_Alt_R, 0x12},
    {XKB_KEY_Meta_L, 0x12},
    {XKB_KEY_Meta_R, 0x12},
    {XKB_KEY_ISO_Level3_Shift, 0x12},
    {XKB_KEY_Pause, 0x13},
    {XKB_KEY_Caps_Lock, 0x14},
    {XKB_KEY_Escape, 0x1B},
    {XKB_KEY_space, 0x20},
    {XKB_KEY_Prior, 0x21},
    {XKB_KEY_Next, 0x22},
    {XKB_KEY_End, 0x23},
    {XKB_KEY_Home, 0x24},
    {XKB_KEY_Left, 0x25},
    {XKB_KEY_Up, 0x26},
    {XKB_KEY_Right, 0x27},
    {XKB_KEY_Down, 0x28},
    {XKB_KEY_Print, 0x2C},
    {XKB_KEY_Insert, 0x2D},
    {XKB_KEY_Delete, 0x2E},
    {XKB_KEY_Super_L, 0x5B},
    {XKB_KEY_Super_R, 0x5C},
    {XKB_KEY_Menu, 0x5D},
    // The keypad by position, whatever Num Lock says.
    {XKB_KEY_KP_0, 0x60},
    {XKB_KEY_KP_Insert, 0x60},
    {XKB_KEY_KP_1, 0x61},
    {XKB_KEY_KP_End, 0x61},
    {XKB_KEY_KP_2, 0x62},
    {XKB_KEY_KP_Down, 0x62},
    {XKB_KEY_KP_3, 0x63},
    {XKB_KEY_KP_Next, 0x63},
    {XKB_KEY_KP_4, 0x64},
    {XKB_KEY_KP_Left, 0x64},
    {XKB_KEY_KP_5, 0x65},
    {XKB_KEY_KP_Begin, 0x65},
    {XKB_KEY_KP_6, 0x66},
    {XKB_KEY_KP_Right, 0x66},
    {XKB_KEY_KP_7, 0x67},
    {XKB_KEY_KP_Home, 0x67},
    {XKB_KEY_KP_8, 0x68},
    {XKB_KEY_KP_Up, 0x68},
    {XKB_KEY_KP_9, 0x69},
    {XKB_KEY_KP_Prior, 0x69},
    {XKB_KEY_KP_Multiply, 0x6A},
    {XKB_KEY_KP_Add, 0x6B},
    {XKB_KEY_KP_Subtract, 0x6D},
    {XKB_KEY_KP_Decimal, 0x6E},
    {XKB_KEY_KP_Delete, 0x6E},
    {XKB_KEY_KP_Divide, 0x6F},
    {XKB_KEY_Num_Lock, 0x90},
    {XKB_KEY_Scroll_Lock, 0x91},
    {XKB_KEY_semicolon, 0xBA},
    {XKB_KEY_equal, 0xBB},
    {XKB_KEY_comma, 0xBC},
    {XKB_KEY_minus, 0xBD},
    {XKB_KEY_period, 0xBE},
    {XKB_KEY_slash, 0xBF},
    {XKB_KEY_grave, 0xC0},
    {XKB_KEY_bracketleft, 0xDB},
    {XKB_KEY_backslash, 0xDC},
    {XKB_KEY_bracketright, 0xDD},
    {XKB_KEY_apostrophe, 0xDE},
};

}  // namespace

unsigned VirtualKeyOfKeysym(std::uint32_t keysym) {
  if (keysym >= XKB_KEY_a && keysym <= XKB_KEY_z) return unsigned('A' + (keysym - XKB_KEY_a));
  if (keysym >= XKB_KEY_A && keysym <= XKB_KEY_Z) return unsigned('A' + (keysym - XKB_KEY_A));
  if (keysym >= XKB_KEY_0 && keysym <= XKB_KEY_9) return unsigned('0' + (keysym - XKB_KEY_0));
  if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F12) return 0x70u + unsigned(keysym - XKB_KEY_F1);
  for (const TKeyPair& k : kKeys) {
    if (k.Keysym == keysym) return k.Vk;
  }
  return 0;
}

unsigned VirtualKeyOfLayouts(const std::uint32_t* syms, unsigned layouts, unsigned active) {
  if (active < layouts) {
    if (const unsigned vk = VirtualKeyOfKeysym(syms[active]); vk != 0) return vk;
  }
  for (unsigned l = 0; l < layouts; ++l) {
    if (const unsigned vk = VirtualKeyOfKeysym(syms[l]); vk != 0) return vk;
  }
  return 0;
}

bool IsAltGr(std::uint32_t keysym) {
  return keysym == XKB_KEY_ISO_Level3_Shift || keysym == XKB_KEY_Mode_switch;
}

}  // namespace platform
