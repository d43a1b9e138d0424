// SCROLLBAR (SBS_HORZ): two arrows, the track and a square thumb. It only reports what
// the user does, by WM_HSCROLL to its parent; the thumb moves when the parent says so
// (SetScrollPos). A press on an arrow or a page area sends its code and repeats while
// held: first after kFirstDelay, then every kRepeatDelay, and the timer lives only that
// long. A drag sends SB_THUMBTRACK with the position under the pointer and, at release,
// SB_THUMBPOSITION. Every mouse action and key ends with SB_ENDSCROLL. Vertical bars
// and size boxes are refused.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/platform.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window_internal.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kFirstDelay = 250;  // ms before a held part repeats, like a key
constexpr UINT kRepeatDelay = 50;  // ms between repeats

enum class Part { None, LineLeft, LineRight, PageLeft, PageRight, Thumb };

struct TScrollBar {
  int min = 0;
  int max = 0;
  int pos = 0;
  Part part = Part::None;  // the mouse action under way
  bool hot = false;        // the pointer is over that part
  bool repeating = false;  // the first delay has passed
  int dragOffset = 0;      // pointer x minus the thumb's left at the press
  int lastTrack = 0;       // the position last sent with SB_THUMBTRACK
  POINT pointer{};         // client coordinates, last seen
  HFONT font = nullptr;
};

TStates<TScrollBar>& States() {
  static TStates<TScrollBar> states;
  return states;
}

struct TLayout {
  RECT left{}, right{}, track{}, thumb{};
  bool hasThumb = false;
};

TLayout Layout(HWND hwnd, const TScrollBar& s) {
  RECT c{};
  GetClientRect(hwnd, &c);
  TLayout l;
  const int arrow = std::min(c.bottom, c.right / 2);
  l.left = {0, 0, arrow, c.bottom};
  l.right = {c.right - arrow, 0, c.right, c.bottom};
  l.track = {arrow, 0, c.right - arrow, c.bottom};
  const int trackLen = l.track.right - l.track.left;
  const int thumbLen = std::max(c.bottom, look::kMinThumb);
  if (s.max > s.min && trackLen >= thumbLen && c.bottom > 0) {
    const long long span = static_cast<long long>(s.max) - s.min;
    const long long room = trackLen - thumbLen;
    const int x =
        l.track.left +
        static_cast<int>(((s.pos - static_cast<long long>(s.min)) * room + span / 2) / span);
    l.thumb = {x, 0, x + thumbLen, c.bottom};
    l.hasThumb = true;
  }
  return l;
}

bool In(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

Part HitPart(const TLayout& l, POINT p) {
  if (In(l.left, p)) return Part::LineLeft;
  if (In(l.right, p)) return Part::LineRight;
  if (!l.hasThumb || !In(l.track, p)) return Part::None;
  if (In(l.thumb, p)) return Part::Thumb;
  return p.x < l.thumb.left ? Part::PageLeft : Part::PageRight;
}

// Whether the pointer is still over the part the action started on; a page area ends
// where the thumb now is.
bool OverPart(const TLayout& l, Part part, POINT p) {
  switch (part) {
    case Part::LineLeft:
      return In(l.left, p);
    case Part::LineRight:
      return In(l.right, p);
    case Part::PageLeft:
      return l.hasThumb && In(l.track, p) && p.x < l.thumb.left;
    case Part::PageRight:
      return l.hasThumb && In(l.track, p) && p.x >= l.thumb.right;
    default:
      return false;
  }
}

int CodeOf(Part part) {
  switch (part) {
    case Part::LineLeft:
      return SB_LINELEFT;
    case Part::LineRight:
      return SB_LINERIGHT;
    case Part::PageLeft:
      return SB_PAGELEFT;
    default:
      return SB_PAGERIGHT;
  }
}

// The position for a thumb whose left edge the pointer drags to `x`.
int PositionAt(const TLayout& l, const TScrollBar& s, int thumbLeft) {
  const int thumbLen = l.thumb.right - l.thumb.left;
  const long long room = (l.track.right - l.track.left) - thumbLen;
  if (room <= 0) return s.min;
  const long long at = std::clamp<long long>(thumbLeft - l.track.left, 0, room);
  const long long span = static_cast<long long>(s.max) - s.min;
  return static_cast<int>(s.min + (at * span + room / 2) / room);
}

void Send(HWND hwnd, int code, int pos = 0) {
  const HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessageA(parent, WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)),
               reinterpret_cast<LPARAM>(hwnd));
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  const TScrollBar* s = States().Find(hwnd);
  if (s != nullptr) {
    const TLayout l = Layout(hwnd, *s);
    const bool disabled = !ShowsEnabled(hwnd);
    const bool held = s->hot && !disabled;
    look::DrawScrollArrow(dc, l.left, look::Arrow::Left, held && s->part == Part::LineLeft,
                          disabled);
    look::DrawScrollArrow(dc, l.right, look::Arrow::Right, held && s->part == Part::LineRight,
                          disabled);
    if (l.hasThumb) {
      look::DrawScrollTrack(dc, {l.track.left, 0, l.thumb.left, l.track.bottom},
                            held && s->part == Part::PageLeft);
      look::DrawScrollTrack(dc, {l.thumb.right, 0, l.track.right, l.track.bottom},
                            held && s->part == Part::PageRight);
      look::DrawScrollThumb(dc, l.thumb);
      if (GetFocus() == hwnd) {
        look::DrawFocusRect(dc, {l.thumb.left + 3, 3, l.thumb.right - 3, l.thumb.bottom - 3});
      }
    } else {
      look::DrawScrollTrack(dc, l.track, false);
      if (GetFocus() == hwnd && l.track.right - l.track.left > 2) {
        look::DrawFocusRect(dc, {l.track.left + 1, 1, l.track.right - 1, l.track.bottom - 1});
      }
    }
  }
  EndPaint(hwnd, &ps);
}

// Ends the mouse action: the timer goes, the capture goes, the parent hears the end.
void EndAction(HWND hwnd, bool released) {
  TScrollBar* s = States().Find(hwnd);
  if (s == nullptr || s->part == Part::None) return;
  const Part part = s->part;
  const TLayout l = Layout(hwnd, *s);
  const int final = PositionAt(l, *s, s->pointer.x - s->dragOffset);
  s->part = Part::None;
  s->hot = false;
  KillTimer(hwnd, kTimerId);
  if (GetCapture() == hwnd) ReleaseCapture();
  InvalidateRect(hwnd, nullptr, FALSE);
  if (part == Part::Thumb && released) Send(hwnd, SB_THUMBPOSITION, final);
  if (IsWindow(hwnd)) Send(hwnd, SB_ENDSCROLL);
}

void Press(HWND hwnd, POINT p) {
  TScrollBar* s = States().Find(hwnd);
  if (s == nullptr || s->part != Part::None || !ShowsEnabled(hwnd)) return;
  const Part part = HitPart(Layout(hwnd, *s), p);
  if (part == Part::None) return;
  if (StyleOf(hwnd) & WS_TABSTOP) SetFocus(hwnd);
  if ((s = States().Find(hwnd)) == nullptr) return;
  const TLayout l = Layout(hwnd, *s);
  s->part = part;
  s->hot = true;
  s->repeating = false;
  s->pointer = p;
  SetCapture(hwnd);
  InvalidateRect(hwnd, nullptr, FALSE);
  if (part == Part::Thumb) {
    s->dragOffset = p.x - l.thumb.left;
    s->lastTrack = s->pos;
    return;
  }
  SetTimer(hwnd, kTimerId, kFirstDelay, nullptr);
  Send(hwnd, CodeOf(part));
}

void Move(HWND hwnd, POINT p) {
  TScrollBar* s = States().Find(hwnd);
  if (s == nullptr || s->part == Part::None) return;
  s->pointer = p;
  const TLayout l = Layout(hwnd, *s);
  if (s->part == Part::Thumb) {
    const int pos = PositionAt(l, *s, p.x - s->dragOffset);
    if (pos == s->lastTrack) return;
    s->lastTrack = pos;
    Send(hwnd, SB_THUMBTRACK, pos);
    return;
  }
  const bool hot = OverPart(l, s->part, p);
  if (hot != s->hot) {
    s->hot = hot;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
}

void Repeat(HWND hwnd) {
  TScrollBar* s = States().Find(hwnd);
  if (s == nullptr || s->part == Part::None || s->part == Part::Thumb) {
    KillTimer(hwnd, kTimerId);
    return;
  }
  if (!s->repeating) {
    s->repeating = true;
    SetTimer(hwnd, kTimerId, kRepeatDelay, nullptr);
  }
  const bool hot = OverPart(Layout(hwnd, *s), s->part, s->pointer);
  if (hot != s->hot) {
    s->hot = hot;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  if (hot) Send(hwnd, CodeOf(s->part));
}

int KeyCode(WPARAM key) {
  switch (key) {
    case VK_LEFT:
    case VK_UP:
      return SB_LINELEFT;
    case VK_RIGHT:
    case VK_DOWN:
      return SB_LINERIGHT;
    case VK_PRIOR:
      return SB_PAGELEFT;
    case VK_NEXT:
      return SB_PAGERIGHT;
    case VK_HOME:
      return SB_LEFT;
    case VK_END:
      return SB_RIGHT;
    default:
      return -1;
  }
}

// Sets the position, clamped into the range; answers the previous one.
int SetPos(HWND hwnd, int pos, bool redraw) {
  TScrollBar* s = States().Find(hwnd);
  if (s == nullptr) return 0;
  const int old = s->pos;
  const RECT before = Layout(hwnd, *s).thumb;
  s->pos = std::clamp(pos, s->min, s->max);
  if (redraw && s->pos != old) {
    const RECT after = Layout(hwnd, *s).thumb;
    InvalidateRect(hwnd, &before, FALSE);
    InvalidateRect(hwnd, &after, FALSE);
  }
  return old;
}

bool ValidRange(int minPos, int maxPos) {
  return minPos <= maxPos && static_cast<long long>(maxPos) - minPos <= INT_MAX;
}

// SBM_SETRANGE: answers the previous position if the range moved it, else 0.
LRESULT SetRange(HWND hwnd, int minPos, int maxPos, bool redraw) {
  TScrollBar* s = States().Find(hwnd);
  if (s == nullptr || !ValidRange(minPos, maxPos)) return 0;
  const int old = s->pos;
  s->min = minPos;
  s->max = maxPos;
  s->pos = std::clamp(s->pos, minPos, maxPos);
  if (redraw) InvalidateRect(hwnd, nullptr, FALSE);
  return s->pos != old ? old : 0;
}

POINT PointOf(LPARAM lParam) {
  return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// SBS_TOPALIGN and SBS_BOTTOMALIGN give the bar the standard height at that edge.
void Align(HWND hwnd) {
  const DWORD style = StyleOf(hwnd);
  const TWnd* w = WndOf(hwnd);
  if (w == nullptr || !(style & (SBS_TOPALIGN | SBS_BOTTOMALIGN))) return;
  const int h = GetSystemMetrics(SM_CYHSCROLL);
  const RECT r = w->rect;
  const int y = (style & SBS_TOPALIGN) ? r.top : r.bottom - h;
  MoveWindow(hwnd, r.left, y, r.right - r.left, h, FALSE);
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      States().Make(hwnd);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CREATE:
      if (StyleOf(hwnd) & (SBS_VERT | SBS_SIZEBOX | SBS_SIZEGRIP)) return -1;
      Align(hwnd);
      return 0;
    case WM_NCDESTROY:
      States().Drop(hwnd);
      return 0;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(hwnd, PointOf(lParam));
      return 0;
    case WM_MOUSEMOVE:
      Move(hwnd, PointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (TScrollBar* s = States().Find(hwnd); s != nullptr && s->part != Part::None) {
        s->pointer = PointOf(lParam);
        EndAction(hwnd, true);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd) EndAction(hwnd, false);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerId) Repeat(hwnd);
      return 0;
    case WM_KEYDOWN:
      if (const int code = KeyCode(wParam); code >= 0) Send(hwnd, code);
      return 0;
    case WM_KEYUP:
      if (KeyCode(wParam) >= 0) Send(hwnd, SB_ENDSCROLL);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      if (msg == WM_ENABLE && !wParam) EndAction(hwnd, false);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case SBM_SETPOS:
      return SetPos(hwnd, static_cast<int>(wParam), lParam != 0);
    case SBM_GETPOS: {
      const TScrollBar* s = States().Find(hwnd);
      return s ? s->pos : 0;
    }
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW:
      return SetRange(hwnd, static_cast<int>(wParam), static_cast<int>(lParam),
                      msg == SBM_SETRANGEREDRAW);
    case SBM_GETRANGE: {
      const TScrollBar* s = States().Find(hwnd);
      if (s == nullptr) return 0;
      if (auto* p = reinterpret_cast<LPINT>(wParam)) *p = s->min;
      if (auto* p = reinterpret_cast<LPINT>(lParam)) *p = s->max;
      return 0;
    }
    case WM_SETFONT:
    case WM_GETFONT:
      return FontMessage(States(), hwnd, msg, wParam, lParam);
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::controls

namespace {
bool IsScrollControl(HWND hwnd, int bar) {
  return bar == SB_CTL && platform::controls::States().Find(hwnd) != nullptr;
}
}  // namespace

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (!IsScrollControl(hwnd, bar) || !platform::controls::ValidRange(minPos, maxPos)) return FALSE;
  SendMessageA(hwnd, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(minPos),
               static_cast<LPARAM>(maxPos));
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos) {
  if (!IsScrollControl(hwnd, bar) || minPos == nullptr || maxPos == nullptr) return FALSE;
  SendMessageA(hwnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(minPos),
               reinterpret_cast<LPARAM>(maxPos));
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (!IsScrollControl(hwnd, bar)) return 0;
  return static_cast<int>(SendMessageA(hwnd, SBM_SETPOS, static_cast<WPARAM>(pos), redraw));
}

int GetScrollPos(HWND hwnd, int bar) {
  if (!IsScrollControl(hwnd, bar)) return 0;
  return static_cast<int>(SendMessageA(hwnd, SBM_GETPOS, 0, 0));
}
