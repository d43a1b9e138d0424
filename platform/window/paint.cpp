// Update regions, WM_PAINT support and client-area device contexts.
#include <algorithm>

#include "platform/faults.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

enum class DcKind { Client, Paint };

struct TDcUse {
  HDC dc;
  HWND hwnd;
  DcKind kind;
};

// Every context handed out by GetDC or BeginPaint, so it can be checked on release and
// freed with its window. Few are out at once; a flat list keeps the paint path free of
// allocations once it has grown.
std::vector<TDcUse>& DcUses() {
  static std::vector<TDcUse> uses;
  return uses;
}

void AddUse(HDC dc, HWND hwnd, DcKind kind) {
  if (dc != nullptr) DcUses().push_back({dc, hwnd, kind});
}

// Takes the entry of `dc` if it was handed out to `hwnd` as `kind`.
bool TakeUse(HDC dc, HWND hwnd, DcKind kind) {
  auto& uses = DcUses();
  for (std::size_t i = 0; i < uses.size(); ++i) {
    if (uses[i].dc != dc) continue;
    if (uses[i].hwnd != hwnd || uses[i].kind != kind) return false;
    uses[i] = uses.back();
    uses.pop_back();
    return true;
  }
  return false;
}

// Stands in for the screen: GetDC(NULL) measures but draws nothing.
TSurface& ScreenSurface() {
  static TSurface screen(0, 0);
  return screen;
}

// The window's visible client area minus what its children cover, in surface
// coordinates, optionally limited to `region` (client coordinates), into `clip`.
void ClipFor(const TWnd& w, const std::vector<RECT>* region, std::vector<RECT>& clip) {
  clip.clear();
  const RECT visible = VisibleClientInSurface(w);
  if (IsEmpty(visible)) return;
  const POINT o = ClientOriginInSurface(w);
  if (region == nullptr) {
    clip.push_back(visible);
  } else {
    for (const RECT& r : *region) {
      const RECT s = Intersect(Offset(r, o.x, o.y), visible);
      if (!IsEmpty(s)) clip.push_back(s);
    }
  }
  if (w.style & WS_CLIPCHILDREN) {
    for (HWND c : w.children) {
      const TWnd* cw = WndOf(c);
      if (cw == nullptr || !(cw->style & WS_VISIBLE)) continue;
      clip = SubtractRect(clip, Offset(cw->rect, o.x, o.y));
    }
  }
  if ((w.style & WS_CLIPSIBLINGS) && w.parent != nullptr) {
    // Siblings above this one: those created before it.
    const TWnd* p = WndOf(w.parent);
    const POINT po = ClientOriginInSurface(*p);
    for (HWND s : p->children) {
      if (s == w.handle) break;
      const TWnd* sw = WndOf(s);
      if (sw == nullptr || !(sw->style & WS_VISIBLE)) continue;
      clip = SubtractRect(clip, Offset(sw->rect, po.x, po.y));
    }
  }
}

RECT BoundingBox(const std::vector<RECT>& rects) {
  if (rects.empty()) return {0, 0, 0, 0};
  RECT b = rects.front();
  for (const RECT& r : rects) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

}  // namespace

bool IsEmpty(const RECT& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (IsEmpty(r)) return {0, 0, 0, 0};
  return r;
}

RECT Offset(const RECT& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

std::vector<RECT> SubtractRect(const std::vector<RECT>& rects, const RECT& cut) {
  std::vector<RECT> out;
  for (const RECT& r : rects) {
    const RECT i = Intersect(r, cut);
    if (IsEmpty(i)) {
      if (!IsEmpty(r)) out.push_back(r);
      continue;
    }
    if (r.top < i.top) out.push_back({r.left, r.top, r.right, i.top});
    if (i.bottom < r.bottom) out.push_back({r.left, i.bottom, r.right, r.bottom});
    if (r.left < i.left) out.push_back({r.left, i.top, i.left, i.bottom});
    if (i.right < r.right) out.push_back({i.right, i.top, r.right, i.bottom});
  }
  return out;
}

void AddUpdate(TWnd& w, const RECT& rect, bool erase, bool allChildren) {
  if (!IsShownOnScreen(w)) return;
  const RECT r = Intersect(rect, ClientRectOf(w));
  if (IsEmpty(r)) return;
  std::vector<RECT> pieces{r};
  for (const RECT& have : w.update) pieces = SubtractRect(pieces, have);
  if (!pieces.empty()) NoteArrival();
  w.update.insert(w.update.end(), pieces.begin(), pieces.end());
  if (erase) w.erase = true;
  // Without WS_CLIPCHILDREN the parent paints under its children, which then paint again.
  if (allChildren || !(w.style & WS_CLIPCHILDREN)) {
    for (HWND c : w.children) {
      TWnd* cw = WndOf(c);
      if (cw == nullptr) continue;
      const RECT part = Intersect(r, cw->rect);
      if (!IsEmpty(part)) {
        AddUpdate(*cw, Offset(part, -cw->rect.left, -cw->rect.top), erase, allChildren);
      }
    }
  }
}

bool NeedsPaint(const TWnd& w) {
  return (!w.update.empty() || w.nonClientDirty) && IsShownOnScreen(w);
}

void InvalidateNonClient(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr || w->nonClientTop <= 0 || !IsShownOnScreen(*w)) return;
  if (!w->nonClientDirty) NoteArrival();
  w->nonClientDirty = true;
}

void ForgetPaint(HWND hwnd) {
  auto& uses = DcUses();
  for (std::size_t i = 0; i < uses.size();) {
    if (uses[i].hwnd == hwnd) {
      ReleaseSurfaceDC(uses[i].dc);
      uses[i] = uses.back();
      uses.pop_back();
    } else {
      ++i;
    }
  }
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (hwnd == nullptr) {
    // The whole screen: every window.
    for (HWND h : platform::TopLevelWindows()) InvalidateRect(h, nullptr, erase);
    return TRUE;
  }
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  platform::AddUpdate(*w, rect ? *rect : platform::ClientRectOf(*w), erase != FALSE, false);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  if (rect == nullptr) {
    w->update.clear();
  } else {
    w->update = platform::SubtractRect(w->update, *rect);
  }
  if (w->update.empty()) w->erase = false;
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  const RECT box = platform::BoundingBox(w->update);
  if (rect != nullptr) *rect = box;
  if (erase && w->erase && !w->update.empty()) {
    HDC dc = GetDC(hwnd);
    if (dc != nullptr) {
      const LRESULT erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      w = WndOf(hwnd);
      if (w != nullptr && erased) w->erase = false;
      ReleaseDC(hwnd, dc);
    }
  }
  return platform::IsEmpty(box) ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  if (platform::NeedsPaint(*w)) SendMessageA(hwnd, WM_PAINT, 0, 0);
  if ((w = WndOf(hwnd)) == nullptr) return TRUE;
  const std::vector<HWND> kids = w->children;
  for (HWND c : kids) {
    TWnd* cw = WndOf(c);
    if (cw != nullptr && (cw->style & WS_VISIBLE)) UpdateWindow(c);
  }
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  if (platform::RefuseThisCall(platform::TOperation::BeginPaint)) return nullptr;
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || ps == nullptr) return nullptr;
  if (w->nonClientDirty) {
    // The frame first: wParam 1 asks for the whole strip.
    w->nonClientDirty = false;
    SendMessageA(hwnd, WM_NCPAINT, 1, 0);
    if ((w = WndOf(hwnd)) == nullptr) return nullptr;
  }
  TWnd* top = WndOf(platform::TopLevelOf(hwnd));
  const std::vector<RECT> region = std::move(w->update);
  const bool erase = w->erase;
  w->update.clear();
  w->erase = false;
  std::vector<RECT> clip;
  platform::ClipFor(*w, &region, clip);
  const POINT origin = platform::ClientOriginInSurface(*w);
  HDC dc = platform::CreateSurfaceDC(*top->surface, origin, clip);
  if (dc == nullptr) {
    // Keep the region so a later WM_PAINT can try again.
    w->update = region;
    w->erase = erase;
    return nullptr;
  }
  platform::AddUse(dc, hwnd, platform::DcKind::Paint);
  *ps = PAINTSTRUCT{};
  ps->hdc = dc;
  ps->rcPaint = platform::Offset(platform::BoundingBox(clip), -origin.x, -origin.y);
  if (clip.empty()) ps->rcPaint = {0, 0, 0, 0};
  if (erase) {
    // fErase tells the application that the background still needs erasing.
    ps->fErase =
        clip.empty()
            ? TRUE
            : (SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE);
  }
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps == nullptr) return FALSE;
  if (!platform::TakeUse(ps->hdc, hwnd, platform::DcKind::Paint)) return FALSE;
  platform::ReleaseSurfaceDC(ps->hdc);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  if (platform::RefuseThisCall(platform::TOperation::GetDC)) return nullptr;
  if (hwnd == nullptr) {
    HDC dc = platform::CreateSurfaceDC(platform::ScreenSurface(), {0, 0}, {});
    platform::AddUse(dc, nullptr, platform::DcKind::Client);
    return dc;
  }
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return nullptr;
  TWnd* top = WndOf(platform::TopLevelOf(hwnd));
  // Kept from call to call (the context copies it): a tick's context costs no allocation.
  static std::vector<RECT> clip;
  platform::ClipFor(*w, nullptr, clip);
  HDC dc = platform::CreateSurfaceDC(*top->surface, platform::ClientOriginInSurface(*w), clip);
  platform::AddUse(dc, hwnd, platform::DcKind::Client);
  return dc;
}

HDC GetWindowDC(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr) return nullptr;
  const RECT all{0, 0, w->surface->Width(), w->surface->Height()};
  HDC dc = platform::CreateSurfaceDC(*w->surface, {0, 0}, {all});
  platform::AddUse(dc, hwnd, platform::DcKind::Client);
  return dc;
}

int ReleaseDC(HWND hwnd, HDC dc) {
  // The platform ignores the window for common contexts; a mismatch is still a caller bug.
  if (!platform::TakeUse(dc, hwnd, platform::DcKind::Client)) return 0;
  platform::ReleaseSurfaceDC(dc);
  return 1;
}
