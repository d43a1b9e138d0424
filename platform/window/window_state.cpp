// Focus, activation, enabling, window text and words, thread enumeration, version.
#include <algorithm>
#include <cstring>

#include "platform/window/window_internal.h"

namespace platform {
namespace {

HWND g_focus = nullptr;
HWND g_active = nullptr;
DWORD g_version = 0;

// A modern platform of the NT line: 10.0, build 19041.
constexpr DWORD kDefaultVersion = (19041u << 16) | 0x000A;
constexpr DWORD kThreadId = 1;

}  // namespace

void ForgetFocus(HWND hwnd) {
  if (g_focus == hwnd) g_focus = nullptr;
  if (g_active == hwnd) g_active = nullptr;
}

HWND ActiveWindow() {
  return g_active;
}
void SetActiveWindow(HWND hwnd) {
  g_active = hwnd;
}

void SetVersionForTesting(DWORD version) {
  g_version = version;
}

void ResetFocus() {
  g_focus = nullptr;
  g_active = nullptr;
  g_version = 0;
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

HWND SetFocus(HWND hwnd) {
  const HWND before = platform::g_focus;
  if (hwnd != nullptr) {
    TWnd* w = WndOf(hwnd);
    if (w == nullptr || w->destroying) return nullptr;
    // A window inside a minimised or disabled top-level window cannot take the focus.
    for (TWnd* p = w; p != nullptr; p = WndOf(p->parent)) {
      if (p->style & WS_DISABLED) return nullptr;
      if (p->parent == nullptr && (p->style & WS_MINIMIZE)) return nullptr;
    }
    // The focus lives in the active window: activate its top-level window first, which
    // may move the focus on its own.
    const HWND top = platform::TopLevelOf(hwnd);
    if (top != platform::g_active) {
      platform::ActivateWindow(top);
      if (!IsWindow(hwnd) || platform::g_active != top) return nullptr;
    }
  }
  const HWND old = platform::g_focus;
  if (old != hwnd) {
    platform::g_focus = hwnd;
    if (old != nullptr && WndOf(old) != nullptr) {
      platform::CallProc(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd != nullptr && platform::g_focus == hwnd && WndOf(hwnd) != nullptr) {
      platform::CallProc(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
  }
  return WndOf(before) ? before : nullptr;
}

HWND GetFocus() {
  return platform::g_focus;
}

HWND GetActiveWindow() {
  return platform::g_active;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if ((enable != FALSE) == (wasDisabled == FALSE)) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (platform::g_focus == hwnd || IsChild(hwnd, platform::g_focus)) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  if (WndOf(hwnd) != nullptr) platform::CallProc(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  return (w != nullptr && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

DWORD GetCurrentThreadId() {
  return platform::kThreadId;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
  if (proc == nullptr || threadId != platform::kThreadId) return FALSE;
  for (HWND h : platform::TopLevelWindows()) {
    if (WndOf(h) == nullptr) continue;
    if (!proc(h, lParam)) return FALSE;
  }
  return TRUE;
}

DWORD GetVersion() {
  return platform::g_version != 0 ? platform::g_version : platform::kDefaultVersion;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return FALSE;
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                       : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0 || WndOf(hwnd) == nullptr) return 0;
  return static_cast<int>(
      SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (WndOf(hwnd) == nullptr) return 0;
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

namespace {

// The extra window bytes at `index`, or nullptr when a LONG_PTR does not fit there.
std::uint8_t* ExtraAt(TWnd& w, int index) {
  if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w.extra.size()) {
    return nullptr;
  }
  return w.extra.data() + index;
}

}  // namespace

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return 0;
  if (index >= 0) {
    const std::uint8_t* p = ExtraAt(*w, index);
    LONG_PTR v = 0;
    if (p != nullptr) std::memcpy(&v, p, sizeof v);
    return v;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA:
      return w->userData;
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID:
      return w->parent ? reinterpret_cast<LONG_PTR>(w->menu) : 0;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->exStyle);
    default:
      return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return 0;
  LONG_PTR old = GetWindowLongPtrA(hwnd, index);
  if (index >= 0) {
    std::uint8_t* p = ExtraAt(*w, index);
    if (p == nullptr) return 0;
    std::memcpy(p, &value, sizeof value);
    return old;
  }
  switch (index) {
    case GWLP_WNDPROC:
      if (value == 0) return 0;
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_USERDATA:
      w->userData = value;
      return old;
    case GWLP_ID:
      if (w->parent == nullptr) return 0;
      w->menu = reinterpret_cast<HMENU>(value);
      return old;
    default:
      // Styles and the rest cannot be changed after creation here.
      return 0;
  }
}
