// The keyboard on Wayland: the compositor's keymap through xkbcommon, giving the same
// virtual keys, modifiers and text (dead keys and compose included) as the X11 host,
// and key repeat made here from the compositor's rate and delay (Wayland sends none).
// The keymap the compositor sends is compiled only when the first key needs it.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "platform/host/host.h"
#include "platform/host/xkb_keys.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace platform::wl {

class TKeyboard {
 public:
  TKeyboard() = default;
  TKeyboard(const TKeyboard&) = delete;
  TKeyboard& operator=(const TKeyboard&) = delete;
  ~TKeyboard();

  // wl_keyboard.keymap: an XKB v1 text keymap of `size` bytes in `fd` (kept until read).
  void Keymap(int fd, std::uint32_t size);
  void Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                 std::uint32_t group);
  void RepeatInfo(std::int32_t rate, std::int32_t delay);

  // A key (the evdev code wl_keyboard gives) pressed or released at `now`.
  TKeyStroke Key(bool press, std::uint32_t key, HostTime now);
  // The platform's modifiers as they stand.
  unsigned CurrentModifiers();
  // The focus left: held keys are released where we cannot see, and stop repeating.
  void ForgetHeldKeys();

  // When the held key next repeats, or HostTime::max() when none does.
  HostTime NextRepeat() const { return Repeating_ ? NextRepeat_ : HostTime::max(); }
  // The repeat due at `now`, as a press of the held key; false when none is due.
  bool TakeRepeat(HostTime now, TKeyStroke& stroke);

 private:
  TKeyStroke Translate(bool press, std::uint32_t code);
  bool Load();

  int KeymapFd_ = -1;  // a keymap not yet read
  std::uint32_t KeymapSize_ = 0;
  std::uint32_t Mods_[4] = {};  // depressed, latched, locked, group as last told

  TXkbKeymap Xkb_;
  std::bitset<256> Down_;
  int RatePerSecond_ = 25;
  HostTime Delay_ = std::chrono::milliseconds(600);
  bool Repeating_ = false;
  std::uint32_t RepeatCode_ = 0;
  HostTime NextRepeat_{};
};

}  // namespace platform::wl
