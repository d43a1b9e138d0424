// What the windowing files share: window and class records behind the handles.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/surface.h"
#include "platform/window.h"

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
};

struct TWnd {
  HWND handle = nullptr;
  const TWndClass* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;       // child windows only
  HWND owner = nullptr;        // top-level windows only
  std::vector<HWND> children;  // bottom to top
  // Child: relative to the parent's client area. Top-level: screen coordinates.
  RECT rect{};
  std::string text;
  HMENU menu = nullptr;  // top-level: the menu bar; child: the id
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  bool destroying = false;
  bool created = false;  // WM_CREATE answered

  // Top-level only.
  HostWindow host = 0;
  std::unique_ptr<TSurface> surface;
  HostInsets insets{};
  int nonClientTop = 0;  // the strip above the client area, e.g. a menu bar

  // Painting: client coordinates, pairwise disjoint.
  std::vector<RECT> update;
  bool erase = false;
};

// The live window behind `hwnd`, or nullptr.
TWnd* WndOf(HWND hwnd);
// Every live window, top-level ones first in creation order, children after their parent.
std::vector<HWND> AllWindows();
std::vector<HWND> TopLevelWindows();
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

// For the host: where client point `client` of `hwnd` lies on which host surface.
bool HostPointOf(HWND hwnd, POINT client, HostWindow& host, POINT& surfacePoint);

// Calls the window procedure; the window may be gone afterwards.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Sizes and positions a window; sends WM_SIZE/WM_MOVE when they change.
void SetWindowGeometry(HWND hwnd, const RECT& rect, bool repaint, bool fromHost);
// The top-level window's surface took a new size (the host's resize).
void SurfaceResized(HWND hwnd, int width, int height);
void SendSizeMessage(HWND hwnd);

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
HostTime NextTimerDeadline();
void KillWindowTimers(HWND hwnd);

// Queue (message_queue.cpp).
void DropPostedFor(HWND hwnd);
bool MatchesFilter(HWND target, HWND filter);
DWORD MessageTimeOf(HostTime t);
// Presents every top-level surface's dirty rectangles.
void PresentAll();

// Input waiting in the queue: pointer, key and text events in arrival order.
struct TInput {
  HostEvent event;
  bool cursorAsked = false;  // WM_SETCURSOR was sent already (SetCursorPos)
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

// Resetting between tests.
void ResetTimers();
void ResetMouse();
void ResetKeyboard();
void ResetFocus();

// Focus (window_state.cpp).
void ForgetFocus(HWND hwnd);
HWND ActiveWindow();
void SetActiveWindow(HWND hwnd);

}  // namespace platform
