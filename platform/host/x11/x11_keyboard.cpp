#include "platform/host/x11/x11_keyboard.h"

// xcb/xkb.h names a field `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>

#include "platform/host/host.h"
#include "platform/host/xkb_keys.h"
#include "platform/host/x11/x11_connection.h"

namespace platform::x11 {

namespace {

// Control characters are keys, not text.
bool IsPrintable(const std::string& text) {
  if (text.empty()) return false;
  auto lead = static_cast<unsigned char>(text[0]);
  return lead >= 0x20 && lead != 0x7F;
}

}  // namespace

unsigned ModifiersOfState(std::uint16_t state) {
  unsigned m = 0;
  if ((state & XCB_MOD_MASK_SHIFT) != 0) m |= kModShift;
  if ((state & XCB_MOD_MASK_CONTROL) != 0) m |= kModCtrl;
  if ((state & XCB_MOD_MASK_1) != 0) m |= kModAlt;
  return m;
}

TKeyboard::~TKeyboard() = default;

bool TKeyboard::Load() {
  if (Tried_) return Xkb_.State() != nullptr || Core_;
  Tried_ = true;
  xkb_context* context = Xkb_.Context();
  // Without XKB's libraries the keyboard still types, by the core mapping.
  std::string error;
  if (!LoadX11KeyboardLibraries(error) ||
      xkb_x11_setup_xkb_extension(C_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                  XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                  &XkbEventBase_, nullptr) == 0 ||
      (Device_ = xkb_x11_get_core_keyboard_device_id(C_)) < 0) {
    LoadCoreMapping();
    return Core_;
  }
  if (context == nullptr) return false;
  // Held keys repeat as presses alone, without a release before each.
  const std::uint32_t repeat = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  xcb_discard_reply(
      C_, xcb_xkb_per_client_flags(C_, XCB_XKB_ID_USE_CORE_KBD, repeat, repeat, 0, 0, 0).sequence);
  const std::uint16_t news = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
  xcb_xkb_select_events(C_, XCB_XKB_ID_USE_CORE_KBD, news, 0, news, 0xFF, 0xFF, nullptr);
  LoadKeymap();
  return Xkb_.State() != nullptr;
}

void TKeyboard::LoadKeymap() {
  // Failing, the one we had is kept.
  Xkb_.Use(xkb_x11_keymap_new_from_device(Xkb_.Context(), C_, Device_,
                                          XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// A server without XKB: the core protocol's table of keysyms per key code, and which
// modifier bit Num Lock sets.
void TKeyboard::LoadCoreMapping() {
  const xcb_setup_t* setup = xcb_get_setup(C_);
  const std::uint8_t first = setup->min_keycode;
  const int count = int(setup->max_keycode) - int(first) + 1;
  if (count <= 0) return;
  const auto map = xcb_get_keyboard_mapping(C_, first, std::uint8_t(count));
  const auto mods = xcb_get_modifier_mapping(C_);
  TReply<xcb_get_keyboard_mapping_reply_t> m(xcb_get_keyboard_mapping_reply(C_, map, nullptr));
  TReply<xcb_get_modifier_mapping_reply_t> mm(xcb_get_modifier_mapping_reply(C_, mods, nullptr));
  if (!m || m->keysyms_per_keycode == 0) return;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(m.get());
  const int n = xcb_get_keyboard_mapping_keysyms_length(m.get());
  if (n < count * m->keysyms_per_keycode) return;
  CoreSyms_.assign(syms, syms + n);
  CoreMin_ = first;
  CorePer_ = m->keysyms_per_keycode;
  CoreNumLock_ = 0;
  if (mm) {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mm.get());
    const int per = mm->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod) {
      for (int i = 0; i < per; ++i) {
        const int code = codes[mod * per + i];
        if (code < first || code - first >= count) continue;
        for (int col = 0; col < CorePer_; ++col) {
          if (CoreSyms_[std::size_t((code - first) * CorePer_ + col)] == XKB_KEY_Num_Lock) {
            CoreNumLock_ = std::uint16_t(1u << mod);
          }
        }
      }
    }
  }
  Core_ = true;
}

std::uint32_t CoreKeysym(const std::uint32_t* syms, unsigned count, std::uint16_t state,
                         std::uint16_t numLock) {
  if (count == 0) return 0;
  // The first group's pair; a lone keysym stands for both, cased when it is a letter.
  std::uint32_t lower = syms[0];
  std::uint32_t upper = count > 1 ? syms[1] : 0;
  if (upper == 0) {
    upper = xkb_keysym_to_upper(lower);
    lower = xkb_keysym_to_lower(lower);
  }
  const bool shift = (state & XCB_MOD_MASK_SHIFT) != 0;
  const bool keypad = upper >= XKB_KEY_KP_Space && upper <= XKB_KEY_KP_Equal;
  if (keypad && numLock != 0 && (state & numLock) != 0) return shift ? lower : upper;
  // Caps Lock makes letters capitals, with Shift too, and leaves other keys alone.
  const bool caps = (state & XCB_MOD_MASK_LOCK) != 0;
  if (shift) return caps ? xkb_keysym_to_upper(upper) : upper;
  return caps ? xkb_keysym_to_upper(lower) : lower;
}

std::uint32_t TKeyboard::CoreKeysym(xcb_keycode_t code, std::uint16_t state) const {
  if (code < CoreMin_ || std::size_t(code - CoreMin_ + 1) * CorePer_ > CoreSyms_.size()) return 0;
  return x11::CoreKeysym(&CoreSyms_[std::size_t(code - CoreMin_) * CorePer_], CorePer_, state,
                         CoreNumLock_);
}

bool TKeyboard::HandleKeyboardEvent(const xcb_generic_event_t& e) {
  if ((e.response_type & 0x7F) == XCB_MAPPING_NOTIFY) {
    const auto& m = reinterpret_cast<const xcb_mapping_notify_event_t&>(e);
    if (Core_ && m.request != XCB_MAPPING_POINTER) LoadCoreMapping();
    return true;
  }
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
  if (Core_) return CoreTranslate(press, code, state, k);
  // The event's own mask says which modifiers and group were in force.
  xkb_state_update_mask(Xkb_.State(), state & 0xFF, 0, 0, 0, 0, (state >> 13) & 3);
  const bool repeat = k.Repeat;
  k = Xkb_.Stroke(press, code, k.Modifiers);
  k.Repeat = repeat;
  return k;
}

TKeyStroke TKeyboard::CoreTranslate(bool press, xcb_keycode_t code, std::uint16_t state,
                                    TKeyStroke& k) {
  const std::uint32_t first = CoreKeysym(code, 0);
  k.Vk = VirtualKeyOfKeysym(first);
  k.Modifiers = Xkb_.Held().Key(press, code, k.Vk, IsAltGr(first), k.Modifiers);
  if (!press) return k;
  const std::uint32_t sym = CoreKeysym(code, state);
  std::string typed;
  // Ctrl makes a letter a control character: a key, not text.
  if ((state & XCB_MOD_MASK_CONTROL) == 0) {
    char utf8[8] = {};
    if (xkb_keysym_to_utf8(sym, utf8, sizeof utf8) > 1) typed = utf8;
  }
  // Dead keys compose only where xkbcommon has a context to load the table in.
  if (xkb_context* context = Xkb_.ContextIfMade(); context != nullptr) {
    k.Text = Xkb_.Composer().Feed(context, sym, std::move(typed));
  } else {
    k.Text = IsPrintable(typed) ? std::move(typed) : std::string();
  }
  return k;
}

}  // namespace platform::x11
