#include "platform/host/wayland/wl_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace platform::wl {
namespace {

constexpr std::uint32_t kEvdevOffset = 8;  // XKB key codes are evdev's plus 8

}  // namespace

TKeyboard::~TKeyboard() {
  if (KeymapFd_ >= 0) close(KeymapFd_);
  xkb_state_unref(State_);
  xkb_keymap_unref(Keymap_);
  xkb_context_unref(Context_);
}

void TKeyboard::Keymap(int fd, std::uint32_t size) {
  if (KeymapFd_ >= 0) close(KeymapFd_);
  KeymapFd_ = fd;
  KeymapSize_ = size;
  // A new keymap while one is in use replaces it at once.
  if (State_ != nullptr) Load();
}

bool TKeyboard::Load() {
  if (KeymapFd_ < 0) return State_ != nullptr;
  const int fd = KeymapFd_;
  const std::uint32_t size = KeymapSize_;
  KeymapFd_ = -1;
  if (Context_ == nullptr) Context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  void* text = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
  close(fd);
  if (text == MAP_FAILED || Context_ == nullptr) return State_ != nullptr;
  // The text ends in a NUL within `size`; a map without one is not read past its end.
  const char* s = static_cast<const char*>(text);
  xkb_keymap* keymap =
      s[size - 1] == '\0' ? xkb_keymap_new_from_string(Context_, s, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                       XKB_KEYMAP_COMPILE_NO_FLAGS)
                          : nullptr;
  munmap(text, size);
  if (keymap == nullptr) return State_ != nullptr;  // keep the one we had
  xkb_state* state = xkb_state_new(keymap);
  if (state == nullptr) {
    xkb_keymap_unref(keymap);
    return State_ != nullptr;
  }
  xkb_state_unref(State_);
  xkb_keymap_unref(Keymap_);
  Keymap_ = keymap;
  State_ = state;
  xkb_state_update_mask(State_, Mods_[0], Mods_[1], Mods_[2], 0, 0, Mods_[3]);
  return true;
}

void TKeyboard::Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                          std::uint32_t group) {
  Mods_[0] = depressed;
  Mods_[1] = latched;
  Mods_[2] = locked;
  Mods_[3] = group;
  if (State_ != nullptr) xkb_state_update_mask(State_, depressed, latched, locked, 0, 0, group);
}

void TKeyboard::RepeatInfo(std::int32_t rate, std::int32_t delay) {
  RatePerSecond_ = std::clamp(rate, 0, 1000);
  Delay_ = std::chrono::milliseconds(std::clamp(delay, 0, 10000));
  if (RatePerSecond_ == 0) Repeating_ = false;
}

unsigned TKeyboard::CurrentModifiers() {
  // Held modifiers need the keymap to be named; none held, it can wait.
  if (State_ == nullptr && (Mods_[0] | Mods_[1]) == 0) return 0;
  if (!Load()) return 0;
  auto on = [this](const char* name) {
    return xkb_state_mod_name_is_active(State_, name, XKB_STATE_MODS_EFFECTIVE) > 0;
  };
  unsigned m = 0;
  if (on(XKB_MOD_NAME_SHIFT)) m |= kModShift;
  if (on(XKB_MOD_NAME_CTRL)) m |= kModCtrl;
  if (on(XKB_MOD_NAME_ALT)) m |= kModAlt;
  return m;
}

void TKeyboard::ForgetHeldKeys() {
  Down_.reset();
  Held_.Forget();
  Repeating_ = false;
}

TKeyStroke TKeyboard::Translate(bool press, std::uint32_t code) {
  TKeyStroke k;
  if (!Load()) return k;
  k.Modifiers = CurrentModifiers();
  const TKeymapKey key = KeymapKey(Keymap_, State_, code);
  k.Vk = key.Vk;
  // The compositor's modifiers event for this key comes after it.
  k.Modifiers = Held_.Key(press, code, key.Vk, key.AltGr, k.Modifiers);
  if (!press) return k;
  k.Text = Composer_.Feed(Context_, xkb_state_key_get_one_sym(State_, code), KeyUtf8(State_, code));
  return k;
}

TKeyStroke TKeyboard::Key(bool press, std::uint32_t key, HostTime now) {
  const std::uint32_t code = key + kEvdevOffset;
  TKeyStroke k = Translate(press, code);
  if (code < Down_.size()) {
    k.Repeat = press && Down_[code];
    Down_[code] = press;
  }
  if (press && RatePerSecond_ > 0 && Keymap_ != nullptr && xkb_keymap_key_repeats(Keymap_, code)) {
    Repeating_ = true;
    RepeatCode_ = code;
    NextRepeat_ = now + Delay_;
  } else if (!press && Repeating_ && RepeatCode_ == code) {
    Repeating_ = false;
  }
  return k;
}

bool TKeyboard::TakeRepeat(HostTime now, TKeyStroke& stroke) {
  if (!Repeating_ || now < NextRepeat_) return false;
  stroke = Translate(true, RepeatCode_);
  stroke.Repeat = true;
  const HostTime period = std::chrono::microseconds(1000000 / RatePerSecond_);
  // A late wake-up repeats once, not once for each period it missed.
  NextRepeat_ = std::max(NextRepeat_ + period, now + period / 2);
  return true;
}

}  // namespace platform::wl
