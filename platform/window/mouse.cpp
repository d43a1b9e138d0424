// Pointer input: hit testing, WM_SETCURSOR, mouse messages, double-clicks, capture, the
// cursor image and the pointer position.
#include <cstdlib>

#include "platform/resources/cursor_icon.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

constexpr DWORD kDoubleClickMs = 500;

struct TClick {
  bool valid = false;
  UINT message = 0;
  HWND hwnd = nullptr;
  WPARAM keys = 0;
  DWORD time = 0;
  POINT pt{};
};

HWND g_capture = nullptr;
HCURSOR g_cursor = nullptr;
WPARAM g_buttons = 0;  // MK_LBUTTON | MK_RBUTTON | MK_MBUTTON
// Where the pointer was last seen, for the messages made without input. Asking the host
// is a round trip to an X server, too dear for every posted or paint message.
POINT g_pointer{};
bool g_pointerKnown = false;
TClick g_click;

void SeePointer(POINT p) {
  g_pointer = p;
  g_pointerKnown = true;
}

WPARAM ButtonFlag(int button) {
  switch (button) {
    case kButtonLeft:
      return MK_LBUTTON;
    case kButtonRight:
      return MK_RBUTTON;
    case kButtonMiddle:
      return MK_MBUTTON;
    default:
      return 0;
  }
}

UINT DownMessage(int button) {
  switch (button) {
    case kButtonRight:
      return WM_RBUTTONDOWN;
    case kButtonMiddle:
      return WM_MBUTTONDOWN;
    default:
      return WM_LBUTTONDOWN;
  }
}

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The deepest shown, enabled child of `hwnd` under screen point `p`; disabled and hidden
// windows let the point through to their parent.
HWND ChildAt(HWND hwnd, POINT p) {
  TWnd* w = WndOf(hwnd);
  for (HWND h : w->children) {
    TWnd* c = WndOf(h);
    if (c == nullptr || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
    const POINT o = ClientOriginOnScreen(*c);
    if (Contains(Offset(ClientRectOf(*c), o.x, o.y), p)) return ChildAt(h, p);
  }
  return hwnd;
}

// Finds the window under `p` within top-level `top` and its hit-test code.
HWND HitWindow(HWND top, POINT p, LRESULT& hit) {
  TWnd* t = WndOf(top);
  if (t->style & WS_DISABLED) {
    hit = HTERROR;
    return top;
  }
  HWND target = ChildAt(top, p);
  const LPARAM lp = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
  for (;;) {
    hit = CallProc(target, WM_NCHITTEST, 0, lp);
    TWnd* w = WndOf(target);
    if (hit != HTTRANSPARENT || w == nullptr || w->parent == nullptr) break;
    target = w->parent;
  }
  if (hit == HTTRANSPARENT) hit = HTNOWHERE;
  return target;
}

WPARAM KeyFlags(WPARAM buttons, unsigned modifiers) {
  WPARAM k = buttons;
  if (modifiers & kModShift) k |= MK_SHIFT;
  if (modifiers & kModCtrl) k |= MK_CONTROL;
  return k;
}

bool ShowsAt(const TWnd* w, POINT p) {
  if (w == nullptr || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) return false;
  const RECT surface{w->rect.left + w->insets.left, w->rect.top + w->insets.top,
                     w->rect.right - w->insets.right, w->rect.bottom - w->insets.bottom};
  return Contains(surface, p);
}

HWND TopLevelAt(POINT p) {
  // The active window is on top; the rest count from the newest.
  if (ShowsAt(WndOf(ActiveWindow()), p)) return ActiveWindow();
  const std::vector<HWND>& tops = TopLevels();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    if (ShowsAt(WndOf(*it), p)) return *it;
  }
  return nullptr;
}

}  // namespace

bool PointerMessage(const TInput& in, const TFilter& filter, bool remove, MSG& msg,
                    bool& consumed) {
  const HostEvent& e = in.event;
  consumed = false;
  WPARAM buttons = g_buttons;
  if (e.kind == HostEventKind::PointerPress) buttons |= ButtonFlag(e.button);
  if (e.kind == HostEventKind::PointerRelease) buttons &= ~ButtonFlag(e.button);

  const HWND top = WindowOfHost(e.window);
  TWnd* t = WndOf(top);
  if (t == nullptr && g_capture == nullptr) {
    if (remove) g_buttons = buttons;
    consumed = true;
    return false;
  }
  POINT screen{e.x, e.y};
  if (t != nullptr) {
    screen.x += t->rect.left + t->insets.left;
    screen.y += t->rect.top + t->insets.top;
  }
  if (remove) SeePointer(screen);
  HWND target = nullptr;
  LRESULT hit = HTCLIENT;
  if (g_capture != nullptr) {
    target = g_capture;
  } else {
    target = HitWindow(top, screen, hit);
  }
  TWnd* w = WndOf(target);
  if (w == nullptr) {
    consumed = true;
    return false;
  }

  UINT clientMsg = WM_MOUSEMOVE;
  if (e.kind == HostEventKind::PointerPress) clientMsg = DownMessage(e.button);
  if (e.kind == HostEventKind::PointerRelease) clientMsg = DownMessage(e.button) + 1;
  const bool client = hit == HTCLIENT;
  const WPARAM keys = KeyFlags(buttons, e.modifiers);
  const DWORD time = MessageTimeOf(e.time);

  UINT message = clientMsg;
  bool dbl = false;
  if (e.kind == HostEventKind::PointerPress && (!client || (w->cls->style & CS_DBLCLKS))) {
    const TClick& c = g_click;
    dbl = c.valid && c.message == clientMsg && c.hwnd == target && c.keys == keys &&
          time - c.time < kDoubleClickMs && std::abs(screen.x - c.pt.x) < kDoubleClickBox / 2 &&
          std::abs(screen.y - c.pt.y) < kDoubleClickBox / 2;
    if (dbl) message = clientMsg + 2;
  }
  if (!client) message = message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
  const bool dropped = hit == HTERROR || hit == HTNOWHERE;
  if (!dropped && !filter.Passes(target, message)) return false;
  if (!remove) {
    if (dropped) return false;
  } else {
    g_buttons = buttons;
    if (e.kind == HostEventKind::PointerPress) NoteMouseButton();
    if (e.kind == HostEventKind::PointerPress) {
      if (dbl) {
        g_click.valid = false;  // a third press starts again
      } else {
        g_click = {true, clientMsg, target, keys, time, screen};
      }
    }
    if (g_capture == nullptr && !in.cursorAsked) {
      CallProc(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
               MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(clientMsg)));
    }
    if (dropped || WndOf(target) == nullptr) {
      consumed = true;
      return false;
    }
  }
  LPARAM lp;
  if (client) {
    POINT p = screen;
    ScreenToClient(target, &p);
    lp = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
  } else {
    lp = MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y));
  }
  msg = MSG{target, message, client ? keys : static_cast<WPARAM>(hit), lp, time, screen};
  return true;
}

POINT LastPointerPosition() {
  if (!g_pointerKnown) {
    int x = 0;
    int y = 0;
    CurrentHost().PointerPosition(x, y);
    SeePointer({x, y});
  }
  return g_pointer;
}

void ResetMouse() {
  g_capture = nullptr;
  g_cursor = nullptr;
  g_buttons = 0;
  g_click = {};
  g_pointerKnown = false;
}

void ForgetMouse(HWND hwnd) {
  if (g_capture == hwnd) {
    g_capture = nullptr;
    const TWnd* top = WndOf(TopLevelOf(hwnd));
    CurrentHost().CapturePointer(top ? top->host : 0, false);
  }
  if (g_click.hwnd == hwnd) g_click.valid = false;
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

HCURSOR SetCursor(HCURSOR cursor) {
  const HCURSOR old = platform::g_cursor;
  if (cursor == old) return old;
  if (cursor == nullptr) {
    platform::g_cursor = nullptr;
    platform::CurrentHost().SetCursor(nullptr);
    return old;
  }
  const platform::CursorShape* shape = platform::CursorShapeOf(cursor);
  if (shape == nullptr) return nullptr;
  platform::g_cursor = cursor;
  platform::CurrentHost().SetCursor(shape);
  return old;
}

HCURSOR GetCursor() {
  return platform::g_cursor;
}

BOOL GetCursorPos(LPPOINT point) {
  if (point == nullptr) return FALSE;
  int x = 0;
  int y = 0;
  platform::CurrentHost().PointerPosition(x, y);
  *point = {x, y};
  platform::SeePointer(*point);
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  platform::Host& host = platform::CurrentHost();
  const POINT p{x, y};
  // Writing back where the pointer was seen only asks for the cursor again: a warp there
  // would pull back a pointer that moved since (a round trip ago on a remote display).
  const POINT seen = platform::LastPointerPosition();
  if (seen.x != x || seen.y != y) host.WarpPointer(x, y);
  platform::SeePointer(p);
  const HWND top =
      platform::g_capture ? platform::TopLevelOf(platform::g_capture) : platform::TopLevelAt(p);
  TWnd* t = WndOf(top);
  if (t == nullptr) return TRUE;
  bool asked = false;
  if (platform::g_capture == nullptr) {
    // The window under the pointer is asked for its cursor at once, as after a real move.
    LRESULT hit = HTNOWHERE;
    const HWND target = platform::HitWindow(top, p, hit);
    platform::CallProc(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                       MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(WM_MOUSEMOVE)));
    asked = true;
    if ((t = WndOf(top)) == nullptr) return TRUE;
  }
  platform::HostEvent e;
  e.kind = platform::HostEventKind::PointerMove;
  e.window = t->host;
  e.x = x - (t->rect.left + t->insets.left);
  e.y = y - (t->rect.top + t->insets.top);
  e.time = host.Now();
  platform::QueueInput({e, asked});
  return TRUE;
}

HWND SetCapture(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return nullptr;
  const HWND old = platform::g_capture;
  if (old == hwnd) return old;
  platform::g_capture = hwnd;
  platform::CurrentHost().CapturePointer(WndOf(platform::TopLevelOf(hwnd))->host, true);
  if (old != nullptr && IsWindow(old)) {
    platform::CallProc(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return old;
}

BOOL ReleaseCapture() {
  const HWND old = platform::g_capture;
  if (old == nullptr) return TRUE;
  platform::g_capture = nullptr;
  TWnd* top = WndOf(platform::TopLevelOf(old));
  platform::CurrentHost().CapturePointer(top ? top->host : 0, false);
  if (IsWindow(old)) platform::CallProc(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  return platform::g_capture;
}

HWND WindowFromPoint(POINT point) {
  const HWND top = platform::TopLevelAt(point);
  if (top == nullptr) return nullptr;
  return platform::ChildAt(top, point);
}

UINT GetDoubleClickTime() {
  return platform::kDoubleClickMs;
}
