// Registration of the system control classes and the helpers they share.
#include "platform/ui/controls.h"

#include "platform/resources/resources.h"
#include "platform/window/window_internal.h"

namespace platform {

void RegisterSystemClasses() {
  const struct {
    const char* name;
    WNDPROC proc;
  } classes[] = {{"Static", controls::StaticProc},
                 {"Button", controls::ButtonProc},
                 {"ScrollBar", controls::ScrollBarProc},
                 {"Edit", controls::EditProc}};
  for (const auto& c : classes) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = c.proc;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = c.name;
    RegisterClassA(&wc);  // a program's own class of that name stays
  }
}

namespace controls {

void Notify(HWND hwnd, WORD code) {
  const HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
               reinterpret_cast<LPARAM>(hwnd));
}

bool ShowsEnabled(HWND hwnd) {
  for (TWnd* w = WndOf(hwnd); w != nullptr; w = WndOf(w->parent)) {
    if (w->style & WS_DISABLED) return false;
  }
  return hwnd != nullptr;
}

DWORD StyleOf(HWND hwnd) {
  const TWnd* w = WndOf(hwnd);
  return w ? w->style : 0;
}

void SetStyleBits(HWND hwnd, DWORD style) {
  if (TWnd* w = WndOf(hwnd)) w->style = style;
}

}  // namespace controls
}  // namespace platform
