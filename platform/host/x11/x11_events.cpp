// The X11 host reads its connection: events are translated into HostEvents until one is
// pending, and the server's notices about our windows (exposes, moves, sizes, states,
// the window manager's requests) are answered here.
#include "platform/host/x11/x11_host_internal.h"

#include <algorithm>
#include <chrono>

namespace platform::x11 {

void TX11Host::Drain() {
  const HostTime now = Now();
  const bool read = Readable_ || now - SeenEmpty_ > std::chrono::milliseconds(1);
  while (Pending_.Empty()) {
    TReply<xcb_generic_event_t> e(read ? xcb_poll_for_event(C_) : xcb_poll_for_queued_event(C_));
    if (!e) break;
    Translate(*e);
  }
  if (read && Pending_.Empty()) {
    Readable_ = false;
    SeenEmpty_ = now;
  }
  if (X_->Lost()) ConnectionLost();
  CheckGrabs();
}

void TX11Host::DrainQueued() {
  while (Pending_.Empty()) {
    TReply<xcb_generic_event_t> e(xcb_poll_for_queued_event(C_));
    if (!e) break;
    Translate(*e);
  }
}

HostTime TX11Host::FromServerTime(xcb_timestamp_t t) {
  const HostTime now = Now();
  HostTime at = now;
  if (ServerAnchored_) {
    at = std::min(now, HostAnchor_ + std::chrono::milliseconds(std::int32_t(t - ServerAnchor_)));
  }
  ServerAnchored_ = true;
  ServerAnchor_ = t;
  HostAnchor_ = at;
  return at;
}

void TX11Host::Translate(const xcb_generic_event_t& any) {
  const std::uint8_t type = any.response_type & 0x7F;
  // Input events carry the server's time at the same place.
  const bool timed = type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE || type == XCB_BUTTON_PRESS ||
                     type == XCB_BUTTON_RELEASE || type == XCB_MOTION_NOTIFY ||
                     type == XCB_LEAVE_NOTIFY;
  Stamp_ = timed ? FromServerTime(reinterpret_cast<const xcb_key_press_event_t&>(any).time) : Now();
  if (TranslateInput(any)) return;
  switch (type) {
    case 0: {
      // Most are requests about a window that was already going. One about shared
      // memory means the server cannot use ours: pictures go by PutImage from now on.
      const auto& e = reinterpret_cast<const xcb_generic_error_t&>(any);
      if (X_->IsShmError(e)) {
        for (auto& [id, w] : Windows_) Presenter_.LoseSharedMemory(id, w.Picture);
        xcb_flush(C_);
      }
      break;
    }
    case XCB_EXPOSE: {
      const auto& e = reinterpret_cast<const xcb_expose_event_t&>(any);
      TWindow* w = Find(e.window);
      const HostRect r{e.x, e.y, e.width, e.height};
      if (w != nullptr && !Presenter_.Show(e.window, w->Picture, r)) {
        HostEvent& h = Push(HostEventKind::Exposed, e.window);
        h.x = r.x;
        h.y = r.y;
        h.width = r.width;
        h.height = r.height;
      }
      // A burst arrives whole: one send after its last.
      if (w != nullptr && e.count == 0) xcb_flush(C_);
      break;
    }
    case XCB_CONFIGURE_NOTIFY:
      Configured(reinterpret_cast<const xcb_configure_notify_event_t&>(any),
                 (any.response_type & 0x80) != 0);
      break;
    case XCB_REPARENT_NOTIFY: {
      const auto& e = reinterpret_cast<const xcb_reparent_notify_event_t&>(any);
      if (TWindow* w = Find(e.window)) w->Reparented = e.parent != X_->Root();
      break;
    }
    case XCB_MAP_NOTIFY: {
      const auto& e = reinterpret_cast<const xcb_map_notify_event_t&>(any);
      TWindow* w = Find(e.window);
      if (w == nullptr || e.event != e.window) break;
      w->Shown = true;
      // Its frame is in place once the window manager shows it.
      int x = 0;
      int y = 0;
      if (w->Reparented && OnScreen(e.window, x, y)) MovedTo(*w, x, y);
      break;
    }
    case XCB_UNMAP_NOTIFY: {
      const auto& e = reinterpret_cast<const xcb_unmap_notify_event_t&>(any);
      TWindow* w = Find(e.window);
      if (w != nullptr && e.event == e.window) w->Shown = false;
      break;
    }
    case XCB_PROPERTY_NOTIFY: {
      const auto& e = reinterpret_cast<const xcb_property_notify_event_t&>(any);
      LastTime_ = e.time;
      TWindow* w = Find(e.window);
      if (w == nullptr) break;
      const TAtoms& a = X_->Atoms();
      if (e.atom == a._NET_WM_STATE || e.atom == a.WM_STATE) {
        StateChanged(*w);
      } else if (e.atom == a._NET_FRAME_EXTENTS) {
        FrameExtents(*w);
      }
      break;
    }
    case XCB_CLIENT_MESSAGE: {
      const auto& e = reinterpret_cast<const xcb_client_message_event_t&>(any);
      const TAtoms& a = X_->Atoms();
      if (e.type != a.WM_PROTOCOLS || e.format != 32 || Find(e.window) == nullptr) break;
      if (e.data.data32[0] == a.WM_DELETE_WINDOW) {
        Push(HostEventKind::CloseRequest, e.window);
      } else if (e.data.data32[0] == a._NET_WM_PING) {
        // Alive: the ping goes back to the root window as it came.
        xcb_client_message_event_t pong = e;
        pong.response_type = XCB_CLIENT_MESSAGE;  // without the bit that says "sent"
        pong.window = X_->Root();
        xcb_send_event(C_, 0, X_->Root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&pong));
        xcb_flush(C_);
      }
      break;
    }
    default:
      Keyboard_.HandleKeyboardEvent(any);
      break;
  }
}

}  // namespace platform::x11
