// The X11 host's input: the pointer, keys and the keyboard focus, each dated by the
// server's clock.
#include "platform/host/x11/x11_host_internal.h"

#include "platform/host/x11/x11_keyboard.h"

namespace platform::x11 {

void TX11Host::UserInput(xcb_window_t window, xcb_timestamp_t time) {
  const TWindow* w = Find(window);
  if (w == nullptr || w->Popup || time == XCB_CURRENT_TIME) return;
  xcb_change_property(C_, XCB_PROP_MODE_REPLACE, window, X_->Atoms()._NET_WM_USER_TIME,
                      XCB_ATOM_CARDINAL, 32, 1, &time);
}

void TX11Host::PushPointer(HostEventKind kind, xcb_window_t window, int x, int y,
                           std::uint16_t state, int button) {
  HostEvent& h = Push(kind, window);
  h.x = x;
  h.y = y;
  h.button = button;
  h.modifiers = ModifiersOfState(state);
}

void TX11Host::SeePointer(int x, int y) const {
  Pointer_ = {x, y, 0, 0};
  PointerKnown_ = true;
}

bool TX11Host::TranslateInput(const xcb_generic_event_t& any) {
  const std::uint8_t type = any.response_type & 0x7F;
  if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE || type == XCB_BUTTON_PRESS ||
      type == XCB_BUTTON_RELEASE || type == XCB_MOTION_NOTIFY || type == XCB_ENTER_NOTIFY ||
      type == XCB_LEAVE_NOTIFY) {
    // These carry the server's time and the pointer's place on the root alike.
    const auto& e = reinterpret_cast<const xcb_key_press_event_t&>(any);
    LastTime_ = e.time;
    SeePointer(e.root_x, e.root_y);
  }
  switch (type) {
    case XCB_FOCUS_IN:
    case XCB_FOCUS_OUT: {
      const auto& e = reinterpret_cast<const xcb_focus_in_event_t&>(any);
      // Grabs (a menu's, a desktop shortcut's) and moves inside the window are no change.
      if (e.mode == XCB_NOTIFY_MODE_GRAB || e.mode == XCB_NOTIFY_MODE_UNGRAB ||
          e.detail == XCB_NOTIFY_DETAIL_INFERIOR || e.detail == XCB_NOTIFY_DETAIL_POINTER ||
          Find(e.event) == nullptr) {
        break;
      }
      const bool in = (any.response_type & 0x7F) == XCB_FOCUS_IN;
      if (in && Focused_ != e.event) {
        Focused_ = e.event;
        Push(HostEventKind::FocusGained, e.event);
      } else if (!in && Focused_ == e.event) {
        Focused_ = 0;
        Keyboard_.ForgetHeldKeys();
        Push(HostEventKind::FocusLost, e.event);
      }
      break;
    }
    case XCB_LEAVE_NOTIFY: {
      const auto& e = reinterpret_cast<const xcb_leave_notify_event_t&>(any);
      // After an ungrab the pointer is found where it went while the window held it.
      if ((e.mode == XCB_NOTIFY_MODE_NORMAL || e.mode == XCB_NOTIFY_MODE_UNGRAB) &&
          e.detail != XCB_NOTIFY_DETAIL_INFERIOR && Captured_ == 0 && Find(e.event) != nullptr) {
        Push(HostEventKind::PointerLeft, e.event);
      }
      break;
    }
    case XCB_ENTER_NOTIFY:  // the time and the pointer's place, above, are all it says
      break;
    case XCB_MOTION_NOTIFY: {
      const auto& e = reinterpret_cast<const xcb_motion_notify_event_t&>(any);
      if (Find(e.event) != nullptr) {
        PushPointer(HostEventKind::PointerMove, e.event, e.event_x, e.event_y, e.state, 0);
      }
      break;
    }
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
      const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(any);
      // 1, 2 and 3 are left, middle and right; the rest are wheels and side buttons.
      if (e.detail < 1 || e.detail > 3 || Find(e.event) == nullptr) break;
      const bool press = (any.response_type & 0x7F) == XCB_BUTTON_PRESS;
      if (press) UserInput(e.event, e.time);
      PushPointer(press ? HostEventKind::PointerPress : HostEventKind::PointerRelease, e.event,
                  e.event_x, e.event_y, e.state, e.detail);
      break;
    }
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
      const auto& e = reinterpret_cast<const xcb_key_press_event_t&>(any);
      if (Find(e.event) == nullptr) break;
      const bool press = (any.response_type & 0x7F) == XCB_KEY_PRESS;
      TKeyStroke k = Keyboard_.Translate(press, e.detail, e.state);
      if (press && !k.Repeat) UserInput(e.event, e.time);
      if (k.Vk != 0) {
        HostEvent& h = Push(press ? HostEventKind::KeyDown : HostEventKind::KeyUp, e.event);
        h.key = k.Vk;
        h.modifiers = k.Modifiers;
        h.repeat = k.Repeat;
      }
      PushText(Pending_, e.event, k.Text, Stamp_);
      break;
    }
    default:
      return false;
  }
  return true;
}

}  // namespace platform::x11
