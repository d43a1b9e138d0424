// Sending messages and the default window procedure.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/resources/cursor_icon.h"
#include "platform/resources/resources.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

const TMenuHooks* g_menuHooks = nullptr;

// The menu keys of any window go to its top-level window's menu.
void KeyMenu(HWND hwnd, LPARAM ch) {
  SendMessageA(TopLevelOf(hwnd), WM_SYSCOMMAND, SC_KEYMENU, ch);
}

LRESULT EraseBackground(HWND hwnd, HDC dc) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->cls->background == nullptr || dc == nullptr) return 0;
  const RECT all = ClientRectOf(*w);
  return FillRect(dc, &all, w->cls->background) ? 1 : 0;
}

LRESULT SetCursorDefault(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  TWnd* w = WndOf(hwnd);
  const auto hit = static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam)));
  const bool sizing = hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
  // A child lets its parent decide first.
  if (w->parent != nullptr && !sizing) {
    if (CallProc(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
  }
  if (hit == HTCLIENT) {
    TWnd* over = WndOf(reinterpret_cast<HWND>(wParam));
    if (over == nullptr) over = WndOf(hwnd);
    if (over == nullptr || over->cls->cursor == nullptr) return FALSE;
    SetCursor(over->cls->cursor);
    return TRUE;
  }
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return FALSE;
}

LRESULT HitTest(HWND hwnd, LPARAM lParam) {
  TWnd* w = WndOf(hwnd);
  const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const POINT o = ClientOriginOnScreen(*w);
  const RECT c = Offset(ClientRectOf(*w), o.x, o.y);
  if (p.x >= c.left && p.x < c.right && p.y >= c.top && p.y < c.bottom) return HTCLIENT;
  if (w->parent == nullptr && w->nonClientTop > 0) {
    const LONG top = c.top - w->nonClientTop;
    if (p.x >= c.left && p.x < c.right && p.y >= top && p.y < c.top) return HTMENU;
  }
  return HTNOWHERE;
}

LRESULT SysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  switch (wParam & 0xFFF0) {
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_RESTORE:
      // A maximised window is restored by its desktop, which then tells.
      if (TWnd* w = WndOf(hwnd); w != nullptr && (w->style & WS_MAXIMIZE) && w->host != 0) {
        CurrentHost().Show(w->host, HostShow::Normal);
      } else {
        ShowWindow(hwnd, SW_RESTORE);
      }
      return 0;
    case SC_MAXIMIZE:
      // The program cannot maximise a window itself; its desktop can, and tells.
      if (TWnd* w = WndOf(hwnd); w != nullptr && (w->style & WS_MAXIMIZEBOX) && w->host != 0) {
        CurrentHost().Show(w->host, HostShow::Maximized);
      }
      return 0;
    case SC_MOVE:
    case SC_SIZE:
      if (TWnd* w = WndOf(hwnd); w != nullptr && w->host != 0) {
        CurrentHost().BeginMoveOrSize(w->host, (wParam & 0xFFF0) == SC_SIZE);
      }
      return 0;
    case SC_MOUSEMENU:
      if (g_menuHooks != nullptr && g_menuHooks->systemMenu != nullptr) {
        g_menuHooks->systemMenu(hwnd);
      }
      return 0;
    case SC_KEYMENU:
      if (g_menuHooks != nullptr) g_menuHooks->keyMenu(hwnd, static_cast<char>(lParam));
      return 0;
    case SC_CLOSE: {
      TWnd* w = WndOf(hwnd);
      if (w != nullptr && !(w->cls->style & CS_NOCLOSE)) SendMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace

void InstallMenuHooks(const TMenuHooks* hooks) {
  g_menuHooks = hooks;
}

const TMenuHooks* MenuHooks() {
  return g_menuHooks;
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return platform::CallProc(hwnd, msg, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) return 0;
  return proc(hwnd, msg, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return platform::EraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_SETCURSOR:
      return platform::SetCursorDefault(hwnd, wParam, lParam);
    case WM_NCHITTEST:
      return platform::HitTest(hwnd, lParam);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SYSCOMMAND:
      return platform::SysCommand(hwnd, wParam, lParam);
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(hwnd);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top-level window; F10 selects its menu bar.
      if (wParam == VK_F4 && (HIWORD(static_cast<std::uintptr_t>(lParam)) & 0x2000)) {
        PostMessageA(platform::TopLevelOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
      } else if (wParam == VK_F10) {
        platform::KeyMenu(hwnd, 0);
      }
      return 0;
    case WM_SYSKEYUP:
      // Alt pressed and released with nothing in between selects the menu bar.
      if (wParam == VK_MENU && platform::TakeAltTap()) platform::KeyMenu(hwnd, 0);
      return 0;
    case WM_SYSCHAR:
      // Alt+letter: the menu bar's item with that mnemonic.
      if (lParam & (LPARAM{1} << 29)) platform::KeyMenu(hwnd, static_cast<LPARAM>(wParam));
      return 0;
    case WM_NCPAINT:
      if (w->parent == nullptr && w->menu != nullptr && platform::g_menuHooks != nullptr) {
        platform::g_menuHooks->paintBar(hwnd);
      }
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wParam == static_cast<WPARAM>(HTMENU) && platform::g_menuHooks != nullptr) {
        platform::g_menuHooks->trackBar(platform::TopLevelOf(hwnd),
                                        POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      w->text = text ? text : "";
      if (w->parent == nullptr && w->host != 0) platform::CurrentHost().SetTitle(w->host, w->text);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* out = reinterpret_cast<char*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      const std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
      std::memcpy(out, w->text.data(), n);
      out[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(w->icon ? w->icon : w->cls->icon);
    case WM_SETICON: {
      // One icon serves both sizes here.
      const HICON old = w->icon;
      const HICON icon = reinterpret_cast<HICON>(lParam);
      w->icon = icon;
      if (w->parent == nullptr && w->host != 0) {
        const platform::CursorShape* shape = platform::IconShapeOf(icon);
        if (shape != nullptr) platform::CurrentHost().SetIcon(w->host, *shape);
      }
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(w->icon ? w->icon : w->cls->icon);
    default:
      return 0;
  }
}
