// The Wayland host's seat: the pointer (over our surfaces, our caption and frame
// included), touch (its first point as the left button) and the keyboard, turned into
// HostEvents.
#include "platform/host/wayland/wl_host_internal.h"

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "xdg-shell-client-protocol.h"

namespace platform::wl {

namespace {

constexpr unsigned kVkSpace = 0x20;

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
    [](void* data, wl_pointer*, std::uint32_t serial, std::uint32_t time, std::uint32_t button,
       std::uint32_t state) {
      static_cast<TWaylandHost*>(data)->PointerButton(serial, time, button, state);
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

const wl_touch_listener kTouch = {
    [](void* data, wl_touch*, std::uint32_t serial, std::uint32_t, wl_surface* s, std::int32_t id,
       wl_fixed_t x, wl_fixed_t y) {
      static_cast<TWaylandHost*>(data)->TouchDown(serial, s, id, x, y);
    },
    [](void* data, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t id) {
      static_cast<TWaylandHost*>(data)->TouchUp(id);
    },
    [](void* data, wl_touch*, std::uint32_t, std::int32_t id, wl_fixed_t x, wl_fixed_t y) {
      static_cast<TWaylandHost*>(data)->TouchMotion(id, x, y);
    },
    [](void*, wl_touch*) {},
    [](void* data, wl_touch*) { static_cast<TWaylandHost*>(data)->TouchCancel(); },
    [](void*, wl_touch*, std::int32_t, wl_fixed_t, wl_fixed_t) {},
    [](void*, wl_touch*, std::int32_t, wl_fixed_t) {},
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
  const bool touch = (caps & WL_SEAT_CAPABILITY_TOUCH) != 0 && C_->Seat() != nullptr;
  if (touch && Touch_ == nullptr) {
    Touch_ = wl_seat_get_touch(C_->Seat());
    wl_touch_add_listener(Touch_, &kTouch, this);
  } else if (!touch && Touch_ != nullptr) {
    TouchCancel();
    if (wl_touch_get_version(Touch_) >= WL_TOUCH_RELEASE_SINCE_VERSION) {
      wl_touch_release(Touch_);
    } else {
      wl_touch_destroy(Touch_);
    }
    Touch_ = nullptr;
  }
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
    CaptionMoveOn_ = 0;
    LetGoOfCaptionBox();
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
  OnFrame_ = surface == w->FrameSurface;
  PointerMotion(x, y);
}

void TWaylandHost::PointerLeave(wl_surface* surface) {
  TWindow* w = WindowOf(surface);
  if (w != nullptr && w->Id == PointerOver_ && !InCaption_ && !OnFrame_) {
    Push(HostEventKind::PointerLeft, w->Id);
  }
  PointerOver_ = 0;
  ButtonsDown_ = 0;
  CaptionMoveOn_ = 0;
  OnFrame_ = false;
  FrameCursor(TCursors::kPlatform);
  if (Cursors_) Cursors_->Apply(nullptr, 0);
}

void TWaylandHost::PointerMotion(wl_fixed_t x, wl_fixed_t y) {
  TWindow* w = Find(PointerOver_);
  if (w == nullptr) return;
  SurfaceX_ = int(std::floor(wl_fixed_to_double(x) * Buffer_));
  SurfaceY_ = int(std::floor(wl_fixed_to_double(y) * Buffer_));
  if (OnFrame_) {
    // The frame's own coordinates: the window's surface starts `Frame` in.
    PointerX_ = w->Bounds.x + SurfaceX_ - w->Frame;
    PointerY_ = w->Bounds.y + SurfaceY_ - w->Frame - w->Top;
    FrameCursor(FrameEdgesOf(*w, SurfaceX_, SurfaceY_));
    return;
  }
  PointerX_ = w->Bounds.x + SurfaceX_;
  PointerY_ = w->Bounds.y + SurfaceY_ - w->Top;
  if (CaptionDrag(*w)) return;
  const bool inCaption = SurfaceY_ < w->Top && ButtonsDown_ == 0;
  if (inCaption) {
    if (!InCaption_) Push(HostEventKind::PointerLeft, w->Id);
    InCaption_ = true;
    FrameCursor(TCursors::kThemeArrow);
    return;
  }
  InCaption_ = false;
  FrameCursor(TCursors::kPlatform);
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

void TWaylandHost::PointerButton(std::uint32_t serial, std::uint32_t time, std::uint32_t button,
                                 std::uint32_t state) {
  const bool press = state == WL_POINTER_BUTTON_STATE_PRESSED;
  if (press) InputSerial_ = serial;
  const int which = button == BTN_LEFT     ? kButtonLeft
                    : button == BTN_MIDDLE ? kButtonMiddle
                    : button == BTN_RIGHT  ? kButtonRight
                                           : 0;
  TWindow* w = Find(PointerOver_);
  if (which == 0 || w == nullptr) return;
  if (press) InputReached(*w);
  if (press && which == kButtonLeft && MoveSizeArmed_ != 0 && TakeMoveOrSize(*w, serial)) return;
  if (OnFrame_) {
    if (press && which == kButtonLeft) ResizeFrom(*w, serial, SurfaceX_, SurfaceY_);
    return;
  }
  if (InCaption_ || CaptionHeld_ != 0) {
    if (press && which == kButtonLeft) {
      CaptionPress(*w, serial, time, SurfaceX_, SurfaceY_);
    } else if (!press) {
      CaptionRelease(*w, SurfaceX_, SurfaceY_);
    }
    return;
  }
  ButtonsDown_ += press ? 1 : -1;
  ButtonsDown_ = std::max(ButtonsDown_, 0);
  PushPointer(press ? HostEventKind::PointerPress : HostEventKind::PointerRelease, which);
}

// The first touch point is the left button at its place: on the client area the
// platform sees the pointer move there and the button go down and up.
void TWaylandHost::TouchDown(std::uint32_t serial, wl_surface* surface, std::int32_t id,
                             wl_fixed_t x, wl_fixed_t y) {
  TWindow* w = WindowOf(surface);
  if (w == nullptr || TouchButton_.Held()) return;
  const bool frame = surface == w->FrameSurface;
  const TTouchPoint p = TouchButton_.Down(id, frame, wl_fixed_to_double(x),
                                          wl_fixed_to_double(y), Buffer_, w->Top);
  TouchOn_ = w->Id;
  InputSerial_ = serial;
  InputReached(*w);
  if (MoveSizeArmed_ != 0 && TakeMoveOrSize(*w, serial)) {
    TouchButton_.Forget();
    return;
  }
  switch (p.kind) {
    case TTouchPoint::Kind::Frame:
      ResizeFrom(*w, serial, p.x, p.y);
      break;
    case TTouchPoint::Kind::Caption:
      // A touch's time is not a click's: no double-click from two taps.
      CaptionClickOn_ = 0;
      CaptionPress(*w, serial, 0, p.x, p.y, true);
      CaptionClickOn_ = 0;
      break;
    case TTouchPoint::Kind::Client: {
      PointerX_ = w->Bounds.x + p.x;
      PointerY_ = w->Bounds.y + p.y;
      HostEvent& move = Push(HostEventKind::PointerMove, w->Id);
      move.x = p.x;
      move.y = p.y;
      HostEvent& down = Push(HostEventKind::PointerPress, w->Id);
      down.x = p.x;
      down.y = p.y;
      down.button = kButtonLeft;
      down.modifiers = Keyboard_.CurrentModifiers();
      break;
    }
    case TTouchPoint::Kind::Ignored:
      break;
  }
}

void TWaylandHost::TouchMotion(std::int32_t id, wl_fixed_t x, wl_fixed_t y) {
  TWindow* w = Find(TouchOn_);
  const TTouchPoint p = TouchButton_.Motion(id, wl_fixed_to_double(x), wl_fixed_to_double(y));
  if (w == nullptr || p.kind != TTouchPoint::Kind::Client) return;
  PointerX_ = w->Bounds.x + p.x;
  PointerY_ = w->Bounds.y + p.y;
  HostEvent& move = Push(HostEventKind::PointerMove, w->Id);
  move.x = p.x;
  move.y = p.y;
  move.modifiers = Keyboard_.CurrentModifiers();
}

void TWaylandHost::TouchUp(std::int32_t id) {
  TWindow* w = Find(TouchOn_);
  const TTouchPoint p = TouchButton_.Up(id);
  if (w == nullptr) return;
  if (p.kind == TTouchPoint::Kind::Caption) {
    CaptionRelease(*w, p.x, p.y);
  } else if (p.kind == TTouchPoint::Kind::Client) {
    HostEvent& up = Push(HostEventKind::PointerRelease, w->Id);
    up.x = p.x;
    up.y = p.y;
    up.button = kButtonLeft;
    up.modifiers = Keyboard_.CurrentModifiers();
    // A finger lifted is a pointer gone: nothing stays hovered.
    Push(HostEventKind::PointerLeft, w->Id);
  }
}

void TWaylandHost::TouchCancel() {
  TWindow* w = Find(TouchOn_);
  const TTouchPoint p = TouchButton_.Cancel();
  if (w == nullptr) return;
  if (p.kind == TTouchPoint::Kind::Caption && CaptionHeld_ == w->Id) {
    LetGoOfCaptionBox();
  } else if (p.kind == TTouchPoint::Kind::Client) {
    // The compositor took the gesture: what the button started ends unfinished.
    Push(HostEventKind::CaptureLost, w->Id);
    Push(HostEventKind::PointerLeft, w->Id);
  }
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
  const TKeyStroke k = Keyboard_.Key(press, key, Now());
  PushKey(Focused_, k, press);
  if (press && MoveSizeArmed_ != 0 && k.Vk != 0) {
    // A key ends the wait for a press to move or size by.
    MoveSizeArmed_ = 0;
    FrameCursor(TCursors::kPlatform);
  }
  // Alt+Space: the system menu of a window whose caption is ours.
  if (press && !k.Repeat && k.Vk == kVkSpace && k.Modifiers == kModAlt) {
    if (TWindow* w = Find(Focused_); w != nullptr && w->Top > 0) {
      Push(HostEventKind::SystemMenu, w->Id);
    }
  }
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
