// The web host's class, for its own sources: web_host.cpp (the Host interface, the wait,
// the page's events), web_window.cpp (windows as page elements, their states, moving and
// sizing by our caption and border), web_picture.cpp (presenting, the caption),
// web_input.cpp (pointer and keys), web_cursor.cpp.
//
// One thread. The program runs until it waits; the wait (klop_page_wait, the one import
// Asyncify suspends at) returns to the browser, whose listeners queue input in the page
// until the host takes it. Nothing runs between input and timer deadlines: no animation
// frames, no polling.
//
// Coordinates are the page's device pixels (the viewport's top-left the origin): the
// scaled host above multiplies the platform's pixels by the device pixel ratio's whole
// number, and the page divides by the ratio for CSS, so each canvas pixel is a device
// pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/host_events.h"
#include "platform/host/wayland/wl_caption.h"
#include "platform/host/web/web_page.h"
#include "platform/host/web/web_window.h"

namespace platform::web {

using wl::TCaptionPart;

// The boxes at the right of a window's caption, as on Wayland.
inline wl::TCaptionBoxes CaptionBoxes(const TWindow& w) {
  return w.Spec.dialog ? wl::TCaptionBoxes::Close
         : w.Spec.resizable ? wl::TCaptionBoxes::All
                            : wl::TCaptionBoxes::MinimizeClose;
}

class TWebHost final : public Host {
 public:
  TWebHost();

  void UseScale(int n) override;
  int DesktopScale() const override;

  HostWindow CreateWindow(const HostWindowSpec& asked) override;
  void DestroyWindow(HostWindow window) override;
  void SetTitle(HostWindow window, const std::string& title) override;
  void SetIcon(HostWindow window, const CursorShape& icon) override;
  void SetBounds(HostWindow window, const HostRect& bounds) override;
  HostRect Bounds(HostWindow window) const override;
  HostInsets Decorations(HostWindow window) const override;
  HostRect WorkArea() const override { return {0, 0, PageWidth_, PageHeight_}; }
  void Show(HostWindow window, HostShow how) override;
  void Raise(HostWindow window) override;
  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override;
  void SetCursor(const CursorShape* shape) override;
  void PointerPosition(int& x, int& y) const override {
    x = PointerX_;
    y = PointerY_;
  }
  // A page cannot move the pointer.
  void WarpPointer(int, int) override {}
  void CapturePointer(HostWindow window, bool captured) override;
  HostTime Now() const override { return SteadyNow(); }
  bool NextEvent(HostEvent& event) override;
  void Wait(HostTime deadline) override;

 private:
  TWindow* Find(HostWindow window) { return FindWindow(Windows_, window); }
  const TWindow* Find(HostWindow window) const { return FindWindow(Windows_, window); }
  // Input is timed when the browser saw it, not when the program read it: a program
  // slow to wake must not see two clicks as a double click.
  HostEvent& Push(HostEventKind kind, HostWindow window) {
    return Pending_.Push(kind, window, EventTime_ != HostTime{} ? EventTime_ : Now());
  }

  // web_host.cpp: the page's queue into host events.
  void ReadPage();
  void PageEvent(const TPageEvent& e);
  void TabShown(bool visible);

  // web_window.cpp
  void Place(TWindow& w);
  void Resize(TWindow& w, int width, int height);
  void MoveTo(TWindow& w, int x, int y);
  void Maximize(TWindow& w, bool on);
  void Minimize(TWindow& w);
  void Activate(TWindow* w);
  void ShowBar(TWindow& w, bool shown);
  HostWindow TopmostShown() const;

  // web_picture.cpp
  void Reshape(TWindow& w);  // the RGBA copy at the window's size, kept where it overlaps
  // Puts the rectangle of the window's picture on its canvas, once the window was shown.
  void Put(TWindow& w, int x, int y, int width, int height);
  void PutAll(TWindow& w) { Put(w, 0, 0, w.RgbaWidth, w.RgbaHeight); }
  void RedrawCaption(TWindow& w);  // painted and put, once the window was shown
  void PaintCaption(TWindow& w);   // into the window's picture only

  // web_input.cpp
  void PointerDown(const TPageEvent& e);
  void PointerMove(const TPageEvent& e);
  void PointerUp(const TPageEvent& e);
  void PointerGone();
  void Key(const TPageEvent& e, bool press);
  // The part of window `w` at page point (x, y): its surface, caption or border.
  enum class TArea { Surface, Caption, Border, Outside };
  TArea AreaAt(const TWindow& w, int x, int y) const;
  void PushPointer(HostEventKind kind, HostWindow window, int x, int y, int button);
  void LeaveWindow();
  void UpdateHostCursor(const TWindow* w, TArea area, int x, int y);

  double Dpr_ = 1;
  int Scale_ = 1;
  int PageWidth_ = 0, PageHeight_ = 0;
  HostWindow LastId_ = 0;
  int LastZ_ = 0;
  std::unordered_map<HostWindow, std::unique_ptr<TWindow>> Windows_;
  THostEventQueue Pending_;
  TPageEvent Page_{};
  HostTime EventTime_{};  // the page event being read
  std::vector<std::uint32_t> Strip_;  // a caption's pixels while they are drawn
  bool Presented_ = false;            // the program's first picture is on the page

  HostWindow Focused_ = 0;     // the top-level window with the keyboard
  bool PageFocused_ = true;
  HostWindow Captured_ = 0;    // the platform's capture
  HostWindow Over_ = 0;        // the window whose surface the pointer is over
  HostWindow Held_ = 0;        // the window a button went down in, until all are up
  int HeldButtons_ = 0;
  int PointerX_ = 0, PointerY_ = 0;
  bool TouchHeld_ = false;     // a touch or pen is down: a left button

  // Our caption and border.
  HostWindow CaptionHeld_ = 0;  // a caption box pressed, acted on at the release
  TCaptionPart CaptionPart_ = TCaptionPart::None;
  HostWindow Dragging_ = 0;     // moved by its caption or sized by its border
  int DragEdges_ = 0;           // 0: a move; else kLeft | kRight | kTop | kBottom
  int DragX_ = 0, DragY_ = 0;   // where the drag began
  HostRect DragFrom_;
  const char* HostCursor_ = "";

  std::unordered_set<std::uint64_t> CursorsSent_;
};

}  // namespace platform::web
