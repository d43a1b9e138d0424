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
#include "platform/host/x11/x11_connection.h"
#include "platform/host/x11/x11_cursor.h"
#include "platform/host/x11/x11_keyboard.h"
#include "platform/host/x11/x11_monitors.h"
#include "platform/host/x11/x11_picture.h"
#include "platform/host/x11/x11_window.h"

namespace platform {
namespace {

using namespace x11;

constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kNetWmStateRemove = 0;
constexpr std::uint32_t kNetWmStateAdd = 1;
constexpr std::uint32_t kFromApplication = 1;
constexpr int kMaxSide = 0x7FFF;
constexpr int kGrabTries = 10;
constexpr HostTime kGrabRetry = std::chrono::milliseconds(20);

// A grab asked for and not yet answered, or refused and to be asked again.
struct TGrabTry {
  unsigned Asked = 0;  // the request's sequence number
  bool Waiting = false;
  int Tries = 0;
  HostTime RetryAt = HostTime::max();
};

struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFree>;

class TX11Host final : public Host {
 public:
  explicit TX11Host(std::unique_ptr<TConnection> x)
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

  ~TX11Host() override {
    if (Captured_ != 0) xcb_ungrab_pointer(C_, XCB_CURRENT_TIME);
    if (KeyboardGrabbed_) xcb_ungrab_keyboard(C_, XCB_CURRENT_TIME);
    for (auto& [id, w] : Windows_) {
      w.Picture = TPicture{};
      xcb_destroy_window(C_, id);
    }
    xcb_destroy_window(C_, Leader_);
    xcb_flush(C_);
  }

  HostWindow CreateWindow(const HostWindowSpec& asked) override {
    if (asked.width <= 0 || asked.height <= 0 || asked.width > kMaxSide ||
        asked.height > kMaxSide) {
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

  void DestroyWindow(HostWindow window) override {
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

  void SetTitle(HostWindow window, const std::string& title) override {
    if (Find(window) != nullptr) x11::SetTitle(*X_, window, title);
  }

  void SetIcon(HostWindow window, const CursorShape& icon) override {
    if (Find(window) != nullptr) x11::SetIcon(*X_, window, icon);
  }

  void SetBounds(HostWindow window, const HostRect& bounds) override {
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

  HostRect Bounds(HostWindow window) const override {
    const TWindow* w = Find(window);
    return w ? w->Bounds : HostRect{};
  }

  // For a window yet to be made, the frame the window manager last gave one.
  HostInsets Decorations(HostWindow window) const override {
    const TWindow* w = Find(window);
    return w ? w->Extents : FrameGuess_;
  }

  HostRect WorkArea() const override {
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

  HostRect WorkAreaAt(int x, int y) const override {
    return MonitorWorkArea(Monitors(C_, X_->Root()), WorkArea(), x, y);
  }

  void Show(HostWindow window, HostShow how) override {
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

  void Raise(HostWindow window) override {
    TWindow* w = Find(window);
    if (w == nullptr) return;
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(C_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    if (!w->Popup) {
      TellWindowManager(*X_, window, X_->Atoms()._NET_ACTIVE_WINDOW, kFromApplication, LastTime_);
    }
    xcb_flush(C_);
  }

  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override {
    if (TWindow* w = Find(window)) {
      Presenter_.Present(window, w->Picture, pixels, width, height, stride, rects, count);
    }
  }

  std::uint32_t* WindowPixels(HostWindow window, int width, int height) override {
    TWindow* w = Find(window);
    return w != nullptr ? Presenter_.Lend(w->Picture, width, height) : nullptr;
  }

  void BeforeDrawing(HostWindow window) override {
    if (TWindow* w = Find(window)) Presenter_.Settle(w->Picture);
  }

  void SetCursor(const CursorShape* shape) override {
    const xcb_cursor_t cursor = shape ? Cursors_.For(*shape, Cursor_) : Cursors_.Blank();
    if (cursor == Cursor_) return;
    Cursor_ = cursor;
    for (auto& [id, w] : Windows_) {
      xcb_change_window_attributes(C_, id, XCB_CW_CURSOR, &cursor);
    }
    xcb_flush(C_);
  }

  // Where input last put the pointer: asking the server would cost a round trip per
  // question and answer no better, since the program acts on the input it has read.
  void PointerPosition(int& x, int& y) const override {
    if (!PointerKnown_) {
      TReply<xcb_query_pointer_reply_t> r(
          xcb_query_pointer_reply(C_, xcb_query_pointer(C_, X_->Root()), nullptr));
      if (r) SeePointer(r->root_x, r->root_y);
    }
    x = Pointer_.x;
    y = Pointer_.y;
  }

  void WarpPointer(int x, int y) override {
    // A warp to where the pointer already is would pull back a pointer that moved since
    // (a round trip ago on a remote display); it is only the platform asking again.
    if (PointerKnown_ && x == Pointer_.x && y == Pointer_.y) return;
    xcb_warp_pointer(C_, XCB_NONE, X_->Root(), 0, 0, 0, 0, std::int16_t(x), std::int16_t(y));
    SeePointer(x, y);
    xcb_flush(C_);
  }

  void CapturePointer(HostWindow window, bool captured) override {
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

  HostTime Now() const override { return SteadyNow(); }

  bool NextEvent(HostEvent& event) override {
    Drain();
    if (Pending_.Empty()) {
      xcb_flush(C_);
      return false;
    }
    return Pending_.Pop(event);
  }

  void Wait(HostTime deadline) override {
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

  int DesktopScale() const override {
    return XftScaleOf(X_->Resources().c_str());
  }

 private:
  TWindow* Find(HostWindow window) {
    auto it = Windows_.find(window);
    return it == Windows_.end() ? nullptr : &it->second;
  }
  const TWindow* Find(HostWindow window) const {
    auto it = Windows_.find(window);
    return it == Windows_.end() ? nullptr : &it->second;
  }

  void Map(TWindow& w) {
    const TAtoms& a = X_->Atoms();
    if (!w.Popup) {
      // The window manager gives the focus to a window mapped in answer to the user's
      // latest input (or to the launch), and may refuse it to one mapped without a time.
      const std::uint32_t time = LastTime_ != XCB_CURRENT_TIME ? LastTime_ : StartupTime_;
      if (time != 0) {
        xcb_change_property(C_, XCB_PROP_MODE_REPLACE, w.Id, a._NET_WM_USER_TIME, XCB_ATOM_CARDINAL,
                            32, 1, &time);
      }
      if (!StartupId_.empty()) {
        xcb_change_property(C_, XCB_PROP_MODE_REPLACE, w.Id, a._NET_STARTUP_ID, a.UTF8_STRING, 8,
                            std::uint32_t(StartupId_.size()), StartupId_.data());
      }
    }
    xcb_map_window(C_, w.Id);
    w.Mapped = true;
    if (!w.Popup && !StartupId_.empty()) {
      EndStartup(*X_, Leader_, StartupId_);
      StartupId_.clear();
    }
  }

  // A press is the user's latest input: the window manager reads its time to decide
  // whether a window that maps next may take the focus.
  void UserInput(xcb_window_t window, xcb_timestamp_t time) {
    const TWindow* w = Find(window);
    if (w == nullptr || w->Popup || time == XCB_CURRENT_TIME) return;
    xcb_change_property(C_, XCB_PROP_MODE_REPLACE, window, X_->Atoms()._NET_WM_USER_TIME,
                        XCB_ATOM_CARDINAL, 32, 1, &time);
  }

  // A shown popup menu takes the keyboard for its owner, as a menu must: keys keep
  // going to the owner's window, never to whatever the desktop would focus.
  void UpdateMenuGrab() {
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

  // Grabs are asked for without waiting; their answers are read with the events. One
  // the server refuses (another program holds the pointer for a moment, the window is
  // not yet viewable) is asked again a few times, then given up.
  void GrabPointer() {
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

  void GrabKeyboard() {
    KeyboardGrabTry_.Asked = xcb_grab_keyboard(C_, 1, KeyboardGrab_, XCB_CURRENT_TIME,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)
                                 .sequence;
    KeyboardGrabTry_.Waiting = true;
    KeyboardGrabTry_.RetryAt = HostTime::max();
  }

  // A grab no longer wanted: its answer, if still to come, is not kept for us.
  void Forget(TGrabTry& grab) {
    if (grab.Waiting) xcb_discard_reply(C_, grab.Asked);
    grab = {};
  }

  // Whether the grab asked for was refused; false while no answer has come.
  bool Refused(TGrabTry& grab) {
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

  // Reads the grabs' answers and asks again where it is time to.
  void CheckGrabs() {
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

  HostTime NextRetry() const {
    return std::min(Captured_ != 0 ? PointerGrab_.RetryAt : HostTime::max(),
                    KeyboardGrabbed_ ? KeyboardGrabTry_.RetryAt : HostTime::max());
  }

  void SeePointer(int x, int y) const {
    Pointer_ = {x, y, 0, 0};
    PointerKnown_ = true;
  }

  [[noreturn]] void ConnectionLost() const {
    const std::string why = "error " + std::to_string(xcb_connection_has_error(C_));
    ExitOnLostConnection("X server", why.c_str());
  }

  // Translates what the connection holds until an event is pending or it holds no more.
  // The socket is read only when it may hold something new: ppoll said so, or a
  // millisecond has passed since it was last seen empty (a caller polling without ever
  // waiting still gets its input); a tick's many calls cost no system call.
  void Drain() {
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

  // The same for what XCB has already read, without reading the socket.
  void DrainQueued() {
    while (Pending_.Empty()) {
      TReply<xcb_generic_event_t> e(xcb_poll_for_queued_event(C_));
      if (!e) break;
      Translate(*e);
    }
  }

  HostEvent& Push(HostEventKind kind, HostWindow window) {
    return Pending_.Push(kind, window, Stamp_);
  }

  // The server's time of an input event (milliseconds, wrapping) on the host's clock:
  // intervals are the server's, so a stall in reading cannot bunch two clicks into a
  // double-click. Anchored at each event, and never later than now (the anchor then
  // moves to the quicker delivery).
  HostTime FromServerTime(xcb_timestamp_t t) {
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

  void Translate(const xcb_generic_event_t& any) {
    const std::uint8_t type = any.response_type & 0x7F;
    // Input events carry the server's time at the same place.
    const bool timed = type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE ||
                       type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE ||
                       type == XCB_MOTION_NOTIFY || type == XCB_LEAVE_NOTIFY;
    Stamp_ =
        timed ? FromServerTime(reinterpret_cast<const xcb_key_press_event_t&>(any).time) : Now();
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
        LastTime_ = e.time;
        SeePointer(e.root_x, e.root_y);
        // After an ungrab the pointer is found where it went while the window held it.
        if ((e.mode == XCB_NOTIFY_MODE_NORMAL || e.mode == XCB_NOTIFY_MODE_UNGRAB) &&
            e.detail != XCB_NOTIFY_DETAIL_INFERIOR && Captured_ == 0 && Find(e.event) != nullptr) {
          Push(HostEventKind::PointerLeft, e.event);
        }
        break;
      }
      case XCB_ENTER_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_enter_notify_event_t&>(any);
        LastTime_ = e.time;
        SeePointer(e.root_x, e.root_y);
        break;
      }
      case XCB_MOTION_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_motion_notify_event_t&>(any);
        LastTime_ = e.time;
        SeePointer(e.root_x, e.root_y);
        if (Find(e.event) == nullptr) break;
        HostEvent& h = Push(HostEventKind::PointerMove, e.event);
        h.x = e.event_x;
        h.y = e.event_y;
        h.modifiers = ModifiersOfState(e.state);
        break;
      }
      case XCB_BUTTON_PRESS:
      case XCB_BUTTON_RELEASE: {
        const auto& e = reinterpret_cast<const xcb_button_press_event_t&>(any);
        LastTime_ = e.time;
        SeePointer(e.root_x, e.root_y);
        // 1, 2 and 3 are left, middle and right; the rest are wheels and side buttons.
        if (e.detail < 1 || e.detail > 3 || Find(e.event) == nullptr) break;
        const bool press = (any.response_type & 0x7F) == XCB_BUTTON_PRESS;
        if (press) UserInput(e.event, e.time);
        HostEvent& h =
            Push(press ? HostEventKind::PointerPress : HostEventKind::PointerRelease, e.event);
        h.x = e.event_x;
        h.y = e.event_y;
        h.button = e.detail;
        h.modifiers = ModifiersOfState(e.state);
        break;
      }
      case XCB_KEY_PRESS:
      case XCB_KEY_RELEASE: {
        const auto& e = reinterpret_cast<const xcb_key_press_event_t&>(any);
        LastTime_ = e.time;
        SeePointer(e.root_x, e.root_y);
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

  void Configured(const xcb_configure_notify_event_t& e, bool fromWindowManager) {
    TWindow* w = Find(e.window);
    if (w == nullptr || e.event != e.window) return;
    // A window manager's synthetic notice gives the position; its size may be one the
    // server has already left behind (openbox answers a frame-extents request with the
    // first size), while every real resize comes as a real notice.
    if (!fromWindowManager && (e.width != w->Bounds.width || e.height != w->Bounds.height)) {
      w->Bounds.width = e.width;
      w->Bounds.height = e.height;
      HostEvent& h = Push(HostEventKind::Resized, e.window);
      h.width = e.width;
      h.height = e.height;
    }
    if (!fromWindowManager && !w->Reparented) {
      MovedTo(*w, e.x, e.y);  // on the root window: a position on the screen
      return;
    }
    // Before the window manager shows the window no position it tells is one it chose:
    // openbox answers the frame-extents request with the window's place in a frame at
    // the screen's corner, and moves a new frame into place only after the window is in
    // it. The place is read when the window shows.
    if (!w->Shown) return;
    int x = e.x;
    int y = e.y;
    // Inside the desktop's frame the event says where in the frame, not on the screen.
    if (fromWindowManager || OnScreen(e.window, x, y)) MovedTo(*w, x, y);
  }

  // Where the window's top left is on the screen, asked of the server.
  bool OnScreen(xcb_window_t window, int& x, int& y) {
    TReply<xcb_translate_coordinates_reply_t> r(xcb_translate_coordinates_reply(
        C_, xcb_translate_coordinates(C_, window, X_->Root(), 0, 0), nullptr));
    if (!r) return false;
    x = r->dst_x;
    y = r->dst_y;
    return true;
  }

  void MovedTo(TWindow& w, int x, int y) {
    if (x == w.Bounds.x && y == w.Bounds.y) return;
    w.Bounds.x = x;
    w.Bounds.y = y;
    HostEvent& h = Push(HostEventKind::Moved, w.Id);
    h.x = x;
    h.y = y;
  }

  // The window manager set or changed the frame around the window: the platform hears
  // of it as a move, for which it reads the decorations again.
  void FrameExtents(TWindow& w) {
    const std::vector<std::uint32_t> v =
        ReadCardinals(C_, w.Id, X_->Atoms()._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
    if (v.size() != 4 ||
        std::any_of(v.begin(), v.end(), [](std::uint32_t n) { return n > 4096; })) {
      return;
    }
    const HostInsets in{int(v[0]), int(v[2]), int(v[1]), int(v[3])};
    if (!w.Popup) FrameGuess_ = in;
    if (in.left == w.Extents.left && in.top == w.Extents.top && in.right == w.Extents.right &&
        in.bottom == w.Extents.bottom) {
      return;
    }
    w.Extents = in;
    HostEvent& h = Push(HostEventKind::Moved, w.Id);
    h.x = w.Bounds.x;
    h.y = w.Bounds.y;
  }

  // The desktop minimised, maximised or restored the window.
  void StateChanged(TWindow& w) {
    const TAtoms& a = X_->Atoms();
    const std::vector<std::uint32_t> net =
        ReadCardinals(C_, w.Id, a._NET_WM_STATE, XCB_ATOM_ATOM, 64);
    const std::vector<std::uint32_t> icccm = ReadCardinals(C_, w.Id, a.WM_STATE, a.WM_STATE, 1);
    auto has = [&](xcb_atom_t atom) {
      return std::find(net.begin(), net.end(), atom) != net.end();
    };
    const bool minimized =
        has(a._NET_WM_STATE_HIDDEN) || (!icccm.empty() && icccm[0] == kIconicState);
    const bool maximized =
        has(a._NET_WM_STATE_MAXIMIZED_VERT) && has(a._NET_WM_STATE_MAXIMIZED_HORZ);
    if (minimized && !w.Minimized) {
      Push(HostEventKind::Minimized, w.Id);
    } else if (!minimized && (w.Minimized || maximized != w.Maximized)) {
      Push(maximized ? HostEventKind::Maximized : HostEventKind::Restored, w.Id);
    }
    w.Minimized = minimized;
    w.Maximized = maximized;
  }

  std::unique_ptr<TConnection> X_;
  xcb_connection_t* C_;
  TCursors Cursors_;
  TPresenter Presenter_;
  TKeyboard Keyboard_;
  std::unordered_map<xcb_window_t, TWindow> Windows_;
  THostEventQueue Pending_;
  xcb_cursor_t Cursor_ = XCB_NONE;  // on every window; none is the root's arrow
  xcb_window_t Captured_ = 0;
  xcb_window_t Focused_ = 0;
  TGrabTry PointerGrab_;
  bool KeyboardGrabbed_ = false;
  xcb_window_t KeyboardGrab_ = 0;  // the window the keyboard is grabbed for
  TGrabTry KeyboardGrabTry_;
  xcb_timestamp_t LastTime_ = XCB_CURRENT_TIME;  // the server's time of the last input
  HostTime Stamp_{};                             // the time of the event being translated
  bool Readable_ = true;                         // the socket may hold unread data
  HostTime SeenEmpty_{};                         // when it last held none
  bool ServerAnchored_ = false;
  xcb_timestamp_t ServerAnchor_ = 0;  // the server's time of the last timed event
  HostTime HostAnchor_{};             // ... and that time on the host's clock
  xcb_window_t Leader_ = 0;           // the group leader, never shown
  std::string StartupId_;             // the launch to announce as done when a window first maps
  std::uint32_t StartupTime_ = 0;
  HostInsets FrameGuess_;     // the frame the window manager last gave a window
  mutable HostRect Pointer_;  // on the root window, as input last reported it
  mutable bool PointerKnown_ = false;
};

}  // namespace

std::unique_ptr<Host> MakeX11Host(std::string& error, bool* screenUnfit) {
  // A write to a server that has gone must fail with EPIPE, which the connection
  // reports and the next wait turns into a message, not kill the process unheard.
  struct sigaction pipe {};
  if (sigaction(SIGPIPE, nullptr, &pipe) == 0 && pipe.sa_handler == SIG_DFL) {
    std::signal(SIGPIPE, SIG_IGN);
  }
  auto x = std::make_unique<TConnection>();
  if (!x->Open(error)) {
    if (screenUnfit != nullptr) *screenUnfit = x->ScreenUnfit();
    return nullptr;
  }
  return std::make_unique<TX11Host>(std::move(x));
}

}  // namespace platform
