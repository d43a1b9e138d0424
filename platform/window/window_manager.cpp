// Window classes, window records bound to handles, creation and destruction.
#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/faults.h"
#include "platform/resources/cursor_icon.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

// A default frame when the caller lets the platform choose the size.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

std::string Lower(const char* s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::map<std::string, std::unique_ptr<TWndClass>>& Classes() {
  static std::map<std::string, std::unique_ptr<TWndClass>> classes;
  return classes;
}

struct TRegistry {
  std::unordered_map<std::uintptr_t, std::unique_ptr<TWnd>> windows;
  std::vector<HWND> order;  // creation order
  std::vector<HWND> tops;   // top-level windows in creation order
  std::uintptr_t next = 0x10010;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
}

const TWndClass* FindClass(LPCSTR name) {
  if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
  auto it = Classes().find(Lower(name));
  static bool systemRegistered = false;
  if (it == Classes().end() && !systemRegistered) {
    // The system classes exist without the program registering them.
    systemRegistered = true;
    const TPlatformCalls own;
    RegisterSystemClasses();
    it = Classes().find(Lower(name));
  }
  return it == Classes().end() ? nullptr : it->second.get();
}

HWND NewHandle() {
  TRegistry& r = Registry();
  const std::uintptr_t v = r.next;
  r.next += 4;
  return reinterpret_cast<HWND>(v);
}

void Unregister(HWND hwnd) {
  TRegistry& r = Registry();
  r.order.erase(std::remove(r.order.begin(), r.order.end(), hwnd), r.order.end());
  r.tops.erase(std::remove(r.tops.begin(), r.tops.end(), hwnd), r.tops.end());
  r.windows.erase(reinterpret_cast<std::uintptr_t>(hwnd));
}

void AppendTree(HWND hwnd, std::vector<HWND>& out) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  out.push_back(hwnd);
  for (HWND c : w->children) AppendTree(c, out);
}

// Frees the window's own resources and its record after WM_NCDESTROY.
void Release(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  KillWindowTimers(hwnd);
  DropPostedFor(hwnd);
  ForgetPaint(hwnd);
  ForgetMouse(hwnd);
  ForgetFocus(hwnd);
  if (w->parent != nullptr) {
    if (TWnd* p = WndOf(w->parent)) {
      p->children.erase(std::remove(p->children.begin(), p->children.end(), hwnd),
                        p->children.end());
    }
  }
  if (w->host != 0) CurrentHost().DestroyWindow(w->host);
  Unregister(hwnd);
}

// WM_DESTROY goes to the window before its children; WM_NCDESTROY to the children first.
void SendDestroy(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  CallProc(hwnd, WM_DESTROY, 0, 0);
  w = WndOf(hwnd);
  if (w == nullptr) return;
  const std::vector<HWND> kids = w->children;
  for (HWND c : kids) {
    if (TWnd* cw = WndOf(c); cw != nullptr && !cw->destroying) {
      cw->destroying = true;
      SendDestroy(c);
    }
  }
}

void SendNcDestroy(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  const std::vector<HWND> kids = w->children;
  for (HWND c : kids) SendNcDestroy(c);
  CallProc(hwnd, WM_NCDESTROY, 0, 0);
  Release(hwnd);
}

}  // namespace

TWnd* WndOf(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  auto& ws = Registry().windows;
  auto it = ws.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == ws.end() ? nullptr : it->second.get();
}

std::size_t LiveWindowsForTesting() {
  return Registry().windows.size();
}

const std::vector<HWND>& TopLevels() {
  return Registry().tops;
}

std::vector<HWND> TopLevelWindows() {
  return Registry().tops;
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> out;
  for (HWND h : TopLevelWindows()) AppendTree(h, out);
  return out;
}

HWND TopLevelOf(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  while (w != nullptr && w->parent != nullptr) {
    hwnd = w->parent;
    w = WndOf(hwnd);
  }
  return w ? hwnd : nullptr;
}

HWND WindowOfHost(HostWindow host) {
  if (host == 0) return nullptr;
  for (HWND h : TopLevels()) {
    if (WndOf(h)->host == host) return h;
  }
  return nullptr;
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->proc == nullptr) return 0;
  return w->proc(hwnd, msg, wParam, lParam);
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (platform::RefuseThisCall(platform::TOperation::RegisterClassA)) return 0;
  if (wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      IS_INTRESOURCE(wc->lpszClassName) || wc->lpszClassName[0] == '\0') {
    return 0;
  }
  // Extra class bytes are not kept by this platform; extra window bytes are.
  constexpr int kMaxWndExtra = 256;
  if (wc->cbClsExtra != 0 || wc->cbWndExtra < 0 || wc->cbWndExtra > kMaxWndExtra) return 0;
  auto& classes = platform::Classes();
  const std::string key = platform::Lower(wc->lpszClassName);
  if (classes.count(key) != 0) return 0;
  auto c = std::make_unique<platform::TWndClass>();
  c->name = wc->lpszClassName;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  c->wndExtra = wc->cbWndExtra;
  if (wc->lpszMenuName != nullptr && !IS_INTRESOURCE(wc->lpszMenuName)) {
    c->menuName = wc->lpszMenuName;
  }
  classes.emplace(key, std::move(c));
  return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* wc) {
  const platform::TWndClass* c = platform::FindClass(className);
  if (c == nullptr || wc == nullptr) return FALSE;
  *wc = WNDCLASSA{c->style,  c->proc,       0,       c->wndExtra,    c->instance, c->icon,
                  c->cursor, c->background, nullptr, c->name.c_str()};
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  if (platform::RefuseThisCall(platform::TOperation::CreateWindowExA)) return nullptr;
  const platform::TWndClass* cls = platform::FindClass(className);
  if (cls == nullptr) return nullptr;
  const bool child = (style & WS_CHILD) != 0;
  TWnd* parentWnd = WndOf(parent);
  if (child && (parentWnd == nullptr || parentWnd->destroying)) return nullptr;
  if (!child && parent != nullptr && parentWnd == nullptr) return nullptr;
  // Maximised windows and window scroll bars are not supported here.
  if (style & (WS_MAXIMIZE | WS_HSCROLL | WS_VSCROLL)) return nullptr;
  // A top-level window's menu is its menu bar, which must be a menu.
  int barHeight = 0;
  if (!child && menu != nullptr) {
    const platform::TMenuHooks* hooks = platform::MenuHooks();
    barHeight = hooks != nullptr ? hooks->barHeight(menu) : -1;
    if (barHeight < 0) return nullptr;
  }
  if (width != CW_USEDEFAULT && width < 0) width = 0;
  if (height < 0) height = 0;

  auto owned = std::make_unique<TWnd>();
  TWnd& w = *owned;
  w.handle = platform::NewHandle();
  w.cls = cls;
  w.proc = cls->proc;
  w.style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w.exStyle = exStyle;
  w.text = windowName ? windowName : "";
  w.menu = menu;
  w.instance = instance;
  w.extra.assign(static_cast<std::size_t>(cls->wndExtra), 0);
  if (child) {
    w.parent = parent;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    w.rect = {x, y, x + width, y + height};
  } else {
    w.owner = parent ? platform::TopLevelOf(parent) : nullptr;
    if (width == CW_USEDEFAULT) {
      width = platform::kDefaultWidth;
      height = platform::kDefaultHeight;
    }
    width = std::min(width, platform::kMaxWindowSide);
    height = std::min(height, platform::kMaxWindowSide);
    platform::Host& host = platform::CurrentHost();
    platform::HostWindowSpec asked;
    asked.title = w.text;
    asked.resizable = (style & WS_THICKFRAME) != 0;
    asked.dialog = (style & WS_POPUP) != 0 && (style & WS_THICKFRAME) == 0;
    // A captionless topmost tool window over an owner is how menus show their popups.
    asked.popup =
        (style & WS_POPUP) != 0 && (style & WS_CAPTION) == 0 &&
        (exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) == (WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    if (asked.popup) asked.dialog = false;
    asked.owner = w.owner ? WndOf(w.owner)->host : 0;
    // The modal frame is how dialog boxes and message boxes come, run modally over
    // their owner.
    asked.modal = asked.dialog && asked.owner != 0 && (style & DS_MODALFRAME) != 0;
    const platform::HostInsets guess = asked.popup ? platform::HostInsets{} : host.Decorations(0);
    asked.width = std::max(width - guess.left - guess.right, 0);
    asked.height = std::max(height - guess.top - guess.bottom, 0);
    if (x != CW_USEDEFAULT) {
      asked.x = x + guess.left;
      asked.y = y + guess.top;
    }
    platform::OfferWindowSeam();
    w.host = host.CreateWindow(asked);
    if (w.host == 0) return nullptr;
    w.insets = host.Decorations(w.host);
    const platform::HostInsets& in = w.insets;
    if (in.left != guess.left || in.top != guess.top || in.right != guess.right ||
        in.bottom != guess.bottom) {
      // The desktop's frame is known only now: keep the outer size that was asked for.
      platform::HostRect b = host.Bounds(w.host);
      b.width = std::max(width - in.left - in.right, 0);
      b.height = std::max(height - in.top - in.bottom, 0);
      if (x != CW_USEDEFAULT) {
        b.x = x + in.left;
        b.y = y + in.top;
      }
      host.SetBounds(w.host, b);
    }
    // The class icon shows in the desktop's title bar and task bar until WM_SETICON.
    if (const platform::CursorShape* icon = platform::IconShapeOf(cls->icon)) {
      host.SetIcon(w.host, *icon);
    }
    const platform::HostRect b = host.Bounds(w.host);
    w.surface = std::make_unique<platform::TSurface>(b.width, b.height, &host, w.host);
    w.nonClientTop = barHeight;
    w.rect = {b.x - w.insets.left, b.y - w.insets.top, b.x + b.width + w.insets.right,
              b.y + b.height + w.insets.bottom};
  }
  const HWND hwnd = w.handle;
  platform::Registry().windows.emplace(reinterpret_cast<std::uintptr_t>(hwnd), std::move(owned));
  platform::Registry().order.push_back(hwnd);
  if (child) {
    parentWnd->children.push_back(hwnd);
  } else {
    platform::Registry().tops.push_back(hwnd);
  }

  CREATESTRUCTA cs{
      param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  const LPARAM csp = reinterpret_cast<LPARAM>(&cs);
  bool ok = platform::CallProc(hwnd, WM_NCCREATE, 0, csp) != 0;
  if (ok && WndOf(hwnd) != nullptr) ok = platform::CallProc(hwnd, WM_CREATE, 0, csp) != -1;
  if (!ok || WndOf(hwnd) == nullptr) {
    if (WndOf(hwnd) != nullptr) DestroyWindow(hwnd);
    return nullptr;
  }
  WndOf(hwnd)->created = true;
  platform::SendSizeMessage(hwnd);
  if (WndOf(hwnd) == nullptr) return nullptr;
  platform::SendMoveMessage(hwnd);
  if (WndOf(hwnd) == nullptr) return nullptr;
  if ((style & WS_MINIMIZE) != 0) {
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
  } else if ((style & WS_VISIBLE) != 0) {
    ShowWindow(hwnd, child ? SW_SHOW : SW_SHOWNORMAL);
  }
  return WndOf(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->destroying) return FALSE;
  w->destroying = true;
  if (w->style & WS_VISIBLE) {
    if (w->parent != nullptr) {
      // The parent shows again where the child was.
      if (TWnd* p = WndOf(w->parent)) platform::AddUpdate(*p, w->rect, true, true);
    } else if (w->host != 0) {
      platform::CurrentHost().Show(w->host, platform::HostShow::Hidden);
    }
  }
  if (w->parent == nullptr) {
    if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(nullptr);
    platform::ActivateOther(hwnd);
  }
  // Owned top-level windows go first.
  for (HWND h : platform::TopLevelWindows()) {
    TWnd* o = WndOf(h);
    if (o != nullptr && o->owner == hwnd && !o->destroying) DestroyWindow(h);
  }
  if (GetCapture() != nullptr && IsChild(hwnd, GetCapture())) ReleaseCapture();
  if (GetCapture() == hwnd) ReleaseCapture();
  // A top-level window's menu bar dies with it.
  const HMENU bar = w->parent == nullptr ? w->menu : nullptr;
  platform::SendDestroy(hwnd);
  platform::SendNcDestroy(hwnd);
  if (bar != nullptr && platform::MenuHooks() != nullptr) platform::MenuHooks()->destroyMenu(bar);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  return WndOf(hwnd) != nullptr ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return nullptr;
  return w->parent ? w->parent : w->owner;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  while (w != nullptr && w->parent != nullptr) {
    if (w->parent == parent) return TRUE;
    w = WndOf(w->parent);
  }
  return FALSE;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return nullptr;
  switch (cmd) {
    case GW_CHILD:
      return w->children.empty() ? nullptr : w->children.front();
    case GW_HWNDNEXT: {
      if (w->parent == nullptr) return nullptr;
      const auto& sib = WndOf(w->parent)->children;
      auto it = std::find(sib.begin(), sib.end(), hwnd);
      return it == sib.end() || it + 1 == sib.end() ? nullptr : *(it + 1);
    }
    case GW_OWNER:
      return w->owner;
    default:
      return nullptr;
  }
}

HWND GetDlgItem(HWND dialog, int id) {
  TWnd* w = WndOf(dialog);
  if (w == nullptr) return nullptr;
  for (HWND c : w->children) {
    if (GetDlgCtrlID(c) == id) return c;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent == nullptr) return 0;
  return static_cast<int>(reinterpret_cast<std::intptr_t>(w->menu));
}

HMENU GetMenu(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || w->parent != nullptr) return nullptr;
  return w->menu;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  const platform::TWndClass* cls = platform::FindClass(className);
  if (cls == nullptr) return FALSE;
  for (HWND h : platform::AllWindows()) {
    if (WndOf(h)->cls == cls) return FALSE;
  }
  platform::Classes().erase(platform::Lower(className));
  return TRUE;
}
