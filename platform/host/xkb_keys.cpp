#include "platform/host/xkb_keys.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/host/host.h"

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

bool StartsComposing(xkb_keysym_t sym) {
  return (sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_greek) || sym == XKB_KEY_Multi_key;
}

// Control characters are keys, not text.
bool IsPrintable(const std::string& text) {
  if (text.empty()) return false;
  auto lead = static_cast<unsigned char>(text[0]);
  return lead >= 0x20 && lead != 0x7F;
}

const char* ComposeLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "C";
}

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

TKeymapKey KeymapKey(xkb_keymap* keymap, xkb_state* state, std::uint32_t code) {
  // A keymap holds at most four layouts.
  std::array<std::uint32_t, 4> firsts{};
  const unsigned layouts =
      std::min<unsigned>(xkb_keymap_num_layouts_for_key(keymap, code), firsts.size());
  for (unsigned l = 0; l < layouts; ++l) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, code, l, 0, &syms) > 0) firsts[l] = syms[0];
  }
  // XKB_LAYOUT_INVALID for a key the keymap lacks: no layout is active then.
  const xkb_layout_index_t active = xkb_state_key_get_layout(state, code);
  TKeymapKey k;
  k.Vk = VirtualKeyOfLayouts(firsts.data(), layouts, active);
  k.AltGr = active < layouts && IsAltGr(firsts[active]);
  return k;
}

std::string KeyUtf8(xkb_state* state, std::uint32_t code) {
  std::string typed;
  if (int n = xkb_state_key_get_utf8(state, code, nullptr, 0); n > 0) {
    typed.resize(std::size_t(n) + 1);
    xkb_state_key_get_utf8(state, code, typed.data(), typed.size());
    typed.resize(std::size_t(n));
  }
  return typed;
}

unsigned THeldModifiers::Key(bool press, std::uint32_t code, unsigned vk, bool altGr,
                             unsigned mods) {
  if (altGr && code < AltGr_.size()) AltGr_[code] = press;
  const unsigned self = altGr        ? 0
                        : vk == 0x10 ? kModShift
                        : vk == 0x11 ? kModCtrl
                        : vk == 0x12 ? kModAlt
                                     : 0;
  mods = press ? mods | self : mods & ~self;
  if (AltGr_.any()) mods |= kModCtrl | kModAlt;
  return mods;
}

TComposer::~TComposer() {
  xkb_compose_state_unref(State_);
  xkb_compose_table_unref(Table_);
}

std::string TComposer::Feed(xkb_context* context, std::uint32_t keysym, std::string typed) {
  std::string text = Compose(context, keysym, std::move(typed));
  if (!IsPrintable(text)) text.clear();
  return text;
}

std::string TComposer::Compose(xkb_context* context, std::uint32_t keysym, std::string typed) {
  if (State_ == nullptr) {
    if (!StartsComposing(keysym) || Table_ != nullptr) return typed;
    Table_ =
        xkb_compose_table_new_from_locale(context, ComposeLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (Table_ == nullptr) {
      Table_ =
          xkb_compose_table_new_from_locale(context, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
    }
    if (Table_ == nullptr) return typed;
    State_ = xkb_compose_state_new(Table_, XKB_COMPOSE_STATE_NO_FLAGS);
    if (State_ == nullptr) return typed;
  }
  if (xkb_compose_state_feed(State_, keysym) != XKB_COMPOSE_FEED_ACCEPTED) return typed;
  switch (xkb_compose_state_get_status(State_)) {
    case XKB_COMPOSE_COMPOSING:
      return {};
    case XKB_COMPOSE_COMPOSED: {
      std::string out;
      if (int n = xkb_compose_state_get_utf8(State_, nullptr, 0); n > 0) {
        out.resize(std::size_t(n) + 1);
        xkb_compose_state_get_utf8(State_, out.data(), out.size());
        out.resize(std::size_t(n));
      }
      xkb_compose_state_reset(State_);
      return out;
    }
    case XKB_COMPOSE_CANCELLED:
      xkb_compose_state_reset(State_);
      return {};
    case XKB_COMPOSE_NOTHING:
      break;
  }
  return typed;
}

void TXkbKeymap::TUnref::operator()(xkb_context* p) const { xkb_context_unref(p); }
void TXkbKeymap::TUnref::operator()(xkb_keymap* p) const { xkb_keymap_unref(p); }
void TXkbKeymap::TUnref::operator()(xkb_state* p) const { xkb_state_unref(p); }

xkb_context* TXkbKeymap::Context() {
  if (Context_ == nullptr) Context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
  return Context_.get();
}

bool TXkbKeymap::Use(xkb_keymap* keymap) {
  if (keymap == nullptr) return false;
  xkb_state* state = xkb_state_new(keymap);
  if (state == nullptr) {
    xkb_keymap_unref(keymap);
    return false;
  }
  State_.reset(state);
  Keymap_.reset(keymap);
  return true;
}

TKeyStroke TXkbKeymap::Stroke(bool press, std::uint32_t code, unsigned modifiers) {
  TKeyStroke k;
  const TKeymapKey key = KeymapKey(Keymap(), State(), code);
  k.Vk = key.Vk;
  k.Modifiers = Held_.Key(press, code, key.Vk, key.AltGr, modifiers);
  if (press) {
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(State(), code);
    k.Text = Composer_.Feed(Context_.get(), sym, KeyUtf8(State(), code));
  }
  return k;
}

}  // namespace platform
