// The X11 host's class, for its own sources: x11_host.cpp (the Host interface),
// x11_events.cpp (reading the connection, the server's notices about our windows),
// x11_input.cpp (pointer, keys, focus), x11_grabs.cpp (capture and the menu's keyboard
// grab), x11_window.cpp (what a window is on the server, and its moves and states).
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/host/host.h"
#include "platform/host/host_events.h"
#include "platform/host/x11/x11_connection.h"
#include "platform/host/x11/x11_cursor.h"
#include "platform/host/x11/x11_keyboard.h"
#include "platform/host/x11/x11_picture.h"
#include "platform/host/x11/x11_window.h"

namespace platform::x11 {

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

class TX11Host final : public Host {
 public:
  explicit TX11Host(std::unique_ptr<TConnection> x);
  ~TX11Host() override;

  HostWindow CreateWindow(const HostWindowSpec& asked) override;
  void DestroyWindow(HostWindow window) override;
  void SetTitle(HostWindow window, const std::string& title) override;
  void SetIcon(HostWindow window, const CursorShape& icon) override;
  void SetBounds(HostWindow window, const HostRect& bounds) override;
  HostRect Bounds(HostWindow window) const override;
  // For a window yet to be made, the frame the window manager last gave one.
  HostInsets Decorations(HostWindow window) const override;
  HostRect WorkArea() const override;
  HostRect WorkAreaAt(int x, int y) const override;
  void Show(HostWindow window, HostShow how) override;
  void Raise(HostWindow window) override;
  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override;
  std::uint32_t* WindowPixels(HostWindow window, int width, int height) override;
  void BeforeDrawing(HostWindow window) override;
  void SetCursor(const CursorShape* shape) override;
  // Where input last put the pointer: asking the server would cost a round trip per
  // question and answer no better, since the program acts on the input it has read.
  void PointerPosition(int& x, int& y) const override;
  void WarpPointer(int x, int y) override;
  void CapturePointer(HostWindow window, bool captured) override;
  HostTime Now() const override { return SteadyNow(); }

  bool NextEvent(HostEvent& event) override;
  void Wait(HostTime deadline) override;
  int DesktopScale() const override;

 private:
  TWindow* Find(HostWindow window) { return FindWindow(Windows_, window); }
  const TWindow* Find(HostWindow window) const { return FindWindow(Windows_, window); }

  void Map(TWindow& w);

  // A press is the user's latest input: the window manager reads its time to decide
  // whether a window that maps next may take the focus.
  void UserInput(xcb_window_t window, xcb_timestamp_t time);

  // A shown popup menu takes the keyboard for its owner, as a menu must: keys keep
  // going to the owner's window, never to whatever the desktop would focus.
  void UpdateMenuGrab();

  // Grabs are asked for without waiting; their answers are read with the events. One
  // the server refuses (another program holds the pointer for a moment, the window is
  // not yet viewable) is asked again a few times, then given up.
  void GrabPointer();

  void GrabKeyboard();

  // A grab no longer wanted: its answer, if still to come, is not kept for us.
  void Forget(TGrabTry& grab);

  // Whether the grab asked for was refused; false while no answer has come.
  bool Refused(TGrabTry& grab);

  // Reads the grabs' answers and asks again where it is time to.
  void CheckGrabs();

  HostTime NextRetry() const;

  void SeePointer(int x, int y) const;
  // A pointer event at surface point (x, y) of `window`, `state` its modifier mask.
  void PushPointer(HostEventKind kind, xcb_window_t window, int x, int y, std::uint16_t state,
                   int button);

  [[noreturn]] void ConnectionLost() const;

  // Translates what the connection holds until an event is pending or it holds no more.
  // The socket is read only when it may hold something new: ppoll said so, or a
  // millisecond has passed since it was last seen empty (a caller polling without ever
  // waiting still gets its input); a tick's many calls cost no system call.
  void Drain();

  // The same for what XCB has already read, without reading the socket.
  void DrainQueued();

  HostEvent& Push(HostEventKind kind, HostWindow window) {
    return Pending_.Push(kind, window, Stamp_);
  }

  // The server's time of an input event (milliseconds, wrapping) on the host's clock:
  // intervals are the server's, so a stall in reading cannot bunch two clicks into a
  // double-click. Anchored at each event, and never later than now (the anchor then
  // moves to the quicker delivery).
  HostTime FromServerTime(xcb_timestamp_t t);

  void Translate(const xcb_generic_event_t& any);
  // Pointer, keys and focus (x11_input.cpp); false for any other event.
  bool TranslateInput(const xcb_generic_event_t& any);

  void Configured(const xcb_configure_notify_event_t& e, bool fromWindowManager);

  // Where the window's top left is on the screen, asked of the server.
  bool OnScreen(xcb_window_t window, int& x, int& y);

  void MovedTo(TWindow& w, int x, int y);

  // The window manager set or changed the frame around the window: the platform hears
  // of it as a move, for which it reads the decorations again.
  void FrameExtents(TWindow& w);

  // The desktop minimised, maximised or restored the window.
  void StateChanged(TWindow& w);

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

}  // namespace platform::x11
