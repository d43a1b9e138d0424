// The keyboard through XKB: key codes to the platform's virtual keys, modifiers and
// typed text, dead keys and the compose key included; through the core keyboard
// mapping on a server without XKB. Nothing is loaded until the first key arrives, and
// the compose table (the costliest part) not until a dead key or the compose key is
// first pressed.
#pragma once

#include <xcb/xcb.h>

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/xkb_keys.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::x11 {

class TKeyboard {
 public:
  explicit TKeyboard(xcb_connection_t* c) : C_(c) {}
  TKeyboard(const TKeyboard&) = delete;
  TKeyboard& operator=(const TKeyboard&) = delete;
  ~TKeyboard();

  // A KeyPress or KeyRelease: `state` is the event's modifier and group mask.
  TKeyStroke Translate(bool press, xcb_keycode_t code, std::uint16_t state);
  // Keys held when the window lost the keyboard are released where we cannot see.
  void ForgetHeldKeys() {
    Down_.reset();
    Xkb_.Held().Forget();
  }
  // Takes the server's news of a changed keyboard (XKB's, or the core MappingNotify);
  // false for other events.
  bool HandleKeyboardEvent(const xcb_generic_event_t& e);

 private:
  bool Load();
  void LoadKeymap();
  void LoadCoreMapping();
  // The keysym of a press without XKB, by the core protocol's rules.
  std::uint32_t CoreKeysym(xcb_keycode_t code, std::uint16_t state) const;
  TKeyStroke CoreTranslate(bool press, xcb_keycode_t code, std::uint16_t state, TKeyStroke& k);

  xcb_connection_t* C_;
  bool Tried_ = false;
  std::uint8_t XkbEventBase_ = 0;
  std::int32_t Device_ = -1;
  TXkbKeymap Xkb_;
  std::bitset<256> Down_;
  // The core mapping, used when the server has no XKB.
  bool Core_ = false;
  std::vector<std::uint32_t> CoreSyms_;
  std::uint8_t CoreMin_ = 0;
  std::uint8_t CorePer_ = 0;
  std::uint16_t CoreNumLock_ = 0;  // the modifier bit Num_Lock sets
};

// The keysym a key types without XKB, by the core protocol's rules: `syms` are its
// `count` keysyms in the core keyboard mapping, `numLock` the modifier bit of Num Lock.
std::uint32_t CoreKeysym(const std::uint32_t* syms, unsigned count, std::uint16_t state,
                         std::uint16_t numLock);

// Core modifier bits to the platform's (kModShift, kModCtrl, kModAlt).
unsigned ModifiersOfState(std::uint16_t state);

}  // namespace platform::x11
