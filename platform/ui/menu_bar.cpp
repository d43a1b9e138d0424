// How menus look: the menu bar in a window's non-client strip and the popup windows,
// laid out in the dialog font and painted through the classic look.
#include <algorithm>

#include "platform/faults.h"
#include "platform/gdi/gdi.h"
#include "platform/resources/resources.h"
#include "platform/ui/look.h"
#include "platform/ui/menu_internal.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

constexpr int kBarPad = 6;       // blank on each side of a bar item's text
constexpr int kBarItemTop = 1;   // a bar item's highlight leaves a pixel above and below
constexpr int kItemHeight = 17;  // a popup row: the 13-pixel text cell and 2 above and below
constexpr int kSeparatorHeight = 9;
constexpr int kCheckColumn = 18;  // left of a popup item's text: room for a check mark
constexpr int kArrowColumn = 18;  // right of it: room for a submenu's arrow
constexpr const char* kPopupClass = "#32768";

bool IsSeparator(const TMenuItem& it) {
  return (it.flags & MF_SEPARATOR) != 0;
}

int TextWidth(const std::string& text) {
  return look::MnemonicTextSize(text.c_str()).cx;
}

// What a popup window remembers.
struct TPopupState {
  HMENU menu = nullptr;
  int selected = -1;
};

TPopupState* StateOf(HWND popup) {
  return reinterpret_cast<TPopupState*>(GetWindowLongPtrA(popup, GWLP_USERDATA));
}

void FillSys(HDC dc, const RECT& r, int color) {
  look::FillColor(dc, r, color);
}

// A check mark, 7 by 7, its lower-left corner a pixel left of `x`.
void DrawCheck(HDC dc, int x, int y, COLORREF color) {
  static constexpr int kRows[7] = {0x40, 0x60, 0x71, 0x3B, 0x1F, 0x0E, 0x04};
  for (int row = 0; row < 7; ++row) {
    for (int col = 0; col < 7; ++col) {
      if (kRows[row] & (1 << col)) SetPixel(dc, x + col, y + row, color);
    }
  }
}

// The triangle pointing right that marks an item opening a submenu.
void DrawSubmenuArrow(HDC dc, int x, int y, COLORREF color) {
  for (int col = 0; col < 4; ++col) {
    for (int row = col; row < 7 - col; ++row) SetPixel(dc, x + col, y + row, color);
  }
}

void PaintPopup(HWND hwnd, HDC dc) {
  const TPopupState* st = StateOf(hwnd);
  const TMenu* m = st != nullptr ? MenuOf(st->menu) : nullptr;
  RECT all{};
  GetClientRect(hwnd, &all);
  const RECT inside = look::DrawEdge(dc, all, look::Edge::Raised);
  FillSys(dc, inside, COLOR_MENU);
  if (m == nullptr) return;
  for (std::size_t i = 0; i < m->items.size(); ++i) {
    const TMenuItem& it = m->items[i];
    const RECT r = PopupItemRect(st->menu, static_cast<int>(i));
    if (IsSeparator(it)) {
      look::DrawMenuSeparator(dc, {r.left + 1, r.top, r.right - 1, r.bottom});
      continue;
    }
    const bool hot = static_cast<int>(i) == st->selected;
    const bool grayed = !Choosable(it);
    look::DrawMenuItem(dc, r, r.left + kCheckColumn, it.text.c_str(), hot, grayed);
    const COLORREF mark =
        GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : (grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    const int markY = r.top + (kItemHeight - 7) / 2;
    if (it.flags & MF_CHECKED) DrawCheck(dc, r.left + 6, markY, mark);
    if (it.flags & MF_POPUP) DrawSubmenuArrow(dc, r.right - 10, markY, mark);
  }
}

LRESULT CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_MOUSEACTIVATE:
      return 3;  // MA_NOACTIVATE: a menu never takes activation from its owner
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (HDC dc = BeginPaint(hwnd, &ps)) {
        PaintPopup(hwnd, dc);
        EndPaint(hwnd, &ps);
      }
      return 0;
    }
    case WM_NCDESTROY:
      delete StateOf(hwnd);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

bool RegisterPopupClass() {
  WNDCLASSA wc{};
  if (GetClassInfoA(nullptr, kPopupClass, &wc)) return true;
  wc = WNDCLASSA{
      CS_SAVEBITS, PopupProc, 0,          0, nullptr, nullptr, LoadCursorA(nullptr, IDC_ARROW),
      nullptr,     nullptr,   kPopupClass};
  const TPlatformCalls own;  // not the program's registration
  return RegisterClassA(&wc) != 0;
}

}  // namespace

std::vector<RECT> BarLayout(HMENU bar, int width) {
  std::vector<RECT> out;
  const TMenu* m = MenuOf(bar);
  if (m == nullptr) return out;
  const int bottom = GetSystemMetrics(SM_CYMENU) - kBarItemTop;
  int x = 0;
  for (const TMenuItem& it : m->items) {
    // One row only: items that do not fit are cut off at the window's edge.
    const int w = IsSeparator(it) ? 0 : TextWidth(it.text) + 2 * kBarPad;
    out.push_back({x, kBarItemTop, std::min(x + w, std::max(width, x)), bottom});
    x += w;
  }
  return out;
}

int BarItemAt(HWND frame, POINT p) {
  const TWnd* w = WndOf(frame);
  if (w == nullptr || w->parent != nullptr || w->nonClientTop <= 0 || !w->surface) return -1;
  const int sx = p.x - (w->rect.left + w->insets.left);
  const int sy = p.y - (w->rect.top + w->insets.top);
  if (sy < 0 || sy >= w->nonClientTop) return -1;
  const std::vector<RECT> items = BarLayout(w->menu, w->surface->Width());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const RECT& r = items[i];
    // The whole strip's height counts, not just the highlight.
    if (sx >= r.left && sx < r.right && r.right > r.left) return static_cast<int>(i);
  }
  return -1;
}

RECT BarItemOnScreen(HWND frame, int index) {
  const TWnd* w = WndOf(frame);
  if (w == nullptr || !w->surface) return {};
  const std::vector<RECT> items = BarLayout(w->menu, w->surface->Width());
  if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return {};
  const int ox = w->rect.left + w->insets.left;
  const int oy = w->rect.top + w->insets.top;
  const RECT& r = items[static_cast<std::size_t>(index)];
  return {ox + r.left, oy, ox + r.right, oy + w->nonClientTop};
}

void PaintBar(HWND frame, int selected) {
  const TWnd* w = WndOf(frame);
  if (w == nullptr || w->nonClientTop <= 0 || !IsShownOnScreen(*w)) return;
  HDC dc = GetWindowDC(frame);
  if (dc == nullptr) return;
  const int width = w->surface->Width();
  FillSys(dc, {0, 0, width, w->nonClientTop}, COLOR_MENU);
  if (const TMenu* m = MenuOf(w->menu)) {
    const std::vector<RECT> items = BarLayout(w->menu, width);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const TMenuItem& it = m->items[i];
      if (IsSeparator(it)) continue;
      look::DrawMenuItem(dc, items[i], items[i].left + kBarPad, it.text.c_str(),
                         static_cast<int>(i) == selected, !Choosable(it));
    }
  }
  ReleaseDC(frame, dc);
}

SIZE PopupSize(HMENU menu) {
  const TMenu* m = MenuOf(menu);
  if (m == nullptr) return {0, 0};
  int text = 0;
  int height = 0;
  for (const TMenuItem& it : m->items) {
    if (IsSeparator(it)) {
      height += kSeparatorHeight;
    } else {
      text = std::max(text, TextWidth(it.text));
      height += kItemHeight;
    }
  }
  return {2 * kPopupFrame + kCheckColumn + text + kArrowColumn, 2 * kPopupFrame + height};
}

RECT PopupItemRect(HMENU menu, int index) {
  const TMenu* m = MenuOf(menu);
  if (m == nullptr || index < 0 || static_cast<std::size_t>(index) >= m->items.size()) return {};
  const SIZE size = PopupSize(menu);
  int y = kPopupFrame;
  for (int i = 0; i < index; ++i) {
    y += IsSeparator(m->items[static_cast<std::size_t>(i)]) ? kSeparatorHeight : kItemHeight;
  }
  const int h =
      IsSeparator(m->items[static_cast<std::size_t>(index)]) ? kSeparatorHeight : kItemHeight;
  return {kPopupFrame, y, size.cx - kPopupFrame, y + h};
}

int PopupItemAt(HMENU menu, POINT p) {
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    const RECT r = PopupItemRect(menu, i);
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return i;
  }
  return -1;
}

HWND CreatePopupWindow(HWND owner, HMENU menu, POINT at) {
  if (!RegisterPopupClass()) return nullptr;
  const SIZE size = PopupSize(menu);
  const HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kPopupClass, "", WS_POPUP,
                                    at.x, at.y, size.cx, size.cy, owner, nullptr, nullptr, nullptr);
  if (hwnd == nullptr) return nullptr;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TPopupState{menu, -1}));
  return hwnd;
}

void SetPopupSelection(HWND popup, int index) {
  TPopupState* st = StateOf(popup);
  if (st == nullptr || st->selected == index) return;
  for (int i : {st->selected, index}) {
    if (i < 0) continue;
    const RECT r = PopupItemRect(st->menu, i);
    InvalidateRect(popup, &r, FALSE);
  }
  st->selected = index;
}

int PopupSelection(HWND popup) {
  const TPopupState* st = StateOf(popup);
  return st != nullptr ? st->selected : -1;
}

HMENU PopupMenuOf(HWND popup) {
  const TPopupState* st = StateOf(popup);
  return st != nullptr ? st->menu : nullptr;
}

}  // namespace platform
