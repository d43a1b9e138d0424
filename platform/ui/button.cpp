// BUTTON: push buttons (BS_PUSHBUTTON, BS_DEFPUSHBUTTON). Held down by the left button
// (with the pointer captured) or by Space, it shows pressed while the pointer is over
// it; released there, or Space released, it clicks: WM_COMMAND(BN_CLICKED) to the
// parent. Other button kinds are refused.
#include "platform/platform.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"

namespace platform::controls {
namespace {

struct TButton {
  bool tracking = false;  // the left button went down here and the pointer is captured
  bool spaceDown = false;
  bool pressed = false;  // shown pressed
  HFONT font = nullptr;
};

TStates<TButton>& States() {
  static TStates<TButton> states;
  return states;
}

constexpr DWORD kTypeMask = 0x0F;

bool IsDefault(HWND hwnd) {
  return (StyleOf(hwnd) & kTypeMask) == BS_DEFPUSHBUTTON;
}

void SetPressed(HWND hwnd, TButton& b, bool pressed) {
  if (b.pressed == pressed) return;
  b.pressed = pressed;
  InvalidateRect(hwnd, nullptr, FALSE);
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT r{};
  GetClientRect(hwnd, &r);
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  const TButton* b = States().Find(hwnd);
  look::ButtonState state;
  state.pressed = b != nullptr && b->pressed;
  state.isDefault = IsDefault(hwnd);
  state.focused = GetFocus() == hwnd;
  state.disabled = !ShowsEnabled(hwnd);
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  look::DrawPushButton(dc, client, text, state);
  EndPaint(hwnd, &ps);
}

// Ends a press without a click (focus or capture lost).
void Cancel(HWND hwnd) {
  TButton* b = States().Find(hwnd);
  if (b == nullptr) return;
  const bool wasTracking = b->tracking;
  b->tracking = false;
  b->spaceDown = false;
  SetPressed(hwnd, *b, false);
  if (wasTracking && GetCapture() == hwnd) ReleaseCapture();
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      States().Make(hwnd);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CREATE: {
      const DWORD type = StyleOf(hwnd) & kTypeMask;
      return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? 0 : -1;
    }
    case WM_NCDESTROY:
      States().Drop(hwnd);
      return 0;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_LBUTTONDOWN: {
      TButton* b = States().Find(hwnd);
      if (b == nullptr) return 0;
      SetFocus(hwnd);
      if ((b = States().Find(hwnd)) == nullptr || GetFocus() != hwnd) return 0;
      b->tracking = true;
      SetCapture(hwnd);
      SetPressed(hwnd, *b, true);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (TButton* b = States().Find(hwnd); b != nullptr && b->tracking) {
        SetPressed(hwnd, *b, Inside(hwnd, lParam) || b->spaceDown);
      }
      return 0;
    case WM_LBUTTONUP: {
      TButton* b = States().Find(hwnd);
      if (b == nullptr || !b->tracking) return 0;
      b->tracking = false;
      const bool click = Inside(hwnd, lParam);
      if (!b->spaceDown) SetPressed(hwnd, *b, false);
      ReleaseCapture();
      if (click && !b->spaceDown) Notify(hwnd, BN_CLICKED);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (TButton* b = States().Find(hwnd);
          b != nullptr && b->tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
        Cancel(hwnd);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        TButton* b = States().Find(hwnd);
        if (b == nullptr || b->spaceDown || b->tracking) return 0;
        b->spaceDown = true;
        SetPressed(hwnd, *b, true);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        TButton* b = States().Find(hwnd);
        if (b == nullptr || !b->spaceDown) return 0;
        b->spaceDown = false;
        SetPressed(hwnd, *b, false);
        Notify(hwnd, BN_CLICKED);
      }
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      Cancel(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      if (!wParam) Cancel(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case BM_CLICK:
      if (ShowsEnabled(hwnd)) Notify(hwnd, BN_CLICKED);
      return 0;
    case BM_SETSTYLE: {
      const DWORD type = static_cast<DWORD>(wParam) & kTypeMask;
      if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return 0;
      SetStyleBits(hwnd, (StyleOf(hwnd) & ~kTypeMask) | type);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_SETFONT:
    case WM_GETFONT:
      return FontMessage(States(), hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_BUTTON | (IsDefault(hwnd) ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::controls
