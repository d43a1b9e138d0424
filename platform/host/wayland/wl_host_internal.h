// The Wayland host's class, for its own sources: wl_host.cpp (the Host interface and
// the wait), wl_events.cpp (reading and dispatching the connection), wl_window.cpp
// (surfaces and their roles), wl_picture.cpp (presenting, and our caption), wl_input.cpp
// (the seat: pointer and keyboard).
//
// One connection, one thread. Requests are queued and flushed before each wait; events
// are read in Wait and NextEvent (prepare_read, poll to the deadline, read_events) and
// dispatched to the listeners here, which turn them into HostEvents kept until taken.
// The platform's own timers pace its drawing; each Present commits what changed unless
// the compositor has not yet asked for the next picture (a frame callback), and then
// the changes gather until it asks. An idle program asks nothing and is never woken.
//
// Coordinates are the platform's (device pixels of the scaled host above, each
// `Buffer_` x `Buffer_` of them one logical pixel of the compositor's, through
// wl_surface.set_buffer_scale: the outputs' own scale, rounded to a whole number,
// whatever the program's).
// Wayland gives clients no positions: a toplevel keeps the position the platform gave
// it, popups are placed against their parent from the platform's coordinates, and the
// pointer's position is known only over our windows.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/host_events.h"
#include "platform/host/scale.h"
#include "platform/host/wayland/wl_caption.h"
#include "platform/host/wayland/wl_connection.h"
#include "platform/host/wayland/wl_cursor.h"
#include "platform/host/wayland/wl_keyboard.h"
#include "platform/host/wayland/wl_touch.h"
#include "platform/host/wayland/wl_window.h"

namespace platform::wl {

class TWaylandHost final : public Host {
 public:
  explicit TWaylandHost(std::unique_ptr<TConnection> c);
  ~TWaylandHost() override;

  void UseScale(int n) override;
  int DesktopScale() const override { return WholeScale(C_->OutputScale()); }

  HostWindow CreateWindow(const HostWindowSpec& asked) override;
  void DestroyWindow(HostWindow window) override;
  void SetTitle(HostWindow window, const std::string& title) override;
  void SetIcon(HostWindow window, const CursorShape& icon) override;
  void SetBounds(HostWindow window, const HostRect& bounds) override;
  HostRect Bounds(HostWindow window) const override;
  HostInsets Decorations(HostWindow window) const override;
  HostRect WorkArea() const override;
  void Show(HostWindow window, HostShow how) override;
  void Raise(HostWindow window) override;
  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override;
  std::uint32_t* WindowPixels(HostWindow window, int width, int height) override;
  void SetCursor(const CursorShape* shape) override;
  void PointerPosition(int& x, int& y) const override {
    x = PointerX_;
    y = PointerY_;
  }

  // Wayland lets no client move the pointer: it stays where the user put it, and the
  // platform (which asks this to have the cursor asked for again) sees it there.
  void WarpPointer(int, int) override {}

  // While a button is held the compositor keeps sending the pointer's events to the
  // window it was pressed in, which is all a capture is used for.
  void CapturePointer(HostWindow, bool) override {}

  // The system menu's Move and Size: Wayland has no keyboard move, and moves only from
  // a press; the next left press on the window starts it.
  void BeginMoveOrSize(HostWindow window, bool size) override;

  HostTime Now() const override { return SteadyNow(); }

  bool NextEvent(HostEvent& event) override;
  void Wait(HostTime deadline) override;

  // Listener entry points.
  void Configure(TWindow& w, std::uint32_t serial);
  void ToplevelConfigure(TWindow& w, int width, int height, wl_array* states);
  void PopupConfigure(TWindow& w, int x, int y);
  void PopupDone(TWindow& w);
  void CloseAsked(TWindow& w) { Push(HostEventKind::CloseRequest, w.Id); }
  void PointerEnter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void PointerLeave(wl_surface* surface);
  void PointerMotion(wl_fixed_t x, wl_fixed_t y);
  void PointerButton(std::uint32_t serial, std::uint32_t time, std::uint32_t button,
                     std::uint32_t state);
  void TouchDown(std::uint32_t serial, wl_surface* surface, std::int32_t id, wl_fixed_t x,
                 wl_fixed_t y);
  void TouchUp(std::int32_t id);
  void TouchMotion(std::int32_t id, wl_fixed_t x, wl_fixed_t y);
  void TouchCancel();
  void KeyboardEnter(wl_surface* surface);
  void KeyboardLeave();
  void KeyboardKey(std::uint32_t serial, std::uint32_t key, std::uint32_t state);
  TKeyboard& Keys() { return Keyboard_; }
  void Activated(const char* token);
  void Capabilities(TWindow& w, wl_array* capabilities);
  void DecorationMode(TWindow& w, std::uint32_t mode);
  void SurfaceOutput(TWindow& w, wl_output* output, bool entered);

 private:
  TWindow* Find(HostWindow window) { return FindWindow(Windows_, window); }
  const TWindow* Find(HostWindow window) const { return FindWindow(Windows_, window); }
  // Sizes are whole logical pixels: a buffer must divide by its scale.
  int Whole(int n) const { return (n + Buffer_ - 1) / Buffer_ * Buffer_; }

  HostEvent& Push(HostEventKind kind, HostWindow window) {
    return Pending_.Push(kind, window, Now());
  }

  // A popup's toplevel, whose keyboard focus it shares.
  HostWindow RootOf(HostWindow window);

  bool Allocate(TWindow& w, int width, int height);
  void Regrow(TWindow& w, int width, int height);
  // The buffer to draw in, waiting for the compositor to release one if it holds both.
  std::uint32_t* Drawable(TWindow& w);
  // Commits what changed in the window's pixels, or leaves it for a buffer's release.
  // `now`: without waiting for the compositor to ask for a new picture.
  void ShowChanges(TWindow& w, bool now = false);
  // `show`: committed now; else with the platform's next present.
  void RedrawCaption(TWindow& w, bool show = true);
  // Shows, sizes or hides the sizing frame as the window's size and state ask, and sets
  // the window's geometry to include it.
  void PlaceFrame(TWindow& w);
  // The buffers made again at the next drawing (a new scale or caption), all drawn anew.
  void RemakeBuffers(TWindow& w);
  // The sizing frame's thickness a window has (0: none).
  int FrameOf(const TWindow& w) const;
  void DestroyFrame(TWindow& w);
  // The caption's parts: a press (a click or a touch; its serial and time in ms) at
  // device x, y of the caption strip, and its release there.
  // A touch moves the window at once; a pointer only once it leaves the double-click's box.
  void CaptionPress(TWindow& w, std::uint32_t serial, std::uint32_t time, int x, int y,
                    bool touch = false);
  bool CaptionDrag(TWindow& w);
  void CaptionRelease(TWindow& w, int x, int y);
  TCaptionPart CaptionPartOf(const TWindow& w, int x, int y) const;
  // Device x, y within the double-click's box around the last press on a title.
  bool NearCaptionClick(int x, int y) const;
  // A caption box held down let go of, drawn raised again; the part it was.
  TCaptionPart LetGoOfCaptionBox();
  void ToggleMaximized(TWindow& w);
  // The edges of `w`'s sizing frame at device x, y of it (FrameEdgesAt), and a press
  // there starting the compositor's resize by them.
  int FrameEdgesOf(const TWindow& w, int x, int y) const;
  void ResizeFrom(TWindow& w, std::uint32_t serial, int x, int y);
  // The pointer's shape over the caption (the arrow) and frame (the edges' arrows).
  void FrameCursor(int which);
  // A left press on `w` while Move or Size is armed starts it; true when it did.
  bool TakeMoveOrSize(TWindow& w, std::uint32_t serial);
  void Map(TWindow& w, bool maximized = false);
  void Unmap(TWindow& w);
  void DestroySurface(TWindow& w);
  void SetSizeLimits(TWindow& w);
  void Activate(TWindow& w);
  void SeatChanged(std::uint32_t caps);
  // A press or key reached `w`: its toplevel is not minimised, whatever was asked.
  void InputReached(TWindow& w);
  void Read();
  // One round of the read protocol: what is queued is dispatched; unless `done` then
  // holds, requests are flushed and the display slept on until `timeout` (nullptr: no
  // limit), and what came is dispatched. False when it did not sleep.
  bool ReadBlocking(const timespec* timeout, const std::function<bool()>& done);
  void AfterDispatch();
  void PushPointer(HostEventKind kind, int button);
  void PushKey(HostWindow window, const TKeyStroke& k, bool press);
  [[noreturn]] void ConnectionLost() const;

  std::unique_ptr<TConnection> C_;
  wl_display* D_;
  int Scale_ = 1;   // the program's: our caption's pixels are drawn this large
  int Buffer_ = 1;  // the surfaces' buffer scale
  HostWindow LastId_ = 0;
  std::unordered_map<HostWindow, std::unique_ptr<TWindow>> Windows_;
  THostEventQueue Pending_;
  std::unique_ptr<TCursors> Cursors_;
  wl_pointer* Pointer_ = nullptr;
  wl_keyboard* KeyboardDevice_ = nullptr;
  wl_touch* Touch_ = nullptr;
  TTouchButton TouchButton_;
  HostWindow TouchOn_ = 0;   // the window the held touch point went down on
  bool OnFrame_ = false;     // the pointer is over PointerOver_'s sizing frame
  HostWindow MoveSizeArmed_ = 0;  // the system menu's Move or Size waits for a press
  int MoveSizeEdges_ = 0;         // 0: a move
  // The last press on a caption's title, for a double-click there.
  HostWindow CaptionClickOn_ = 0;
  std::uint32_t CaptionClickTime_ = 0;
  int CaptionClickX_ = 0, CaptionClickY_ = 0;
  // A title pressed and held: the compositor moves the window once the pointer leaves the
  // double-click's box, not at the press, so a double-click is never taken by a move.
  HostWindow CaptionMoveOn_ = 0;
  std::uint32_t CaptionMoveSerial_ = 0;
  TKeyboard Keyboard_;
  std::uint32_t InputSerial_ = 0;  // of the last press or key, for grabs and moves
  HostWindow PointerOver_ = 0;
  int SurfaceX_ = 0, SurfaceY_ = 0;  // the pointer on PointerOver_'s buffer, caption included
  bool InCaption_ = false;
  int PointerX_ = 0, PointerY_ = 0;  // the platform's screen coordinates
  int ButtonsDown_ = 0;
  HostWindow CaptionHeld_ = 0;  // a caption box pressed, acted on at the release
  TCaptionPart CaptionPart_ = TCaptionPart::None;
  HostWindow Focused_ = 0;     // the toplevel with the keyboard
  bool FocusLeaving_ = false;  // left; gone unless an entry follows at once
  std::string StartToken_;
  HostWindow ActivateFor_ = 0;  // the window a token is being made for
  std::uint64_t Shows_ = 0;     // windows shown so far, to order popups
  bool Lending_ = false;        // waiting for a buffer the platform asked for at its size
};

}  // namespace platform::wl
