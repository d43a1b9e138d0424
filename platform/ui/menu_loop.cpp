// Menu mode: a nested loop that takes the mouse and the keys while a menu bar item is
// selected or its popups are open, and dispatches everything else (timers, paints) as
// usual. The choice reaches the window as a posted WM_COMMAND once the menu is closed.
#include <algorithm>
#include <cctype>

#include "platform/resources/resources.h"
#include "platform/ui/look.h"
#include "platform/ui/menu_internal.h"
#include "platform/ui/modal_loop.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

struct TTracker {
  HWND frame = nullptr;
  HMENU bar = nullptr;
  int barSel = -1;
  std::vector<HWND> popups;  // open popups, the bar's first
  bool done = false;
  bool chose = false;
  UINT command = 0;
  bool pressed = false;        // a mouse button is down
  bool showPopups = false;     // moving along the bar opens each item's popup
  bool enteredPopup = false;   // the pointer has been over a popup since the press
  bool altDown = false;        // Alt went down in menu mode: its release leaves
  bool startedActive = false;  // losing activation then ends menu mode
  bool system = false;         // the system menu: a popup of its own, no bar
  POINT systemAt{};            // where it opens
  ModalLoop loop;
};

TTracker* g_tracker = nullptr;

const TMenuItem* ItemOf(HMENU menu, int index) {
  const TMenu* m = MenuOf(menu);
  if (m == nullptr || index < 0 || static_cast<std::size_t>(index) >= m->items.size()) {
    return nullptr;
  }
  return &m->items[static_cast<std::size_t>(index)];
}

bool Alive(const TTracker& t) {
  return !t.done && IsWindow(t.frame) && (t.system || MenuOf(t.bar) != nullptr);
}

void Finish(TTracker& t) {
  t.done = true;
}

void Choose(TTracker& t, const TMenuItem& item) {
  t.chose = true;
  t.command = item.id;
  t.done = true;
}

void ClosePopupsFrom(TTracker& t, std::size_t level) {
  while (t.popups.size() > level) {
    const HWND p = t.popups.back();
    t.popups.pop_back();
    DestroyWindow(p);
  }
  t.loop.idleSource = t.popups.empty() ? nullptr : t.popups.back();
}

// Keeps a popup of size `size` on the work area of the frame's monitor; `flip` is where
// it goes when there is no room below or to the right.
POINT FitOnScreen(HWND frame, POINT at, SIZE size, LONG flipX, LONG flipY) {
  const HostRect wa = WorkAreaOf(frame);
  if (at.x + size.cx > wa.x + wa.width) at.x = flipX;
  if (at.y + size.cy > wa.y + wa.height) at.y = flipY;
  at.x = std::max<LONG>(std::min<LONG>(at.x, wa.x + wa.width - size.cx), wa.x);
  at.y = std::max<LONG>(std::min<LONG>(at.y, wa.y + wa.height - size.cy), wa.y);
  return at;
}

// The first item of the menu that a keyboard can land on, from `from` in `step`s.
int NextSelectable(HMENU menu, int from, int step) {
  const int n = GetMenuItemCount(menu);
  if (n <= 0) return -1;
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = ((i + step) % n + n) % n;
    const TMenuItem* it = ItemOf(menu, i);
    if (it != nullptr && !(it->flags & MF_SEPARATOR)) return i;
  }
  return -1;
}

// Opens `menu` (item `index` of the level below it) as the next popup level.
void OpenPopup(TTracker& t, HMENU menu, int index, bool selectFirst) {
  SendMessageA(t.frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
               MAKELPARAM(static_cast<WORD>(index), t.system && t.popups.empty() ? TRUE : FALSE));
  if (!Alive(t) || MenuOf(menu) == nullptr || GetMenuItemCount(menu) <= 0) return;
  const SIZE size = PopupSize(menu);
  POINT at{};
  LONG flipX = 0;
  LONG flipY = 0;
  if (t.popups.empty() && t.system) {
    at = t.systemAt;
    flipX = at.x;
    flipY = at.y - size.cy;
  } else if (t.popups.empty()) {
    const RECT r = BarItemOnScreen(t.frame, index);
    at = {r.left, r.bottom};
    flipX = at.x;  // pushed left just enough
    flipY = r.top - size.cy;
  } else {
    const HWND parent = t.popups.back();
    RECT pr{};
    GetWindowRect(parent, &pr);
    const RECT ir = PopupItemRect(PopupMenuOf(parent), index);
    at = {pr.right - kPopupFrame, pr.top + ir.top - kPopupFrame};
    flipX = pr.left - size.cx + kPopupFrame;
    flipY = at.y;
  }
  at = FitOnScreen(t.frame, at, size, flipX, flipY);
  const HWND popup = CreatePopupWindow(t.frame, menu, at);
  if (popup == nullptr) return;
  t.popups.push_back(popup);
  t.showPopups = true;
  t.loop.idleSource = popup;
  if (selectFirst) SetPopupSelection(popup, NextSelectable(menu, -1, 1));
  ShowWindow(popup, SW_SHOWNA);
  UpdateWindow(popup);
}

// Selects bar item `index`, opening its popup when asked.
void SelectBar(TTracker& t, int index, bool open, bool selectFirst) {
  const TMenuItem* item = ItemOf(t.bar, index);
  if (item == nullptr) return;
  const bool hasPopup = (item->flags & MF_POPUP) != 0;
  if (index == t.barSel && (!open || !hasPopup || !t.popups.empty())) return;
  ClosePopupsFrom(t, 0);
  t.barSel = index;
  PaintBar(t.frame, index);
  if (open && hasPopup) OpenPopup(t, item->popup, index, selectFirst);
}

void MoveOnBar(TTracker& t, int step) {
  const int next = NextSelectable(t.bar, t.barSel, step);
  if (next < 0) return;
  SelectBar(t, next, t.showPopups, true);
}

// Opens the submenu of the innermost popup's selected item, if it has one.
bool OpenSelectedSubmenu(TTracker& t, bool selectFirst) {
  if (t.popups.empty()) return false;
  const HWND p = t.popups.back();
  const int sel = PopupSelection(p);
  const TMenuItem* it = ItemOf(PopupMenuOf(p), sel);
  if (it == nullptr || !(it->flags & MF_POPUP)) return false;
  OpenPopup(t, it->popup, sel, selectFirst);
  return true;
}

// Enter or a mnemonic on item `index` of the innermost level (the bar when none is open).
void Activate(TTracker& t, int index) {
  if (t.popups.empty()) {
    const TMenuItem* it = ItemOf(t.bar, index);
    if (it == nullptr) return;
    if (it->flags & MF_POPUP) {
      SelectBar(t, index, true, true);
    } else if (Choosable(*it)) {
      Choose(t, *it);
    } else {
      SelectBar(t, index, false, false);
    }
    return;
  }
  const HWND p = t.popups.back();
  const TMenuItem* it = ItemOf(PopupMenuOf(p), index);
  if (it == nullptr) return;
  SetPopupSelection(p, index);
  if (it->flags & MF_POPUP) {
    OpenSelectedSubmenu(t, true);
  } else if (Choosable(*it)) {
    Choose(t, *it);
  }
}

void Mnemonic(TTracker& t, char typed) {
  const char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(typed)));
  const HMENU menu = t.popups.empty() ? t.bar : PopupMenuOf(t.popups.back());
  const int current = t.popups.empty() ? t.barSel : PopupSelection(t.popups.back());
  const int n = GetMenuItemCount(menu);
  std::vector<int> matches;
  for (int i = 0; i < n; ++i) {
    const TMenuItem* it = ItemOf(menu, i);
    if (!(it->flags & MF_SEPARATOR) && look::MnemonicOf(it->text.c_str()) == ch) {
      matches.push_back(i);
    }
  }
  if (matches.empty()) return;
  if (matches.size() == 1) {
    Activate(t, matches.front());
    return;
  }
  // Several items share the letter: each press selects the next of them.
  auto next = std::upper_bound(matches.begin(), matches.end(), current);
  const int pick = next == matches.end() ? matches.front() : *next;
  if (t.popups.empty()) {
    SelectBar(t, pick, false, false);
  } else {
    SetPopupSelection(t.popups.back(), pick);
  }
}

void KeyDown(TTracker& t, const MSG& msg) {
  const bool repeat = (msg.lParam & (LPARAM{1} << 30)) != 0;
  switch (msg.wParam) {
    case VK_MENU:
      if (!repeat) t.altDown = true;
      return;
    case VK_F10:
      Finish(t);
      return;
    case VK_ESCAPE:
      // One level back: a popup closes, leaving its bar item selected.
      if (t.popups.empty() || (t.system && t.popups.size() == 1)) {
        Finish(t);
      } else {
        ClosePopupsFrom(t, t.popups.size() - 1);
        if (t.popups.empty()) t.showPopups = false;
      }
      return;
    case VK_LEFT:
      if (t.popups.size() > 1) {
        ClosePopupsFrom(t, t.popups.size() - 1);
      } else if (!t.system) {
        MoveOnBar(t, -1);
      }
      return;
    case VK_RIGHT:
      if (!OpenSelectedSubmenu(t, true) && !t.system) MoveOnBar(t, 1);
      return;
    case VK_UP:
    case VK_DOWN: {
      const int step = msg.wParam == VK_DOWN ? 1 : -1;
      if (t.popups.empty()) {
        if (const TMenuItem* it = ItemOf(t.bar, t.barSel); it && (it->flags & MF_POPUP)) {
          OpenPopup(t, it->popup, t.barSel, true);
        }
      } else {
        const HWND p = t.popups.back();
        SetPopupSelection(p, NextSelectable(PopupMenuOf(p), PopupSelection(p), step));
      }
      return;
    }
    case VK_RETURN:
      Activate(t, t.popups.empty() ? t.barSel : PopupSelection(t.popups.back()));
      return;
    default:
      // Other keys may type a mnemonic: their characters come next.
      TranslateMessage(&msg);
      return;
  }
}

// Where screen point `p` is: a popup level and its item, the bar (level -1), or neither.
struct THit {
  int level = -2;  // -2: outside every menu
  int item = -1;
};

THit HitAt(const TTracker& t, POINT p) {
  for (std::size_t i = t.popups.size(); i-- > 0;) {
    RECT r{};
    GetWindowRect(t.popups[i], &r);
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
      const POINT local{p.x - r.left, p.y - r.top};
      return {static_cast<int>(i), PopupItemAt(PopupMenuOf(t.popups[i]), local)};
    }
  }
  const int b = t.system ? -1 : BarItemAt(t.frame, p);
  if (b >= 0) return {-1, b};
  return {};
}

// The pointer is over popup `level`'s item `index`.
void HoverPopup(TTracker& t, std::size_t level, int index) {
  t.enteredPopup = true;
  const HWND p = t.popups[level];
  const HMENU menu = PopupMenuOf(p);
  const TMenuItem* it = ItemOf(menu, index);
  if (it != nullptr && (it->flags & MF_SEPARATOR)) index = -1;
  SetPopupSelection(p, index);
  const bool opensNext = it != nullptr && (it->flags & MF_POPUP) && t.popups.size() > level + 1 &&
                         PopupMenuOf(t.popups[level + 1]) == it->popup;
  if (opensNext) return;
  ClosePopupsFrom(t, level + 1);
  if (it != nullptr && (it->flags & MF_POPUP)) OpenPopup(t, it->popup, index, false);
}

void Pointer(TTracker& t, UINT message, POINT p) {
  const bool down = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ||
                    message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK;
  const bool up = message == WM_LBUTTONUP || message == WM_RBUTTONUP;
  const bool move = message == WM_MOUSEMOVE;
  if (!down && !up && !move) return;
  const THit hit = HitAt(t, p);
  if (down) {
    t.pressed = true;
    t.enteredPopup = false;
  }
  if (hit.level >= 0) {
    if (up) {
      t.pressed = false;
      const TMenuItem* it =
          ItemOf(PopupMenuOf(t.popups[static_cast<std::size_t>(hit.level)]), hit.item);
      if (it != nullptr && !(it->flags & MF_POPUP) && Choosable(*it)) Choose(t, *it);
      return;
    }
    HoverPopup(t, static_cast<std::size_t>(hit.level), hit.item);
    return;
  }
  if (hit.level == -1) {
    const TMenuItem* it = ItemOf(t.bar, hit.item);
    if (down) {
      // A press on the item whose popup is open closes the menu.
      if (hit.item == t.barSel && !t.popups.empty()) {
        Finish(t);
      } else {
        SelectBar(t, hit.item, true, false);
      }
    } else if (up) {
      t.pressed = false;
      // A bar command acts at the release over it; a bar popup stays open.
      if (hit.item == t.barSel && it != nullptr && !(it->flags & MF_POPUP)) {
        if (Choosable(*it)) {
          Choose(t, *it);
        } else {
          Finish(t);
        }
      }
    } else if (hit.item != t.barSel && (t.pressed || t.showPopups)) {
      SelectBar(t, hit.item, true, false);
    }
    return;
  }
  // Outside every menu.
  if (down) {
    Finish(t);
  } else if (up) {
    t.pressed = false;
    if (t.enteredPopup) Finish(t);
  } else if (!t.popups.empty()) {
    const HWND last = t.popups.back();
    const TMenuItem* it = ItemOf(PopupMenuOf(last), PopupSelection(last));
    if (it == nullptr || !(it->flags & MF_POPUP)) SetPopupSelection(last, -1);
  }
}

bool IsPointerMessage(UINT m) {
  return (m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK) || (m >= WM_NCMOUSEMOVE && m <= 0x00A9);
}

bool IsKeyMessage(UINT m) {
  return m >= WM_KEYDOWN && m <= 0x0109;
}

bool Filter(void* context, MSG& msg) {
  TTracker& t = *static_cast<TTracker*>(context);
  if (IsPointerMessage(msg.message)) {
    UINT m = msg.message;
    if (m >= WM_NCMOUSEMOVE && m <= 0x00A9) m = m - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
    Pointer(t, m, msg.pt);
    return true;
  }
  if (!IsKeyMessage(msg.message)) return false;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (msg.wParam != VK_MENU) t.altDown = false;
      KeyDown(t, msg);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      // Alt pressed and released in menu mode leaves it, as it entered.
      if (msg.wParam == VK_MENU && t.altDown) Finish(t);
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      Mnemonic(t, static_cast<char>(msg.wParam));
      break;
    default:
      break;
  }
  return true;
}

bool Done(void* context) {
  const TTracker& t = *static_cast<const TTracker*>(context);
  if (!Alive(t) || IsIconic(t.frame) || !IsWindowEnabled(t.frame)) return true;
  // Another window took the mouse, or the frame lost activation.
  if (GetCapture() != t.frame) return true;
  return t.startedActive && GetActiveWindow() != t.frame;
}

// The tracker's loop on `frame` set up and menu mode entered; the bar's and the system
// menu's loops both start here.
void EnterMode(TTracker& t, HWND frame) {
  t.frame = frame;
  t.startedActive = GetActiveWindow() == frame;
  t.loop.done = Done;
  t.loop.filter = Filter;
  t.loop.context = &t;
  t.loop.idleOwner = frame;
  t.loop.idleReason = MSGF_MENU;
  g_tracker = &t;
  SendMessageA(frame, WM_ENTERMENULOOP, FALSE, 0);
}

// Enters menu mode on `frame`; false when it cannot.
bool Begin(TTracker& t, HWND frame) {
  t.bar = GetMenu(frame);
  if (MenuOf(t.bar) == nullptr || GetMenuItemCount(t.bar) <= 0 || IsIconic(frame)) return false;
  EnterMode(t, frame);
  if (Alive(t)) SendMessageA(frame, WM_INITMENU, reinterpret_cast<WPARAM>(t.bar), 0);
  if (!Alive(t)) return true;
  SetCapture(frame);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return true;
}

// Leaves menu mode however its scope ends, an exception from a window procedure
// included: no popup, capture or tracker outlives it.
struct TModeGuard {
  TTracker& t;
  ~TModeGuard() {
    if (g_tracker != &t) return;
    g_tracker = nullptr;
    ClosePopupsFrom(t, 0);
    if (IsWindow(t.frame) && GetCapture() == t.frame) ReleaseCapture();
  }
};

// Runs the loop until the menu closes, then cleans up and delivers the choice.
void Run(TTracker& t) {
  if (!t.done) RunModalLoop(t.loop);
  ClosePopupsFrom(t, 0);
  g_tracker = nullptr;
  if (!IsWindow(t.frame)) return;
  if (GetCapture() == t.frame) ReleaseCapture();
  PaintBar(t.frame, -1);
  SendMessageA(t.frame, WM_EXITMENULOOP, FALSE, 0);
  if (t.chose && IsWindow(t.frame)) {
    if (t.system) {
      PostMessageA(t.frame, WM_SYSCOMMAND, t.command, 0);
    } else {
      PostMessageA(t.frame, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(t.command), 0), 0);
    }
  }
}

}  // namespace

void TrackMenuBar(HWND frame, POINT p) {
  if (g_tracker != nullptr) return;
  const int index = BarItemAt(frame, p);
  if (index < 0) return;
  TTracker t;
  TModeGuard guard{t};
  if (!Begin(t, frame)) return;
  t.pressed = true;
  if (Alive(t)) SelectBar(t, index, true, false);
  Run(t);
}

void KeyMenu(HWND frame, char ch) {
  if (g_tracker != nullptr) return;
  int index = -1;
  if (ch == 0) {
    index = NextSelectable(GetMenu(frame), -1, 1);
  } else {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const int n = GetMenuItemCount(GetMenu(frame));
    for (int i = 0; i < n && index < 0; ++i) {
      const TMenuItem* it = ItemOf(GetMenu(frame), i);
      if (!(it->flags & MF_SEPARATOR) && look::MnemonicOf(it->text.c_str()) == lower) index = i;
    }
  }
  if (index < 0) return;
  TTracker t;
  TModeGuard guard{t};
  if (!Begin(t, frame)) return;
  if (ch == 0) {
    if (Alive(t)) SelectBar(t, index, false, false);
  } else if (Alive(t)) {
    Activate(t, index);
  }
  Run(t);
}

void TrackSystemMenu(HWND frame) {
  TWnd* w = WndOf(frame);
  if (g_tracker != nullptr || w == nullptr || w->parent != nullptr || !IsWindowEnabled(frame)) {
    return;
  }
  const DWORD style = w->style;
  const bool maximized = (style & WS_MAXIMIZE) != 0;
  const bool minimized = (style & WS_MINIMIZE) != 0;
  const bool sized = (style & WS_THICKFRAME) != 0;
  const auto grey = [](bool applies) { return applies ? MF_STRING : MF_STRING | MF_GRAYED; };
  const HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  struct TOwned {
    HMENU menu;
    ~TOwned() { DestroyMenu(menu); }
  } const owned{menu};
  if (sized || (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
    AppendMenuA(menu, grey(maximized || minimized), SC_RESTORE, "&Restore");
    AppendMenuA(menu, grey(!maximized), SC_MOVE, "&Move");
    AppendMenuA(menu, grey(sized && !maximized && !minimized), SC_SIZE, "&Size");
    AppendMenuA(menu, grey((style & WS_MINIMIZEBOX) && !minimized), SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(menu, grey((style & WS_MAXIMIZEBOX) && !maximized), SC_MAXIMIZE, "Ma&ximize");
  } else {
    AppendMenuA(menu, MF_STRING, SC_MOVE, "&Move");
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, grey(!(w->cls->style & CS_NOCLOSE)), SC_CLOSE, "&Close");
  {
    TTracker t;
    TModeGuard guard{t};
    t.system = true;
    // Under the caption, at the surface's top left.
    t.systemAt = {w->rect.left + w->insets.left, w->rect.top + w->insets.top};
    EnterMode(t, frame);
    if (Alive(t)) {
      SetCapture(frame);
      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      OpenPopup(t, menu, 0, true);
      if (t.popups.empty()) Finish(t);
    }
    Run(t);
  }
}

int BarSelectionOf(HWND frame) {
  return g_tracker != nullptr && g_tracker->frame == frame ? g_tracker->barSel : -1;
}

}  // namespace platform

using platform::MenuOf;

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT pos, LPRECT rect) {
  if (rect == nullptr || MenuOf(menu) == nullptr || !IsWindow(hwnd)) return FALSE;
  if (pos >= static_cast<UINT>(GetMenuItemCount(menu))) return FALSE;
  const HWND top = platform::TopLevelOf(hwnd);
  if (menu == GetMenu(top)) {
    *rect = platform::BarItemOnScreen(top, static_cast<int>(pos));
    return TRUE;
  }
  const platform::TTracker* t = platform::g_tracker;
  if (t == nullptr || t->frame != top) return FALSE;
  for (HWND p : t->popups) {
    if (platform::PopupMenuOf(p) != menu) continue;
    RECT w{};
    GetWindowRect(p, &w);
    const RECT r = platform::PopupItemRect(menu, static_cast<int>(pos));
    *rect = {w.left + r.left, w.top + r.top, w.left + r.right, w.top + r.bottom};
    return TRUE;
  }
  return FALSE;
}
