// What the platform's keys are under xkbcommon, for the X11 and Wayland hosts alike:
// virtual-key codes from keysyms (the Latin letter of a key whatever layout is active),
// AltGr as Ctrl+Alt, and the text a press types through dead keys and the compose key.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct xkb_compose_table;
struct xkb_compose_state;

namespace platform {

// What a key press or release means to the platform, as either keyboard translates it.
struct TKeyStroke {
  unsigned Vk = 0;  // 0: a key the platform has no code for
  unsigned Modifiers = 0;
  bool Repeat = false;
  std::string Text;  // UTF-8, what the press typed; empty for none
};

// The VK_ code of a key, given the keysym on its first level in the current layout
// (so letters, digits and punctuation follow the layout, and the keypad answers the
// same with Num Lock on or off); 0 for keys the platform has no code for.
unsigned VirtualKeyOfKeysym(std::uint32_t keysym);

// Where the keysym on a key's first level gives no virtual key (a Cyrillic or Greek
// letter), the first layout whose keysym there gives one: letters answer to their Latin
// mnemonics and shortcuts whatever layout is active, as the platform's keys do.
// `syms` holds the key's first-level keysym in each layout (0 where it has none).
unsigned VirtualKeyOfLayouts(const std::uint32_t* syms, unsigned layouts, unsigned active);

// AltGr: ISO_Level3_Shift, or Mode_switch where a layout still uses it.
bool IsAltGr(std::uint32_t keysym);

// Key `code` of `keymap` in `state`'s active layout: its virtual key by the rule of
// VirtualKeyOfLayouts, and whether it is AltGr there.
struct TKeymapKey {
  unsigned Vk = 0;  // 0: a key the platform has no code for
  bool AltGr = false;
};
TKeymapKey KeymapKey(xkb_keymap* keymap, xkb_state* state, std::uint32_t code);

// The UTF-8 text key `code` gives in `state` (control characters included).
std::string KeyUtf8(xkb_state* state, std::uint32_t code);

// The modifiers the platform sees with a key. AltGr is Ctrl+Alt to it, for itself and
// the keys typed with it: the platform takes Ctrl+Alt as typing, so AltGr tapped alone
// never selects a menu bar. Other modifier keys count themselves, as they do once
// pressed (a display server tells their state only after the key).
class THeldModifiers {
 public:
  // `mods`: the platform's modifiers (kModShift, ...) the display server reported with
  // or before the key; `vk` and `altGr` from KeymapKey.
  unsigned Key(bool press, std::uint32_t code, unsigned vk, bool altGr, unsigned mods);
  // Keys held when the window lost the keyboard are released where we cannot see.
  void Forget() { AltGr_.reset(); }

 private:
  std::bitset<256> AltGr_;  // held keys that are AltGr
};

// Dead keys and the compose key. The compose table (the costliest part of the keyboard)
// is loaded only when the first dead key or compose key is pressed.
class TComposer {
 public:
  TComposer() = default;
  TComposer(const TComposer&) = delete;
  TComposer& operator=(const TComposer&) = delete;
  ~TComposer();

  // The text a press of `keysym` types, given what the key alone would type: empty
  // while composing, the composed character when done, and never a control character.
  std::string Feed(xkb_context* context, std::uint32_t keysym, std::string typed);

 private:
  std::string Compose(xkb_context* context, std::uint32_t keysym, std::string typed);

  xkb_compose_table* Table_ = nullptr;
  xkb_compose_state* State_ = nullptr;
};

// A keymap, its state and what turns a key into a stroke: what the X11 and Wayland
// keyboards hold alike (each loads its keymap and keeps the state its own way).
class TXkbKeymap {
 public:
  // The library's context, made when first asked for; null when it cannot be.
  xkb_context* Context();
  xkb_context* ContextIfMade() const { return Context_.get(); }
  // Takes `keymap` (null: none) with a new state in place of the ones in use; false,
  // those kept, when there is none or no state can be made for it.
  bool Use(xkb_keymap* keymap);
  xkb_keymap* Keymap() const { return Keymap_.get(); }
  xkb_state* State() const { return State_.get(); }

  // Key `code` pressed or released in the state as it stands: its virtual key, the
  // platform's modifiers with it (`modifiers`: those the display server reported with or
  // before it) and, pressed, the text it types, dead keys and compose included.
  TKeyStroke Stroke(bool press, std::uint32_t code, unsigned modifiers);

  THeldModifiers& Held() { return Held_; }
  TComposer& Composer() { return Composer_; }

 private:
  struct TUnref {
    void operator()(xkb_context* p) const;
    void operator()(xkb_keymap* p) const;
    void operator()(xkb_state* p) const;
  };
  std::unique_ptr<xkb_context, TUnref> Context_;
  std::unique_ptr<xkb_keymap, TUnref> Keymap_;
  std::unique_ptr<xkb_state, TUnref> State_;
  TComposer Composer_;
  THeldModifiers Held_;
};

}  // namespace platform
