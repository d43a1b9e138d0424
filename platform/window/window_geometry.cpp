// Window rectangles, moving and sizing, showing and minimising, coordinate mapping.
#include <algorithm>

#include "platform/host/window_seam.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

HostRect SurfaceBoundsFor(const TWnd& w, const RECT& outer) {
  return {outer.left + w.insets.left, outer.top + w.insets.top,
          std::max<int>(outer.right - outer.left - w.insets.left - w.insets.right, 0),
          std::max<int>(outer.bottom - outer.top - w.insets.top - w.insets.bottom, 0)};
}

// A top-level window's minimised state lives in its style bit.
bool Minimized(const TWnd& w) {
  return (w.style & WS_MINIMIZE) != 0;
}

}  // namespace

HostRect WorkAreaOf(HWND window) {
  const TWnd* w = WndOf(TopLevelOf(window));
  const POINT at = w != nullptr ? POINT{w->rect.left + (w->rect.right - w->rect.left) / 2,
                                        w->rect.top + (w->rect.bottom - w->rect.top) / 2}
                                : LastPointerPosition();
  return CurrentHost().WorkAreaAt(at.x, at.y);
}

void ActivateWindow(HWND hwnd) {
  if (ActiveWindow() == hwnd) return;
  const HWND old = ActiveWindow();
  SetActiveWindow(hwnd);
  if (old != nullptr && IsWindow(old)) {
    CallProc(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  }
  if (hwnd != nullptr && IsWindow(hwnd) && ActiveWindow() == hwnd) {
    CallProc(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  }
}

void ActivateOther(HWND leaving) {
  if (ActiveWindow() != leaving) return;
  const auto takes = [leaving](HWND h) {
    const TWnd* w = WndOf(h);
    return h != leaving && w != nullptr && !w->destroying && (w->style & WS_VISIBLE) &&
           !(w->style & (WS_DISABLED | WS_MINIMIZE));
  };
  HWND next = nullptr;
  if (const TWnd* w = WndOf(leaving); w != nullptr && takes(w->owner)) next = w->owner;
  const std::vector<HWND>& tops = TopLevels();
  for (auto it = tops.rbegin(); next == nullptr && it != tops.rend(); ++it) {
    if (takes(*it)) next = *it;
  }
  ActivateWindow(next);
}

void SetMinimized(HWND hwnd, bool minimized, bool tellHost) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr || Minimized(*w) == minimized) return;
  if (minimized) {
    w->style |= WS_MINIMIZE;
    if (tellHost) CurrentHost().Show(w->host, HostShow::Minimized);
    if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(nullptr);
    if (ActiveWindow() == hwnd) ActivateWindow(nullptr);
  } else {
    w->style &= ~WS_MINIMIZE;
    if (tellHost) CurrentHost().Show(w->host, HostShow::Normal);
    AddUpdate(*w, ClientRectOf(*w), true, true);
    InvalidateNonClient(hwnd);
  }
  SendSizeMessage(hwnd);
}

RECT ClientRectOf(const TWnd& w) {
  const LONG width = w.rect.right - w.rect.left;
  const LONG height = w.rect.bottom - w.rect.top;
  if (w.parent != nullptr) return {0, 0, width, height};
  const LONG cw = w.surface ? w.surface->Width() : 0;
  const LONG ch = w.surface ? std::max(w.surface->Height() - w.nonClientTop, 0) : 0;
  return {0, 0, cw, ch};
}

POINT ClientOriginInSurface(const TWnd& w) {
  if (w.parent == nullptr) return {0, w.nonClientTop};
  const TWnd* p = WndOf(w.parent);
  if (p == nullptr) return {0, 0};
  const POINT o = ClientOriginInSurface(*p);
  return {o.x + w.rect.left, o.y + w.rect.top};
}

POINT ClientOriginOnScreen(const TWnd& w) {
  const TWnd* top = WndOf(TopLevelOf(w.handle));
  if (top == nullptr) return {0, 0};
  const POINT o = ClientOriginInSurface(w);
  return {top->rect.left + top->insets.left + o.x, top->rect.top + top->insets.top + o.y};
}

bool IsShownOnScreen(const TWnd& w) {
  const TWnd* p = &w;
  while (p != nullptr) {
    if ((p->style & WS_VISIBLE) == 0) return false;
    if (p->parent == nullptr) return true;
    p = WndOf(p->parent);
  }
  return false;
}

RECT VisibleClientInSurface(const TWnd& w) {
  if (!IsShownOnScreen(w)) return {0, 0, 0, 0};
  const POINT o = ClientOriginInSurface(w);
  RECT r = Offset(ClientRectOf(w), o.x, o.y);
  const TWnd* p = w.parent ? WndOf(w.parent) : nullptr;
  while (p != nullptr) {
    const POINT po = ClientOriginInSurface(*p);
    r = Intersect(r, Offset(ClientRectOf(*p), po.x, po.y));
    p = p->parent ? WndOf(p->parent) : nullptr;
  }
  return r;
}

bool SetNonClientTop(HWND hwnd, int height) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr || height < 0) return false;
  if (w->nonClientTop == height) return true;
  w->nonClientTop = height;
  InvalidateNonClient(hwnd);
  AddUpdate(*w, ClientRectOf(*w), true, true);
  SendSizeMessage(hwnd);
  return true;
}

namespace {

bool HostPointOf(HWND hwnd, POINT client, HostWindow& host, POINT& surfacePoint) {
  TWnd* w = WndOf(hwnd);
  TWnd* top = WndOf(TopLevelOf(hwnd));
  if (w == nullptr || top == nullptr || top->host == 0) return false;
  const POINT o = ClientOriginInSurface(*w);
  host = top->host;
  surfacePoint = {o.x + client.x, o.y + client.y};
  return true;
}

bool SurfacePixel(HWND hwnd, POINT client, std::uint32_t& pixel) {
  TWnd* w = WndOf(hwnd);
  TWnd* top = WndOf(TopLevelOf(hwnd));
  if (w == nullptr || top == nullptr || !top->surface) return false;
  const POINT o = ClientOriginInSurface(*w);
  const int x = o.x + client.x;
  const int y = o.y + client.y;
  const TSurface& s = *top->surface;
  if (x < 0 || y < 0 || x >= s.Width() || y >= s.Height()) return false;
  // Without the top byte a host may set for its display server.
  pixel = s.Data()[static_cast<std::size_t>(y) * static_cast<std::size_t>(s.Width()) +
                   static_cast<std::size_t>(x)] &
          0xFFFFFFu;
  return true;
}

bool ClientPointOnScreen(HWND hwnd, POINT& point) {
  return ClientToScreen(hwnd, &point) != FALSE;
}

bool ClientSize(HWND hwnd, int& width, int& height) {
  RECT r{};
  if (!GetClientRect(hwnd, &r)) return false;
  width = r.right;
  height = r.bottom;
  return true;
}

const TWindowSeam kSeam{HostPointOf, SurfacePixel, ClientPointOnScreen, ClientSize};

}  // namespace

void OfferWindowSeam() {
  InstallWindowSeam(&kSeam);
}

void SendSizeMessage(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  const RECT c = ClientRectOf(*w);
  const WPARAM type = Minimized(*w)              ? SIZE_MINIMIZED
                      : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED;
  CallProc(hwnd, WM_SIZE, type,
           MAKELPARAM(static_cast<WORD>(c.right), static_cast<WORD>(c.bottom)));
}

void SetWindowGeometry(HWND hwnd, const RECT& rect, bool repaint, bool fromHost) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  const RECT old = w->rect;
  const RECT oldClient = ClientRectOf(*w);
  if (w->parent == nullptr) {
    if (!fromHost) {
      RECT capped = rect;
      capped.right =
          static_cast<LONG>(std::min<long long>(rect.right, 0LL + rect.left + kMaxWindowSide));
      capped.bottom =
          static_cast<LONG>(std::min<long long>(rect.bottom, 0LL + rect.top + kMaxWindowSide));
      if (capped.right != rect.right || capped.bottom != rect.bottom) {
        return SetWindowGeometry(hwnd, capped, repaint, fromHost);
      }
    }
    const HostRect b = SurfaceBoundsFor(*w, rect);
    if (!fromHost) CurrentHost().SetBounds(w->host, b);
    w->rect = rect;
    w->surface->Resize(b.width, b.height);
  } else {
    w->rect = rect;
  }
  const RECT client = ClientRectOf(*w);
  const bool moved = old.left != rect.left || old.top != rect.top;
  const bool sized = oldClient.right != client.right || oldClient.bottom != client.bottom;
  if (w->parent != nullptr && repaint && (moved || sized) && IsShownOnScreen(*w)) {
    if (TWnd* p = WndOf(w->parent)) {
      AddUpdate(*p, old, true, true);
      AddUpdate(*p, rect, true, false);
    }
  }
  if (sized || (repaint && moved)) {
    const UINT cs = w->cls->style;
    const bool whole = repaint || w->parent == nullptr ||
                       ((cs & CS_HREDRAW) && oldClient.right != client.right) ||
                       ((cs & CS_VREDRAW) && oldClient.bottom != client.bottom);
    if (w->parent == nullptr && sized) InvalidateNonClient(hwnd);
    if (whole) {
      AddUpdate(*w, client, true, true);
    } else {
      // Only what the larger size uncovers needs painting.
      for (const RECT& r : SubtractRect({client}, oldClient)) AddUpdate(*w, r, true, true);
    }
  }
  if (moved) SendMoveMessage(hwnd);
  if (sized && WndOf(hwnd) != nullptr) SendSizeMessage(hwnd);
}

void SendMoveMessage(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  // The client area's position: in the parent's client area, or on the screen.
  const POINT p = w->parent ? POINT{w->rect.left, w->rect.top} : ClientOriginOnScreen(*w);
  CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

void SurfaceResized(HWND hwnd, int width, int height) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr) return;
  if (w->surface->Width() == width && w->surface->Height() == height) return;
  RECT r = w->rect;
  r.right = r.left + w->insets.left + width + w->insets.right;
  r.bottom = r.top + w->insets.top + height + w->insets.bottom;
  SetWindowGeometry(hwnd, r, true, true);
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = platform::ClientRectOf(*w);
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  if (w->parent == nullptr) {
    *rect = w->rect;
  } else {
    const POINT o = platform::ClientOriginOnScreen(*w);
    *rect = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (w->parent == nullptr && (w->style & WS_MINIMIZE)) return FALSE;  // restore first
  platform::SetWindowGeometry(hwnd, {x, y, x + width, y + height}, repaint != FALSE, false);
  return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD) {
  using platform::kMenuBarRow;
  if (rect == nullptr) return FALSE;
  if (style & WS_CHILD) return TRUE;
  const platform::HostInsets in = platform::CurrentHost().Decorations(0);
  rect->left -= in.left;
  // A menu bar is one row of the non-client strip.
  rect->top -= in.top + (menu ? kMenuBarRow : 0);
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
  return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  if (cmd == SW_SHOWDEFAULT) cmd = SW_SHOWNORMAL;
  bool show = true;
  bool minimize = false;
  bool restore = false;
  bool activate = true;
  switch (cmd) {
    case SW_HIDE:
      show = false;
      activate = false;
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      restore = true;
      break;
    case SW_SHOW:
      break;
    case SW_SHOWNOACTIVATE:
      restore = true;
      activate = false;
      break;
    case SW_SHOWNA:
      activate = false;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      minimize = true;
      activate = false;
      break;
    default:
      return FALSE;  // maximising is not supported
  }
  if (w->parent != nullptr) {
    if (minimize) return FALSE;
    const bool changed = show != (wasVisible != FALSE);
    if (!changed) return wasVisible;
    platform::CallProc(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if ((w = WndOf(hwnd)) == nullptr) return wasVisible;
    if (show) {
      w->style |= WS_VISIBLE;
      platform::AddUpdate(*w, platform::ClientRectOf(*w), true, true);
    } else {
      w->style &= ~WS_VISIBLE;
      if (TWnd* p = WndOf(w->parent)) platform::AddUpdate(*p, w->rect, true, true);
      if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(w->parent);
    }
    return wasVisible;
  }

  platform::Host& host = platform::CurrentHost();
  if (!show) {
    if (wasVisible) {
      platform::CallProc(hwnd, WM_SHOWWINDOW, FALSE, 0);
      if ((w = WndOf(hwnd)) == nullptr) return wasVisible;
      w->style &= ~WS_VISIBLE;
      host.Show(w->host, platform::HostShow::Hidden);
      if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(nullptr);
      platform::ActivateOther(hwnd);
    }
    return wasVisible;
  }
  if (!wasVisible) {
    platform::CallProc(hwnd, WM_SHOWWINDOW, TRUE, 0);
    if ((w = WndOf(hwnd)) == nullptr) return wasVisible;
    w->style |= WS_VISIBLE;
    platform::AddUpdate(*w, platform::ClientRectOf(*w), true, true);
    platform::InvalidateNonClient(hwnd);
  }
  const bool wasMin = (w->style & WS_MINIMIZE) != 0;
  if (minimize && !wasMin) {
    platform::SetMinimized(hwnd, true, true);
  } else if (restore && wasMin) {
    platform::SetMinimized(hwnd, false, true);
  } else if (!wasVisible) {
    host.Show(w->host, minimize ? platform::HostShow::Minimized : platform::HostShow::Normal);
  }
  if ((w = WndOf(hwnd)) != nullptr && activate && !(w->style & WS_MINIMIZE) &&
      !(w->style & WS_DISABLED)) {
    host.Raise(w->host);
    platform::ActivateWindow(hwnd);
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  return (w != nullptr && platform::IsShownOnScreen(*w)) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  return (w != nullptr && w->parent == nullptr && (w->style & WS_MINIMIZE)) ? TRUE : FALSE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || point == nullptr) return FALSE;
  const POINT o = platform::ClientOriginOnScreen(*w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || point == nullptr) return FALSE;
  const POINT o = platform::ClientOriginOnScreen(*w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}
