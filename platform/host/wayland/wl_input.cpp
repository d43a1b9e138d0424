// The Wayland host's seat: the pointer (over our surfaces, our caption included) and the
// keyboard, turned into HostEvents.
#include "platform/host/wayland/wl_host_internal.h"

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "xdg-shell-client-protocol.h"

namespace platform::wl {

namespace {

TWindow* WindowOf(wl_surface* surface) {
  return surface != nullptr ? static_cast<TWindow*>(wl_surface_get_user_data(surface)) : nullptr;
}

const wl_pointer_listener kPointer = {
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* s, wl_fixed_t x, wl_fixed_t y) {
      static_cast<TWaylandHost*>(data)->PointerEnter(serial, s, x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface* s) {
      static_cast<TWaylandHost*>(data)->PointerLeave(s);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
      static_cast<TWaylandHost*>(data)->PointerMotion(x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t serial, std::uint32_t, std::uint32_t button,
       std::uint32_t state) {
      static_cast<TWaylandHost*>(data)->PointerButton(serial, button, state);
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

const wl_keyboard_listener kKeyboard = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        static_cast<TWaylandHost*>(data)->Keys().Keymap(fd, size);
      } else {
        close(fd);
      }
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* s, wl_array*) {
      static_cast<TWaylandHost*>(data)->KeyboardEnter(s);
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
      static_cast<TWaylandHost*>(data)->KeyboardLeave();
    },
    [](void* data, wl_keyboard*, std::uint32_t serial, std::uint32_t, std::uint32_t key,
       std::uint32_t state) { static_cast<TWaylandHost*>(data)->KeyboardKey(serial, key, state); },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
       std::uint32_t locked, std::uint32_t group) {
      static_cast<TWaylandHost*>(data)->Keys().Modifiers(depressed, latched, locked, group);
    },
    [](void* data, wl_keyboard*, std::int32_t rate, std::int32_t delay) {
      static_cast<TWaylandHost*>(data)->Keys().RepeatInfo(rate, delay);
    },
};

}  // namespace

void TWaylandHost::SeatChanged(std::uint32_t caps) {
  const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0 && C_->Seat() != nullptr;
  const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && C_->Seat() != nullptr;
  if (pointer && Pointer_ == nullptr) {
    Pointer_ = wl_seat_get_pointer(C_->Seat());
    wl_pointer_add_listener(Pointer_, &kPointer, this);
  } else if (!pointer && Pointer_ != nullptr) {
    if (Cursors_) Cursors_->Apply(nullptr, 0);
    // release came with wl_seat 3; before, the object is only forgotten.
    if (wl_pointer_get_version(Pointer_) >= WL_POINTER_RELEASE_SINCE_VERSION) {
      wl_pointer_release(Pointer_);
    } else {
      wl_pointer_destroy(Pointer_);
    }
    Pointer_ = nullptr;
    // No leave comes for a pointer that went: the platform is told as if one had, and
    // nothing stays held, in our caption neither.
    if (PointerOver_ != 0 && !InCaption_) Push(HostEventKind::PointerLeft, PointerOver_);
    PointerOver_ = 0;
    InCaption_ = false;
    ButtonsDown_ = 0;
    if (TWindow* held = Find(CaptionHeld_)) {
      CaptionHeld_ = 0;
      CaptionPart_ = TCaptionPart::None;
      RedrawCaption(*held);
    }
    CaptionHeld_ = 0;
  }
  if (keyboard && KeyboardDevice_ == nullptr) {
    KeyboardDevice_ = wl_seat_get_keyboard(C_->Seat());
    wl_keyboard_add_listener(KeyboardDevice_, &kKeyboard, this);
  } else if (!keyboard && KeyboardDevice_ != nullptr) {
    if (wl_keyboard_get_version(KeyboardDevice_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
      wl_keyboard_release(KeyboardDevice_);
    } else {
      wl_keyboard_destroy(KeyboardDevice_);
    }
    KeyboardDevice_ = nullptr;
    Keyboard_.ForgetHeldKeys();
    // The focus went with the keyboard.
    if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
    Focused_ = 0;
    FocusLeaving_ = false;
  }
}

void TWaylandHost::PointerEnter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                                wl_fixed_t y) {
  TWindow* w = WindowOf(surface);
  if (w == nullptr) return;
  if (!Cursors_) Cursors_ = std::make_unique<TCursors>(C_->Compositor(), C_->Shm(), Buffer_);
  Cursors_->Apply(Pointer_, serial);
  PointerOver_ = w->Id;
  InCaption_ = false;
  PointerMotion(x, y);
}

void TWaylandHost::PointerLeave(wl_surface* surface) {
  TWindow* w = WindowOf(surface);
  if (w != nullptr && w->Id == PointerOver_ && !InCaption_) {
    Push(HostEventKind::PointerLeft, w->Id);
  }
  PointerOver_ = 0;
  ButtonsDown_ = 0;
  if (Cursors_) Cursors_->Apply(nullptr, 0);
}

void TWaylandHost::PointerMotion(wl_fixed_t x, wl_fixed_t y) {
  TWindow* w = Find(PointerOver_);
  if (w == nullptr) return;
  SurfaceX_ = int(std::floor(wl_fixed_to_double(x) * Buffer_));
  SurfaceY_ = int(std::floor(wl_fixed_to_double(y) * Buffer_));
  PointerX_ = w->Bounds.x + SurfaceX_;
  PointerY_ = w->Bounds.y + SurfaceY_ - w->Top;
  const bool inCaption = SurfaceY_ < w->Top && ButtonsDown_ == 0;
  if (inCaption) {
    if (!InCaption_) Push(HostEventKind::PointerLeft, w->Id);
    InCaption_ = true;
    return;
  }
  InCaption_ = false;
  PushPointer(HostEventKind::PointerMove, 0);
}

void TWaylandHost::PushPointer(HostEventKind kind, int button) {
  TWindow* w = Find(PointerOver_);
  if (w == nullptr) return;
  HostEvent& e = Push(kind, w->Id);
  e.x = SurfaceX_;
  e.y = SurfaceY_ - w->Top;
  e.button = button;
  e.modifiers = Keyboard_.CurrentModifiers();
}

void TWaylandHost::PointerButton(std::uint32_t serial, std::uint32_t button, std::uint32_t state) {
  const bool press = state == WL_POINTER_BUTTON_STATE_PRESSED;
  if (press) InputSerial_ = serial;
  const int which = button == BTN_LEFT     ? kButtonLeft
                    : button == BTN_MIDDLE ? kButtonMiddle
                    : button == BTN_RIGHT  ? kButtonRight
                                           : 0;
  TWindow* w = Find(PointerOver_);
  if (which == 0 || w == nullptr) return;
  if (press) InputReached(*w);
  if (InCaption_ || CaptionHeld_ != 0) {
    const bool minimizeBox = !w->Dialog && w->CanMinimize;
    const TCaptionPart part = CaptionPartAt(w->Bounds.width / Scale_, minimizeBox,
                                            SurfaceX_ / Scale_, SurfaceY_ / Scale_);
    if (press && which == kButtonLeft) {
      if (part == TCaptionPart::Title || part == TCaptionPart::Icon) {
        if (w->Toplevel != nullptr && C_->Seat() != nullptr) {
          xdg_toplevel_move(w->Toplevel, C_->Seat(), serial);
        }
      } else if (part == TCaptionPart::Minimize || part == TCaptionPart::Close) {
        CaptionHeld_ = w->Id;
        CaptionPart_ = part;
        RedrawCaption(*w);
      }
    } else if (!press && CaptionHeld_ == w->Id) {
      const TCaptionPart held = CaptionPart_;
      CaptionHeld_ = 0;
      CaptionPart_ = TCaptionPart::None;
      RedrawCaption(*w);
      if (part == held && held == TCaptionPart::Close) {
        Push(HostEventKind::CloseRequest, w->Id);
      } else if (part == held && held == TCaptionPart::Minimize && w->Toplevel != nullptr) {
        xdg_toplevel_set_minimized(w->Toplevel);
        w->Minimized = true;
        Push(HostEventKind::Minimized, w->Id);
      }
    }
    return;
  }
  ButtonsDown_ += press ? 1 : -1;
  ButtonsDown_ = std::max(ButtonsDown_, 0);
  PushPointer(press ? HostEventKind::PointerPress : HostEventKind::PointerRelease, which);
}

void TWaylandHost::InputReached(TWindow& w) {
  // A compositor that ignored set_minimized (one that cannot tell us) still shows it.
  TWindow* root = Find(RootOf(w.Id));
  if (root == nullptr || !root->Minimized) return;
  root->Minimized = false;
  Push(HostEventKind::Restored, root->Id);
}

void TWaylandHost::KeyboardEnter(wl_surface* surface) {
  TWindow* w = WindowOf(surface);
  if (w == nullptr) return;
  const HostWindow root = RootOf(w->Id);
  FocusLeaving_ = false;
  if (root == Focused_) return;
  if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
  Focused_ = root;
  if (TWindow* r = Find(root); r != nullptr && r->Minimized) {
    r->Minimized = false;
    Push(HostEventKind::Restored, root);
  }
  Push(HostEventKind::FocusGained, root);
}

void TWaylandHost::KeyboardLeave() {
  Keyboard_.ForgetHeldKeys();
  // A menu taking the keyboard moves it from its toplevel to itself: the entry comes
  // in the same burst and is no change of focus.
  FocusLeaving_ = Focused_ != 0;
}

void TWaylandHost::KeyboardKey(std::uint32_t serial, std::uint32_t key, std::uint32_t state) {
  const bool press = state == WL_KEYBOARD_KEY_STATE_PRESSED;
  if (press) InputSerial_ = serial;
  if (Focused_ == 0 || FocusLeaving_) return;
  if (TWindow* w = Find(Focused_); w != nullptr && press) InputReached(*w);
  PushKey(Focused_, Keyboard_.Key(press, key, Now()), press);
}

void TWaylandHost::PushKey(HostWindow window, const TKeyStroke& k, bool press) {
  if (k.Vk != 0) {
    HostEvent& h = Push(press ? HostEventKind::KeyDown : HostEventKind::KeyUp, window);
    h.key = k.Vk;
    h.modifiers = k.Modifiers;
    h.repeat = k.Repeat;
  }
  PushText(Pending_, window, k.Text, Now());
}

}  // namespace platform::wl
