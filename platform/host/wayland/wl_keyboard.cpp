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
}

void TKeyboard::Keymap(int fd, std::uint32_t size) {
  if (KeymapFd_ >= 0) close(KeymapFd_);
  KeymapFd_ = fd;
  KeymapSize_ = size;
  // A new keymap while one is in use replaces it at once.
  if (Xkb_.State() != nullptr) Load();
}

bool TKeyboard::Load() {
  const bool had = Xkb_.State() != nullptr;
  if (KeymapFd_ < 0) return had;
  const int fd = KeymapFd_;
  const std::uint32_t size = KeymapSize_;
  KeymapFd_ = -1;
  xkb_context* context = Xkb_.Context();
  void* text = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
  close(fd);
  if (text == MAP_FAILED || context == nullptr) return had;
  // The text ends in a NUL within `size`; a map without one is not read past its end.
  const char* s = static_cast<const char*>(text);
  xkb_keymap* keymap =
      s[size - 1] == '\0' ? xkb_keymap_new_from_string(context, s, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                       XKB_KEYMAP_COMPILE_NO_FLAGS)
                          : nullptr;
  munmap(text, size);
  if (!Xkb_.Use(keymap)) return had;  // keep the one we had
  xkb_state_update_mask(Xkb_.State(), Mods_[0], Mods_[1], Mods_[2], 0, 0, Mods_[3]);
  return true;
}

void TKeyboard::Modifiers(std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                          std::uint32_t group) {
  Mods_[0] = depressed;
  Mods_[1] = latched;
  Mods_[2] = locked;
  Mods_[3] = group;
  if (Xkb_.State() != nullptr) {
    xkb_state_update_mask(Xkb_.State(), depressed, latched, locked, 0, 0, group);
  }
}

void TKeyboard::RepeatInfo(std::int32_t rate, std::int32_t delay) {
  RatePerSecond_ = std::clamp(rate, 0, 1000);
  Delay_ = std::chrono::milliseconds(std::clamp(delay, 0, 10000));
  if (RatePerSecond_ == 0) Repeating_ = false;
}

unsigned TKeyboard::CurrentModifiers() {
  // Held modifiers need the keymap to be named; none held, it can wait.
  if (Xkb_.State() == nullptr && (Mods_[0] | Mods_[1]) == 0) return 0;
  if (!Load()) return 0;
  auto on = [this](const char* name) {
    return xkb_state_mod_name_is_active(Xkb_.State(), name, XKB_STATE_MODS_EFFECTIVE) > 0;
  };
  unsigned m = 0;
  if (on(XKB_MOD_NAME_SHIFT)) m |= kModShift;
  if (on(XKB_MOD_NAME_CTRL)) m |= kModCtrl;
  if (on(XKB_MOD_NAME_ALT)) m |= kModAlt;
  return m;
}

void TKeyboard::ForgetHeldKeys() {
  Down_.reset();
  Xkb_.Held().Forget();
  Repeating_ = false;
}

TKeyStroke TKeyboard::Translate(bool press, std::uint32_t code) {
  if (!Load()) return {};
  // The compositor's modifiers event for this key comes after it.
  return Xkb_.Stroke(press, code, CurrentModifiers());
}

TKeyStroke TKeyboard::Key(bool press, std::uint32_t key, HostTime now) {
  const std::uint32_t code = key + kEvdevOffset;
  TKeyStroke k = Translate(press, code);
  if (code < Down_.size()) {
    k.Repeat = press && Down_[code];
    Down_[code] = press;
  }
  if (press && RatePerSecond_ > 0 && Xkb_.Keymap() != nullptr &&
      xkb_keymap_key_repeats(Xkb_.Keymap(), code)) {
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
