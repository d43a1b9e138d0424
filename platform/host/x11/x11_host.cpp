// The X11 host on XCB.
//
// One connection, one thread. Requests are written without waiting wherever the
// protocol allows; the few answers needed (the pointer's position, a window's state
// after the desktop changed it) are asked for when they are needed. Input is read in
// Wait and NextEvent, translated into HostEvents and kept until taken; Wait sleeps
// in ppoll on the connection's socket to the nanosecond of the deadline, so an idle
// program is never woken.
#include "platform/host/x11/x11_host.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "platform/host/host_events.h"
#include "platform/host/scale.h"
#include "platform/host/x11/x11_host_internal.h"
#include "platform/host/x11/x11_monitors.h"

namespace platform::x11 {

TX11Host::TX11Host(std::unique_ptr<TConnection> x)
    : X_(std::move(x)), C_(X_->C()), Cursors_(*X_), Presenter_(*X_), Keyboard_(C_) {
  // A launcher's startup notification is this program's alone, not its children's.
  if (const char* id = std::getenv("DESKTOP_STARTUP_ID"); id != nullptr) {
    StartupId_ = id;
    unsetenv("DESKTOP_STARTUP_ID");
    // "..._TIME<server time>" says when the user asked for the program.
    if (const std::size_t at = StartupId_.rfind("_TIME"); at != std::string::npos) {
      StartupTime_ = std::uint32_t(std::strtoul(StartupId_.c_str() + at + 5, nullptr, 10));
    }
  }
  Leader_ = CreateGroupLeader(*X_, StartupId_);
}

TX11Host::~TX11Host() {
  if (Captured_ != 0) xcb_ungrab_pointer(C_, XCB_CURRENT_TIME);
  if (KeyboardGrabbed_) xcb_ungrab_keyboard(C_, XCB_CURRENT_TIME);
  for (auto& [id, w] : Windows_) {
    w.Picture = TPicture{};
    xcb_destroy_window(C_, id);
  }
  xcb_destroy_window(C_, Leader_);
  xcb_flush(C_);
}

HostWindow TX11Host::CreateWindow(const HostWindowSpec& asked) {
  if (asked.width <= 0 || asked.height <= 0 || asked.width > kMaxSide || asked.height > kMaxSide) {
    return 0;
  }
  const TWindow* owner = Find(asked.owner);
  TWindow w = CreateTopLevel(*X_, asked, owner ? owner->Id : 0, Leader_, Cursor_);
  // Until the window manager says, its frame is taken to be like the last one's.
  if (!w.Popup) w.Extents = FrameGuess_;
  const xcb_window_t id = w.Id;
  Windows_.emplace(id, std::move(w));
  return id;
}

void TX11Host::DestroyWindow(HostWindow window) {
  auto it = Windows_.find(window);
  if (it == Windows_.end()) return;
  if (Captured_ == window) CapturePointer(window, false);
  it->second.Picture = TPicture{};
  xcb_destroy_window(C_, window);
  Windows_.erase(it);
  // The server ends a grab whose window goes.
  if (KeyboardGrabbed_ && KeyboardGrab_ == window) {
    KeyboardGrabbed_ = false;
    Forget(KeyboardGrabTry_);
  }
  if (Focused_ == window) Focused_ = 0;
  Pending_.Forget(window);
  UpdateMenuGrab();
  xcb_flush(C_);
}

void TX11Host::SetTitle(HostWindow window, const std::string& title) {
  if (Find(window) != nullptr) x11::SetTitle(*X_, window, title);
}

void TX11Host::SetIcon(HostWindow window, const CursorShape& icon) {
  if (Find(window) != nullptr) x11::SetIcon(*X_, window, icon);
}

void TX11Host::SetBounds(HostWindow window, const HostRect& bounds) {
  TWindow* w = Find(window);
  if (w == nullptr) return;
  std::uint16_t mask = 0;
  std::uint32_t values[4];
  int n = 0;
  // Unchanged positions are not asked for again: the desktop may answer each
  // request with a move of its own.
  if (bounds.x != w->Bounds.x || bounds.y != w->Bounds.y) {
    mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
    values[n++] = std::uint32_t(bounds.x);
    values[n++] = std::uint32_t(bounds.y);
    w->Bounds.x = bounds.x;
    w->Bounds.y = bounds.y;
    w->Positioned = true;
  }
  if (bounds.width > 0 && bounds.height > 0 && bounds.width <= kMaxSide &&
      bounds.height <= kMaxSide &&
      (bounds.width != w->Bounds.width || bounds.height != w->Bounds.height)) {
    mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
    values[n++] = std::uint32_t(bounds.width);
    values[n++] = std::uint32_t(bounds.height);
    w->Bounds.width = bounds.width;
    w->Bounds.height = bounds.height;
  }
  if (mask == 0) return;
  // A fixed-size window's limits move with it, or the desktop would refuse the size.
  if (!w->Popup) SetNormalHints(*X_, *w);
  xcb_configure_window(C_, window, mask, values);
}

HostRect TX11Host::Bounds(HostWindow window) const {
  const TWindow* w = Find(window);
  return w ? w->Bounds : HostRect{};
}

HostInsets TX11Host::Decorations(HostWindow window) const {
  const TWindow* w = Find(window);
  return w ? w->Extents : FrameGuess_;
}

HostRect TX11Host::WorkArea() const {
  const TAtoms& a = X_->Atoms();
  std::vector<std::uint32_t> desktop = X_->RootCardinals(a._NET_CURRENT_DESKTOP, 1);
  const std::uint32_t d = desktop.empty() ? 0 : desktop[0];
  std::vector<std::uint32_t> area = X_->RootCardinals(a._NET_WORKAREA, 4 * (d + 1));
  if (area.size() >= 4 * (std::size_t(d) + 1) && area[4 * d + 2] > 0 && area[4 * d + 3] > 0) {
    return HostRect{int(area[4 * d]), int(area[4 * d + 1]), int(area[4 * d + 2]),
                    int(area[4 * d + 3])};
  }
  const xcb_screen_t& s = X_->Screen();
  return HostRect{0, 0, s.width_in_pixels, s.height_in_pixels};
}

HostRect TX11Host::WorkAreaAt(int x, int y) const {
  return MonitorWorkArea(Monitors(C_, X_->Root()), WorkArea(), x, y);
}

void TX11Host::Show(HostWindow window, HostShow how) {
  TWindow* w = Find(window);
  if (w == nullptr) return;
  const TAtoms& a = X_->Atoms();
  switch (how) {
    case HostShow::Hidden:
      if (!w->Mapped) break;
      xcb_unmap_window(C_, window);
      if (!w->Popup) {
        // Withdrawn, as ICCCM asks: the desktop forgets the window until it is mapped.
        xcb_unmap_notify_event_t e{};
        e.response_type = XCB_UNMAP_NOTIFY;
        e.event = X_->Root();
        e.window = window;
        xcb_send_event(C_, 0, X_->Root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&e));
      }
      w->Mapped = false;
      break;
    case HostShow::Normal:
      if (!w->Mapped) {
        SetWmHints(*X_, *w, false);
        Map(*w);
      } else if (w->Minimized) {
        xcb_map_window(C_, window);  // asks an iconic window back to normal
        TellWindowManager(*X_, window, a._NET_ACTIVE_WINDOW, kFromApplication, LastTime_);
      } else if (w->Maximized) {
        TellWindowManager(*X_, window, a._NET_WM_STATE, kNetWmStateRemove,
                          a._NET_WM_STATE_MAXIMIZED_VERT, a._NET_WM_STATE_MAXIMIZED_HORZ,
                          kFromApplication);
      }
      break;
    case HostShow::Minimized:
      if (w->Popup) break;
      if (!w->Mapped) {
        SetWmHints(*X_, *w, true);
        Map(*w);
      } else {
        TellWindowManager(*X_, window, a.WM_CHANGE_STATE, kIconicState);
      }
      break;
    case HostShow::Maximized:
      if (w->Popup) break;
      if (w->Mapped) {
        TellWindowManager(*X_, window, a._NET_WM_STATE, kNetWmStateAdd,
                          a._NET_WM_STATE_MAXIMIZED_VERT, a._NET_WM_STATE_MAXIMIZED_HORZ,
                          kFromApplication);
        break;
      }
      {
        // Not yet managed: the desktop reads the state from the window when it maps.
        std::vector<xcb_atom_t> state{a._NET_WM_STATE_MAXIMIZED_VERT,
                                      a._NET_WM_STATE_MAXIMIZED_HORZ};
        if (w->Dialog) state.push_back(a._NET_WM_STATE_SKIP_TASKBAR);
        xcb_change_property(C_, XCB_PROP_MODE_REPLACE, window, a._NET_WM_STATE, XCB_ATOM_ATOM, 32,
                            std::uint32_t(state.size()), state.data());
      }
      SetWmHints(*X_, *w, false);
      Map(*w);
      break;
  }
  UpdateMenuGrab();
  xcb_flush(C_);
}

void TX11Host::Raise(HostWindow window) {
  TWindow* w = Find(window);
  if (w == nullptr) return;
  const std::uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(C_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  if (!w->Popup) {
    TellWindowManager(*X_, window, X_->Atoms()._NET_ACTIVE_WINDOW, kFromApplication, LastTime_);
  }
  xcb_flush(C_);
}

void TX11Host::Present(HostWindow window, const std::uint32_t* pixels, int width, int height,
                       int stride, const HostRect* rects, std::size_t count) {
  if (TWindow* w = Find(window)) {
    Presenter_.Present(window, w->Picture, pixels, width, height, stride, rects, count);
  }
}

std::uint32_t* TX11Host::WindowPixels(HostWindow window, int width, int height) {
  TWindow* w = Find(window);
  return w != nullptr ? Presenter_.Lend(w->Picture, width, height) : nullptr;
}

void TX11Host::BeforeDrawing(HostWindow window) {
  if (TWindow* w = Find(window)) Presenter_.Settle(w->Picture);
}

void TX11Host::SetCursor(const CursorShape* shape) {
  const xcb_cursor_t cursor = shape ? Cursors_.For(*shape, Cursor_) : Cursors_.Blank();
  if (cursor == Cursor_) return;
  Cursor_ = cursor;
  for (auto& [id, w] : Windows_) {
    xcb_change_window_attributes(C_, id, XCB_CW_CURSOR, &cursor);
  }
  xcb_flush(C_);
}

void TX11Host::PointerPosition(int& x, int& y) const {
  if (!PointerKnown_) {
    TReply<xcb_query_pointer_reply_t> r(
        xcb_query_pointer_reply(C_, xcb_query_pointer(C_, X_->Root()), nullptr));
    if (r) SeePointer(r->root_x, r->root_y);
  }
  x = Pointer_.x;
  y = Pointer_.y;
}

void TX11Host::WarpPointer(int x, int y) {
  // A warp to where the pointer already is would pull back a pointer that moved since
  // (a round trip ago on a remote display); it is only the platform asking again.
  if (PointerKnown_ && x == Pointer_.x && y == Pointer_.y) return;
  xcb_warp_pointer(C_, XCB_NONE, X_->Root(), 0, 0, 0, 0, std::int16_t(x), std::int16_t(y));
  SeePointer(x, y);
  xcb_flush(C_);
}

bool TX11Host::NextEvent(HostEvent& event) {
  Drain();
  if (Pending_.Empty()) {
    xcb_flush(C_);
    return false;
  }
  return Pending_.Pop(event);
}

void TX11Host::Wait(HostTime deadline) {
  for (;;) {
    Drain();
    if (!Pending_.Empty()) return;
    const HostTime wake = std::min(deadline, NextRetry());
    const bool endless = wake == HostTime::max();
    timespec t{};
    if (!endless) {
      const HostTime now = Now();
      if (deadline <= now) return;  // compared first: deadline - now may not fit
      if (wake <= now) continue;    // a grab to ask again
      t = TimespecOf(wake - now);
    }
    // Sent before sleeping. Writing may read what the server sent meanwhile into
    // XCB's queue, where the socket no longer shows it: that is taken first.
    if (xcb_flush(C_) <= 0) ConnectionLost();
    DrainQueued();
    if (!Pending_.Empty()) return;
    pollfd fd{xcb_get_file_descriptor(C_), POLLIN, 0};
    const int ready = ppoll(&fd, 1, endless ? nullptr : &t, nullptr);
    if (ready < 0 && errno != EINTR) ConnectionLost();
    if (ready > 0) Readable_ = true;
    if (ready == 0) SeenEmpty_ = Now();
  }
}

int TX11Host::DesktopScale() const {
  return XftScaleOf(X_->Resources().c_str());
}

void TX11Host::ConnectionLost() const {
  const std::string why = "error " + std::to_string(xcb_connection_has_error(C_));
  ExitOnLostConnection("X server", why.c_str());
}

}  // namespace platform::x11

namespace platform {

std::unique_ptr<Host> MakeX11Host(std::string& error, bool* screenUnfit) {
  // A write to a server that has gone must fail with EPIPE, which the connection
  // reports and the next wait turns into a message, not kill the process unheard.
  struct sigaction pipe {};
  if (sigaction(SIGPIPE, nullptr, &pipe) == 0 && pipe.sa_handler == SIG_DFL) {
    std::signal(SIGPIPE, SIG_IGN);
  }
  auto x = std::make_unique<x11::TConnection>();
  if (!x->Open(error)) {
    if (screenUnfit != nullptr) *screenUnfit = x->ScreenUnfit();
    return nullptr;
  }
  return std::make_unique<x11::TX11Host>(std::move(x));
}

}  // namespace platform
