// A host without a display, for tests: windows are memory surfaces, input is scripted
// at virtual times, and the clock is virtual.
//
// It is a discrete-event simulator. Wait jumps the clock to the next scripted event or
// the deadline, whichever comes first, so a program that sleeps between timer ticks
// runs in no real time and always the same way. A wait that could only end by input
// while nothing more is scripted would never end: it throws THeadlessRunOut instead,
// and so does every later such wait. Code that catches everything (a framework's
// message boundary) may swallow the exception, so the host also remembers it
// (RanOut) and says so on stderr once; or it aborts the process, if asked.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/types.h"

namespace platform {

// Thrown by Wait when the program waits for input that the script will never give.
class THeadlessRunOut : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class THeadlessHost : public Host {
 public:
  struct TWindowState {
    HostWindowSpec asked;
    HostRect bounds;
    HostShow show = HostShow::Hidden;
    std::string title;
    CursorShape icon;
    std::vector<std::uint32_t> pixels;  // as last presented, bounds.width * bounds.height
    int raised = 0;                     // how often it was raised
  };

  THeadlessHost();

  // Desktop decorations reported for every window (0 by default).
  void SetDecorations(const HostInsets& insets) { Insets_ = insets; }
  // The desktop's usable area (1024 by 768 at the origin by default).
  void SetWorkArea(const HostRect& area) { WorkArea_ = area; }

  // Scripting. Times are on the virtual clock; pointer positions are screen coordinates.
  // An event scheduled in the past is delivered at the next chance, with its own time.
  void MoveAt(HostTime at, int x, int y, unsigned modifiers = 0);
  void PressAt(HostTime at, int button = kButtonLeft,
               unsigned modifiers = 0);  // where the pointer is
  void ReleaseAt(HostTime at, int button = kButtonLeft,
                 unsigned modifiers = 0);   // where the pointer is
  void ClickAt(HostTime at, int x, int y);  // move, press and release the left button
  // The same at client point (x, y) of `hwnd`, where that point is now on the screen.
  void MoveToClientAt(HostTime at, HWND hwnd, int x, int y);
  void ClickClientAt(HostTime at, HWND hwnd, int x, int y);
  void KeyAt(HostTime at, unsigned vk, bool down, unsigned modifiers = 0, bool repeat = false);
  void TextAt(HostTime at, const std::string& utf8);
  // A key that types `ch`: key down, its text, key up.
  void TypeAt(HostTime at, char ch);
  void CloseAt(HostTime at, HostWindow window);
  void SystemMenuAt(HostTime at, HostWindow window);  // as a caption's icon asks
  void MinimizeAt(HostTime at, HostWindow window);
  void RestoreAt(HostTime at, HostWindow window);
  void ResizeAt(HostTime at, HostWindow window, int width, int height);
  void MoveWindowAt(HostTime at, HostWindow window, int x, int y);
  void ExposeAt(HostTime at, HostWindow window, const HostRect& area);
  void FocusAt(HostTime at, HostWindow window, bool gained);
  // The desktop ends `window`'s capture of the pointer (another program took it).
  void CaptureLostAt(HostTime at, HostWindow window);

  // The same, now.
  void AdvanceTime(std::chrono::milliseconds by) { Now_ += by; }
  void MovePointer(int x, int y) { MoveAt(Now_, x, y); }
  void PressLeft() { PressAt(Now_); }
  void ReleaseLeft() { ReleaseAt(Now_); }

  // Reading back.
  std::size_t Pending() const { return Script_.size(); }
  // The pixel at client point (x, y) of `hwnd` as 0x00RRGGBB, as drawn so far (what
  // the window shows once the queue next runs dry); 0xFF000000 outside its surface.
  std::uint32_t PixelAt(HWND hwnd, int x, int y) const;
  // Every client pixel of `hwnd` as drawn, rows top to bottom, and the client's size.
  std::vector<std::uint32_t> ClientPixels(HWND hwnd, int& width, int& height) const;
  // The same pixel as last presented to this host.
  std::uint32_t ShownPixelAt(HWND hwnd, int x, int y) const;
  // The shown popup menus (HostWindowSpec::popup), bottom to top.
  std::vector<HostWindow> ShownPopups() const;
  // The host window showing `hwnd` (or its top-level window); 0 for none.
  static HostWindow HostOf(HWND hwnd);
  const TWindowState* Window(HostWindow window) const;
  std::size_t WindowCount() const { return Windows_.size(); }
  CursorShape CurrentCursor() const { return Cursor_; }  // width 0 while none is set
  bool CursorHidden() const { return CursorHidden_; }
  int CursorChanges() const { return CursorChanges_; }
  std::size_t PresentedRects() const { return PresentedRects_; }
  int Presents() const { return Presents_; }
  HostWindow Captured() const { return Captured_; }
  // Whether a wait ran out of script; what it does then.
  bool RanOut() const { return RanOut_; }
  void AbortOnRunOut(bool abort) { AbortOnRunOut_ = abort; }
  // The deadline of the last Wait and how many there were.
  HostTime LastWaitDeadline() const { return LastWait_; }
  int Waits() const { return Waits_; }

  // Host.
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
  void SetCursor(const CursorShape* shape) override;
  void PointerPosition(int& x, int& y) const override;
  void WarpPointer(int x, int y) override;
  void CapturePointer(HostWindow window, bool captured) override;
  HostTime Now() const override { return Now_; }
  bool NextEvent(HostEvent& event) override;
  void Wait(HostTime deadline) override;

 private:
  struct TScripted {
    HostEvent event;
    bool atPointer = false;  // press/release: the pointer's position when delivered
  };
  void Schedule(HostTime at, const HostEvent& e, bool atPointer = false);
  TWindowState* Find(HostWindow window);
  HostWindow WindowAt(int x, int y) const;

  HostTime Now_{};
  HostInsets Insets_{};
  HostRect WorkArea_{0, 0, 1024, 768};
  std::map<HostWindow, TWindowState> Windows_;
  std::vector<HostWindow> Stack_;  // bottom to top
  HostWindow Next_ = 1;
  std::multimap<HostTime, TScripted> Script_;
  int PointerX_ = 0;
  int PointerY_ = 0;
  HostWindow Captured_ = 0;
  CursorShape Cursor_;
  bool CursorHidden_ = false;
  int CursorChanges_ = 0;
  std::size_t PresentedRects_ = 0;
  int Presents_ = 0;
  HostTime LastWait_{};
  int Waits_ = 0;
  bool RanOut_ = false;
  bool AbortOnRunOut_ = false;
};

}  // namespace platform
