// What the windowing files share: window and class records behind the handles.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/host/host.h"
#include "platform/window/window.h"

namespace platform {

struct TWndClass {
  std::string name;  // as registered; looked up ignoring case
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  int wndExtra = 0;  // bytes of extra window memory
};

struct TWnd {
  HWND handle = nullptr;
  const TWndClass* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;       // child windows only
  HWND owner = nullptr;        // top-level windows only
  std::vector<HWND> children;  // z-order, top first: the first created is on top
  // Child: relative to the parent's client area. Top-level: screen coordinates.
  RECT rect{};
  std::string text;
  HMENU menu = nullptr;  // top-level: the menu bar; child: the id
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  std::vector<std::uint8_t> extra;  // the class's extra window bytes, zeroed
  HICON icon = nullptr;             // set by WM_SETICON
  bool destroying = false;
  bool created = false;  // WM_CREATE answered

  // Top-level only.
  HostWindow host = 0;
  std::unique_ptr<TSurface> surface;
  HostInsets insets{};
  int nonClientTop = 0;         // the strip above the client area, e.g. a menu bar
  bool nonClientDirty = false;  // the strip waits for WM_NCPAINT

  // Painting: client coordinates, pairwise disjoint.
  std::vector<RECT> update;
  bool erase = false;
};

// Registers the system control classes (STATIC, BUTTON, SCROLLBAR, EDIT); the ui layer
// defines it, and the class lookup calls it once, the first time a name is not found.
void RegisterSystemClasses();

// The live window behind `hwnd`, or nullptr.
TWnd* WndOf(HWND hwnd);
// Every live window, top-level ones first in creation order, children after their parent.
std::vector<HWND> AllWindows();
std::vector<HWND> TopLevelWindows();
// The live top-level windows in creation order, without copying: for walks that neither
// create nor destroy windows.
const std::vector<HWND>& TopLevels();

// The first window, parents before children, for which `pred(TWnd&)` holds; a
// read-only walk that allocates nothing.
template <typename Pred>
HWND FindWindowWhere(Pred&& pred);
HWND TopLevelOf(HWND hwnd);
// The top-level window shown in host window `host`, or nullptr.
HWND WindowOfHost(HostWindow host);

// Client area origin in its top-level surface, and in screen coordinates.
POINT ClientOriginInSurface(const TWnd& w);
POINT ClientOriginOnScreen(const TWnd& w);
// Client area in client coordinates.
RECT ClientRectOf(const TWnd& w);
// The part of the client area that shows on the surface (surface coordinates), inside
// every ancestor's client area; empty when any of them is hidden.
RECT VisibleClientInSurface(const TWnd& w);
bool IsShownOnScreen(const TWnd& w);  // it and every ancestor visible

// Sets the height of a top-level window's non-client top strip; the client area shrinks.
bool SetNonClientTop(HWND hwnd, int height);
// Marks the strip for painting: the window gets WM_NCPAINT before its next WM_PAINT
// (which comes even if the client area needs none). GetWindowDC draws there.
void InvalidateNonClient(HWND hwnd);

// No top-level window a program asks for (or a dialog template lays out) is larger than
// this on a side: beyond any desktop it shows on, yet a surface that can be allocated.
// Sizes the desktop itself gives a window are its own.
constexpr int kMaxWindowSide = 4096;

// One row of a menu bar, GetSystemMetrics(SM_CYMENU): the non-client strip of a window
// with a menu.
constexpr int kMenuBarRow = 19;
// The double-click box, GetSystemMetrics(SM_CXDOUBLECLK/SM_CYDOUBLECLK), in pixels
// centred on the first press.
constexpr int kDoubleClickBox = 4;

// Menus live in the ui layer above; they plug into windows through these hooks, which
// the first menu made installs (no window can have a menu before that).
struct TMenuHooks {
  int (*barHeight)(HMENU menu);               // the strip a menu bar takes; -1: no menu
  void (*paintBar)(HWND hwnd);                // WM_NCPAINT of a window with a menu bar
  void (*destroyMenu)(HMENU menu);            // its window is gone
  void (*trackBar)(HWND hwnd, POINT screen);  // a press on the menu bar
  void (*keyMenu)(HWND hwnd, char ch);        // SC_KEYMENU: Alt or F10 (0), or Alt+letter
  void (*systemMenu)(HWND hwnd);              // SC_MOUSEMENU: the host's caption asks
};
void InstallMenuHooks(const TMenuHooks* hooks);
const TMenuHooks* MenuHooks();  // nullptr until installed

// Gives the hosts their window seam (platform/host/window_seam.h); called before the
// first top-level window is made.
void OfferWindowSeam();

// Calls the window procedure; the window may be gone afterwards.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Sizes and positions a window; sends WM_SIZE/WM_MOVE when they change.
void SetWindowGeometry(HWND hwnd, const RECT& rect, bool repaint, bool fromHost);
// The top-level window's surface took a new size (the host's resize).
void SurfaceResized(HWND hwnd, int width, int height);
void SendSizeMessage(HWND hwnd);
void SendMoveMessage(HWND hwnd);
// Minimises or restores a top-level window: style, focus, activation, WM_SIZE, and the
// host when the change did not come from it.
void SetMinimized(HWND hwnd, bool minimized, bool tellHost);
// Makes `hwnd` the active window with WM_ACTIVATE to the old and the new one.
void ActivateWindow(HWND hwnd);
// `leaving` goes away (hidden, destroyed): its owner, or else the newest other shown
// top-level window, becomes active, as a desktop does when a window closes.
void ActivateOther(HWND leaving);

// Painting (paint.cpp).
void AddUpdate(TWnd& w, const RECT& clientRect, bool erase, bool children);
bool NeedsPaint(const TWnd& w);
// Keeps what is left of `rects` after taking `cut` away.
std::vector<RECT> SubtractRect(const std::vector<RECT>& rects, const RECT& cut);
RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);
RECT Offset(const RECT& r, int dx, int dy);
// Drops pending paint state of a window being destroyed.
void ForgetPaint(HWND hwnd);

// Timers (timers.cpp).
bool HasDueTimer(HWND filter, HostTime now);
bool TakeDueTimer(HWND filter, HostTime now, bool remove, MSG& msg);
// The earliest deadline later than `after`.
HostTime NextTimerDeadline(HostTime after);
void KillWindowTimers(HWND hwnd);

// Queue (message_queue.cpp).
void DropPostedFor(HWND hwnd);
bool MatchesFilter(HWND target, HWND filter);
DWORD MessageTimeOf(HostTime t);
// Something new for the queue (a message, input, a region to paint): WaitMessage
// returns for it even if an earlier look found nothing it wanted.
void NoteArrival();
// Presents every top-level surface's dirty rectangles.
void PresentAll();

// Input waiting in the queue: pointer, key and text events in arrival order.
struct TInput {
  HostEvent event;
  bool cursorAsked = false;  // WM_SETCURSOR was sent already (SetCursorPos)
  std::uint64_t seq = 0;     // set when queued
};
struct TFilter {
  HWND hwnd;
  UINT min;
  UINT max;
  bool InRange(UINT msg) const;
  bool Passes(HWND target, UINT msg) const;
};
void QueueInput(const TInput& in);
MSG MakeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Mouse (mouse.cpp). Turns a pointer event into a mouse message. Answers false when it
// yields none for this filter; `consumed` tells that the event is spent either way.
bool PointerMessage(const TInput& in, const TFilter& filter, bool remove, MSG& msg, bool& consumed);
void ForgetMouse(HWND hwnd);

// Keyboard (keyboard.cpp), the same for key and text events. `next` is the event after
// this one, which a key-down takes along when it is the text that key typed.
bool KeyMessage(const TInput& in, const TInput* next, const TFilter& filter, bool remove, MSG& msg,
                bool& consumed, bool& tookNext);

// Whether the Alt key now being released went down with nothing else since
// (keyboard.cpp); answers once per tap. The menu bar takes such an Alt.
bool TakeAltTap();
void NoteMouseButton();  // a press with Alt held: that Alt was no tap

// Resetting between tests.
void ResetTimers();
void ResetMouse();
// The work area of the monitor that `window`'s top-level window is on (by its centre),
// or the pointer's without a window: where its dialogs, message boxes and menus go.
HostRect WorkAreaOf(HWND window);
// Where the pointer was last seen (by input, GetCursorPos or SetCursorPos); the host is
// asked only the first time.
POINT LastPointerPosition();
void ResetKeyboard();
void ResetFocus();

// Focus (window_state.cpp).
void ForgetFocus(HWND hwnd);
HWND ActiveWindow();
void SetActiveWindow(HWND hwnd);

namespace detail {
template <typename Pred>
HWND FindIn(HWND hwnd, Pred& pred) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return nullptr;
  if (pred(*w)) return hwnd;
  for (HWND c : w->children) {
    if (HWND found = FindIn(c, pred)) return found;
  }
  return nullptr;
}
}  // namespace detail

template <typename Pred>
HWND FindWindowWhere(Pred&& pred) {
  for (HWND h : TopLevels()) {
    if (HWND found = detail::FindIn(h, pred)) return found;
  }
  return nullptr;
}

}  // namespace platform
