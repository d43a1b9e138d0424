// The X11 host's grabs: the pointer while the platform captures it, and the keyboard for
// a shown popup menu's owner. Asked for without waiting; the answers are read with the
// events, and a refused grab is asked again a few times.
#include "platform/host/x11/x11_host_internal.h"

#include <xcb/xcbext.h>

#include <algorithm>
#include <cstdlib>

namespace platform::x11 {

void TX11Host::CapturePointer(HostWindow window, bool captured) {
  if (!captured) {
    if (Captured_ != 0) xcb_ungrab_pointer(C_, XCB_CURRENT_TIME);
    Captured_ = 0;
    Forget(PointerGrab_);
  } else if (Find(window) != nullptr) {
    Captured_ = window;
    Forget(PointerGrab_);
    GrabPointer();
  }
  xcb_flush(C_);
}

void TX11Host::UpdateMenuGrab() {
  const TWindow* menu = nullptr;
  for (auto& [id, w] : Windows_) {
    if (w.Popup && w.Mapped) menu = &w;
  }
  if (menu != nullptr && !KeyboardGrabbed_) {
    KeyboardGrab_ = Find(menu->Owner) != nullptr ? menu->Owner : menu->Id;
    KeyboardGrabbed_ = true;
    Forget(KeyboardGrabTry_);
    GrabKeyboard();
  } else if (menu == nullptr && KeyboardGrabbed_) {
    xcb_ungrab_keyboard(C_, XCB_CURRENT_TIME);
    KeyboardGrabbed_ = false;
    Forget(KeyboardGrabTry_);
  }
}

void TX11Host::GrabPointer() {
  // Events over our other windows still go to them; elsewhere, to this one.
  const std::uint16_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                               XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                               XCB_EVENT_MASK_LEAVE_WINDOW;
  PointerGrab_.Asked = xcb_grab_pointer(C_, 1, Captured_, events, XCB_GRAB_MODE_ASYNC,
                                        XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME)
                           .sequence;
  PointerGrab_.Waiting = true;
  PointerGrab_.RetryAt = HostTime::max();
}

void TX11Host::GrabKeyboard() {
  KeyboardGrabTry_.Asked = xcb_grab_keyboard(C_, 1, KeyboardGrab_, XCB_CURRENT_TIME,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)
                               .sequence;
  KeyboardGrabTry_.Waiting = true;
  KeyboardGrabTry_.RetryAt = HostTime::max();
}

void TX11Host::Forget(TGrabTry& grab) {
  if (grab.Waiting) xcb_discard_reply(C_, grab.Asked);
  grab = {};
}

bool TX11Host::Refused(TGrabTry& grab) {
  if (!grab.Waiting) return false;
  void* reply = nullptr;
  xcb_generic_error_t* error = nullptr;
  if (xcb_poll_for_reply(C_, grab.Asked, &reply, &error) == 0) return false;
  grab.Waiting = false;
  // Both grab replies start alike: the status is the second byte.
  const bool refused =
      error != nullptr ||
      (reply != nullptr && static_cast<const std::uint8_t*>(reply)[1] != XCB_GRAB_STATUS_SUCCESS);
  std::free(reply);
  std::free(error);
  return refused;
}

void TX11Host::CheckGrabs() {
  if (!PointerGrab_.Waiting && !KeyboardGrabTry_.Waiting && NextRetry() == HostTime::max()) {
    return;
  }
  const HostTime now = Now();
  if (Captured_ != 0 && Refused(PointerGrab_)) {
    if (++PointerGrab_.Tries < kGrabTries) {
      PointerGrab_.RetryAt = now + kGrabRetry;
    } else {
      // Clicks outside would go to others: the platform must know it has no capture,
      // so a menu waiting for such a click closes.
      Push(HostEventKind::CaptureLost, Captured_);
      Captured_ = 0;
      Forget(PointerGrab_);
    }
  }
  if (Captured_ != 0 && PointerGrab_.RetryAt <= now) GrabPointer();
  if (KeyboardGrabbed_ && Refused(KeyboardGrabTry_) && ++KeyboardGrabTry_.Tries < kGrabTries) {
    // Given up, keys still reach the owner while it has the focus.
    KeyboardGrabTry_.RetryAt = now + kGrabRetry;
  }
  if (KeyboardGrabbed_ && KeyboardGrabTry_.RetryAt <= now) GrabKeyboard();
}

HostTime TX11Host::NextRetry() const {
  return std::min(Captured_ != 0 ? PointerGrab_.RetryAt : HostTime::max(),
                  KeyboardGrabbed_ ? KeyboardGrabTry_.RetryAt : HostTime::max());
}

}  // namespace platform::x11
