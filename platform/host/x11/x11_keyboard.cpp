#include "platform/host/x11/x11_keyboard.h"

// xcb/xkb.h names a field `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/host/host.h"
#include "platform/host/xkb_keys.h"

namespace platform::x11 {

unsigned ModifiersOfState(std::uint16_t state) {
  unsigned m = 0;
  if ((state & XCB_MOD_MASK_SHIFT) != 0) m |= kModShift;
  if ((state & XCB_MOD_MASK_CONTROL) != 0) m |= kModCtrl;
  if ((state & XCB_MOD_MASK_1) != 0) m |= kModAlt;
  return m;
}

TKeyboard::~TKeyboard() {
  xkb_state_unref(State_);
  xkb_keymap_unref(Keymap_);
  xkb_context_unref(Context_);
}

bool TKeyboard::Load() {
  if (Tried_) return State_ != nullptr;
  Tried_ = true;
  if (xkb_x11_setup_xkb_extension(C_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                  XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                  &XkbEventBase_, nullptr) == 0) {
    return false;
  }
  Device_ = xkb_x11_get_core_keyboard_device_id(C_);
  Context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (Device_ < 0 || Context_ == nullptr) return false;
  // Held keys repeat as presses alone, without a release before each.
  const std::uint32_t repeat = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  xcb_discard_reply(
      C_, xcb_xkb_per_client_flags(C_, XCB_XKB_ID_USE_CORE_KBD, repeat, repeat, 0, 0, 0).sequence);
  const std::uint16_t news = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
  xcb_xkb_select_events(C_, XCB_XKB_ID_USE_CORE_KBD, news, 0, news, 0xFF, 0xFF, nullptr);
  LoadKeymap();
  return State_ != nullptr;
}

void TKeyboard::LoadKeymap() {
  xkb_keymap* keymap =
      xkb_x11_keymap_new_from_device(Context_, C_, Device_, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap == nullptr) return;  // keep the one we had
  xkb_state* state = xkb_state_new(keymap);
  if (state == nullptr) {
    xkb_keymap_unref(keymap);
    return;
  }
  xkb_state_unref(State_);
  xkb_keymap_unref(Keymap_);
  Keymap_ = keymap;
  State_ = state;
}

bool TKeyboard::HandleXkbEvent(const xcb_generic_event_t& e) {
  if (XkbEventBase_ == 0 || (e.response_type & 0x7F) != XkbEventBase_) return false;
  // Every XKB event carries its own type in the second byte.
  const std::uint8_t type = e.pad0;
  if (type == XCB_XKB_NEW_KEYBOARD_NOTIFY || type == XCB_XKB_MAP_NOTIFY) {
    auto& any = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t&>(e);
    if (any.deviceID == Device_) LoadKeymap();
  }
  return true;
}

TKeyStroke TKeyboard::Translate(bool press, xcb_keycode_t code, std::uint16_t state) {
  TKeyStroke k;
  k.Modifiers = ModifiersOfState(state);
  k.Repeat = press && Down_[code];
  Down_[code] = press;
  if (!Load()) return k;
  // The event's own mask says which modifiers and group were in force.
  xkb_state_update_mask(State_, state & 0xFF, 0, 0, 0, 0, (state >> 13) & 3);
  const xkb_layout_index_t layout = xkb_state_key_get_layout(State_, code);
  const xkb_keysym_t* syms = nullptr;
  if (layout != XKB_LAYOUT_INVALID &&
      xkb_keymap_key_get_syms_by_level(Keymap_, code, layout, 0, &syms) > 0) {
    k.Vk = VirtualKeyOfKeysym(syms[0]);
  }
  // The modifier keys count themselves, as they do once pressed.
  const unsigned self = k.Vk == 0x10   ? kModShift
                        : k.Vk == 0x11 ? kModCtrl
                        : k.Vk == 0x12 ? kModAlt
                                       : 0;
  k.Modifiers = press ? k.Modifiers | self : k.Modifiers & ~self;
  if (!press) return k;

  std::string typed;
  if (int n = xkb_state_key_get_utf8(State_, code, nullptr, 0); n > 0) {
    typed.resize(std::size_t(n) + 1);
    xkb_state_key_get_utf8(State_, code, typed.data(), typed.size());
    typed.resize(std::size_t(n));
  }
  const xkb_keysym_t sym = xkb_state_key_get_one_sym(State_, code);
  k.Text = Composer_.Feed(Context_, sym, std::move(typed));
  return k;
}

}  // namespace platform::x11
