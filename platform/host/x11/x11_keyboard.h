// The keyboard through XKB: key codes to the platform's virtual keys, modifiers and
// typed text, dead keys and the compose key included. Nothing is loaded until the
// first key arrives, and the compose table (the costliest part) not until a dead key
// or the compose key is first pressed.
#pragma once

#include <xcb/xcb.h>

#include <bitset>
#include <cstdint>
#include <string>

#include "platform/host/xkb_keys.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::x11 {

struct TKeyStroke {
  unsigned Vk = 0;  // 0: a key the platform has no code for
  unsigned Modifiers = 0;
  bool Repeat = false;
  std::string Text;  // UTF-8, what the press typed; empty for none
};

class TKeyboard {
 public:
  explicit TKeyboard(xcb_connection_t* c) : C_(c) {}
  TKeyboard(const TKeyboard&) = delete;
  TKeyboard& operator=(const TKeyboard&) = delete;
  ~TKeyboard();

  // A KeyPress or KeyRelease: `state` is the event's modifier and group mask.
  TKeyStroke Translate(bool press, xcb_keycode_t code, std::uint16_t state);
  // Keys held when the window lost the keyboard are released where we cannot see.
  void ForgetHeldKeys() { Down_.reset(); }
  // Takes the server's news of a changed keyboard; false for events that are not XKB's.
  bool HandleXkbEvent(const xcb_generic_event_t& e);

 private:
  bool Load();
  void LoadKeymap();

  xcb_connection_t* C_;
  bool Tried_ = false;
  std::uint8_t XkbEventBase_ = 0;
  std::int32_t Device_ = -1;
  xkb_context* Context_ = nullptr;
  xkb_keymap* Keymap_ = nullptr;
  xkb_state* State_ = nullptr;
  TComposer Composer_;
  std::bitset<256> Down_;
};

// Core modifier bits to the platform's (kModShift, kModCtrl, kModAlt).
unsigned ModifiersOfState(std::uint16_t state);

}  // namespace platform::x11
