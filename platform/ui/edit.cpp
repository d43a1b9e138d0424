// EDIT: a single-line field (ES_LEFT) in the sunken white frame of WS_BORDER. It never
// scrolls: a change that would make the text wider than the field is refused whole.
// The caret blinks only while the field has the focus and its top-level window is
// active; that blink is its only timer, so an idle dialog without a focused field sleeps.
// The selection shows navy with white text while focused. Other edit kinds are refused.
#include <algorithm>
#include <string>

#include "platform/gdi/font.h"
#include "platform/platform.h"
#include "platform/ui/controls.h"
#include "platform/ui/look.h"
#include "platform/window/window_internal.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kBlinkTimer = 1;
constexpr UINT kBlinkDelay = 530;  // ms, the classic caret blink
constexpr int kMargin = 1;         // pixels between the frame and the text

struct TEdit {
  int anchor = 0;  // the selection runs from the anchor to the caret
  int caret = 0;
  bool caretShown = false;
  bool blinking = false;  // the blink timer is set
  bool dragging = false;
  HFONT font = nullptr;
};

TStates<TEdit>& States() {
  static TStates<TEdit> states;
  return states;
}

constexpr DWORD kRefused = ES_MULTILINE | ES_CENTER | ES_RIGHT | ES_AUTOHSCROLL | ES_NUMBER;

std::string& TextOf(HWND hwnd) {
  return WndOf(hwnd)->text;
}

const TBitmapFont& Font() {
  return DialogFont();
}

int Width(const std::string& s, int count) {
  return Font().TextWidth(s.c_str(), count);
}

// The inside of the frame, and where the text starts.
RECT Inner(HWND hwnd) {
  RECT c{};
  GetClientRect(hwnd, &c);
  if (StyleOf(hwnd) & WS_BORDER) c = {c.left + 2, c.top + 2, c.right - 2, c.bottom - 2};
  return c;
}
POINT TextOrigin(HWND hwnd) {
  const RECT in = Inner(hwnd);
  const int h = Font().Metrics().height;
  return POINT{in.left + kMargin, in.top + std::max(0, (in.bottom - in.top - h) / 2)};
}
// How wide the text may be: the caret must still fit after its last character.
int Room(HWND hwnd) {
  const RECT in = Inner(hwnd);
  return in.right - in.left - 2 * kMargin - 1;
}

RECT CaretRect(HWND hwnd, const TEdit& e) {
  const POINT o = TextOrigin(hwnd);
  const int x = o.x + Width(TextOf(hwnd), e.caret);
  return RECT{x, o.y, x + 1, o.y + Font().Metrics().height};
}

bool Active(HWND hwnd) {
  return GetFocus() == hwnd && GetActiveWindow() == TopLevelOf(hwnd);
}

// Starts or stops the blink to match the focus and activation; shows the caret solid
// after every change so that it never vanishes while the user types.
void UpdateBlink(HWND hwnd, bool restart) {
  TEdit* e = States().Find(hwnd);
  if (e == nullptr) return;
  const bool want = Active(hwnd);
  if (want && (restart || !e->blinking)) {
    e->blinking = SetTimer(hwnd, kBlinkTimer, kBlinkDelay, nullptr) != 0;
    e->caretShown = true;
  } else if (!want && e->blinking) {
    KillTimer(hwnd, kBlinkTimer);
    e->blinking = false;
    e->caretShown = false;
  } else if (!want) {
    e->caretShown = false;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

int SelStart(const TEdit& e) {
  return std::min(e.anchor, e.caret);
}
int SelEnd(const TEdit& e) {
  return std::max(e.anchor, e.caret);
}

// The character boundary nearest to client x.
int IndexAt(HWND hwnd, int x) {
  const std::string& t = TextOf(hwnd);
  const int origin = TextOrigin(hwnd).x;
  int best = 0;
  for (int i = 0; i <= static_cast<int>(t.size()); ++i) {
    const int here = origin + Width(t, i);
    if (here <= x) best = i;
    if (here > x) {
      const int prev = origin + Width(t, i - 1);
      if (i > 0 && x - prev >= here - x) best = i;
      break;
    }
  }
  return best;
}

void Changed(HWND hwnd) {
  UpdateBlink(hwnd, true);
  Notify(hwnd, EN_CHANGE);
}

// Replaces the selection with `with`; refused when the text would not fit.
bool Replace(HWND hwnd, const std::string& with) {
  TEdit* e = States().Find(hwnd);
  if (e == nullptr) return false;
  std::string t = TextOf(hwnd);
  const int start = SelStart(*e);
  t.replace(start, SelEnd(*e) - start, with);
  if (Width(t, static_cast<int>(t.size())) > Room(hwnd)) return false;
  TextOf(hwnd) = t;
  e->anchor = e->caret = start + static_cast<int>(with.size());
  Changed(hwnd);
  return true;
}

void MoveCaret(HWND hwnd, int to, bool extend) {
  TEdit* e = States().Find(hwnd);
  if (e == nullptr) return;
  e->caret = std::clamp(to, 0, static_cast<int>(TextOf(hwnd).size()));
  if (!extend) e->anchor = e->caret;
  UpdateBlink(hwnd, true);
}

void Key(HWND hwnd, WPARAM key) {
  TEdit* e = States().Find(hwnd);
  if (e == nullptr) return;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const int len = static_cast<int>(TextOf(hwnd).size());
  switch (key) {
    case VK_LEFT:
      if (!shift && e->anchor != e->caret) return MoveCaret(hwnd, SelStart(*e), false);
      return MoveCaret(hwnd, e->caret - 1, shift);
    case VK_RIGHT:
      if (!shift && e->anchor != e->caret) return MoveCaret(hwnd, SelEnd(*e), false);
      return MoveCaret(hwnd, e->caret + 1, shift);
    case VK_HOME:
      return MoveCaret(hwnd, 0, shift);
    case VK_END:
      return MoveCaret(hwnd, len, shift);
    case VK_DELETE:
      if (e->anchor == e->caret) {
        if (e->caret >= len) return;
        e->anchor = e->caret + 1;
      }
      Replace(hwnd, "");
      return;
    default:
      return;
  }
}

void Char(HWND hwnd, WPARAM ch) {
  TEdit* e = States().Find(hwnd);
  if (e == nullptr) return;
  if (ch == 0x08) {  // Backspace
    if (e->anchor == e->caret) {
      if (e->caret == 0) return;
      e->anchor = e->caret - 1;
    }
    Replace(hwnd, "");
    return;
  }
  const auto c = static_cast<unsigned char>(ch);
  if (c < 0x20 || c == 0x7F || ch > 0xFF) return;  // control characters type nothing
  Replace(hwnd, std::string(1, static_cast<char>(c)));
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  const bool enabled = ShowsEnabled(hwnd);
  RECT in = client;
  if (StyleOf(hwnd) & WS_BORDER) {
    in = look::DrawEditField(dc, client, !enabled);
  } else {
    look::FillColor(dc, in, enabled ? COLOR_WINDOW : COLOR_BTNFACE);
  }
  const TEdit* e = States().Find(hwnd);
  const std::string& t = TextOf(hwnd);
  const POINT o = TextOrigin(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  const UINT n = static_cast<UINT>(t.size());
  ExtTextOutA(dc, o.x, o.y, ETO_CLIPPED, &in, t.c_str(), n, nullptr);
  const bool focused = GetFocus() == hwnd;
  if (e != nullptr && focused && e->anchor != e->caret) {
    const int s = SelStart(*e);
    const int end = SelEnd(*e);
    RECT sel{o.x + Width(t, s), o.y, o.x + Width(t, end), o.y + Font().Metrics().height};
    sel = {std::max(sel.left, in.left), std::max(sel.top, in.top), std::min(sel.right, in.right),
           std::min(sel.bottom, in.bottom)};
    look::FillColor(dc, sel, COLOR_HIGHLIGHT);
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    ExtTextOutA(dc, sel.left, o.y, ETO_CLIPPED, &sel, t.c_str() + s, static_cast<UINT>(end - s),
                nullptr);
  }
  if (e != nullptr && focused && e->caretShown) {
    RECT caret = CaretRect(hwnd, *e);
    caret.bottom = std::min(caret.bottom, in.bottom);
    if (caret.left < in.right) look::FillColor(dc, caret, COLOR_WINDOWTEXT);
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

LRESULT SetSel(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  TEdit* e = States().Find(hwnd);
  if (e == nullptr) return 0;
  const int len = static_cast<int>(TextOf(hwnd).size());
  const int start = static_cast<int>(wParam);
  const int end = static_cast<int>(lParam);
  if (start == -1) {
    e->anchor = e->caret;  // deselects, the caret stays
  } else {
    e->anchor = start < 0 ? len : std::min(start, len);
    e->caret = end < 0 ? len : std::min(end, len);
  }
  UpdateBlink(hwnd, true);
  return 0;
}

}  // namespace

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE:
      States().Make(hwnd);
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CREATE:
      return (StyleOf(hwnd) & kRefused) ? -1 : 0;
    case WM_NCDESTROY:
      States().Drop(hwnd);
      return 0;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      UpdateBlink(hwnd, msg == WM_SETFOCUS);
      return 0;
    case WM_TIMER:
      if (wParam == kBlinkTimer) {
        TEdit* e = States().Find(hwnd);
        if (e == nullptr) return 0;
        if (!Active(hwnd)) {
          UpdateBlink(hwnd, false);
          return 0;
        }
        e->caretShown = !e->caretShown;
        const RECT caret = CaretRect(hwnd, *e);
        InvalidateRect(hwnd, &caret, FALSE);
      }
      return 0;
    case WM_KEYDOWN:
      Key(hwnd, wParam);
      return 0;
    case WM_CHAR:
      Char(hwnd, wParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      TEdit* e = States().Find(hwnd);
      if (e == nullptr || GetFocus() != hwnd) return 0;
      e->dragging = true;
      SetCapture(hwnd);
      MoveCaret(hwnd, IndexAt(hwnd, GET_X_LPARAM(lParam)), (wParam & MK_SHIFT) != 0);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (TEdit* e = States().Find(hwnd); e != nullptr && e->dragging) {
        const int at = IndexAt(hwnd, GET_X_LPARAM(lParam));
        if (at != e->caret) MoveCaret(hwnd, at, true);
      }
      return 0;
    case WM_LBUTTONUP:
      if (TEdit* e = States().Find(hwnd); e != nullptr && e->dragging) {
        e->dragging = false;
        ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (TEdit* e = States().Find(hwnd)) e->dragging = false;
      return 0;
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcA(hwnd, msg, wParam, lParam);
      if (TEdit* e = States().Find(hwnd)) e->anchor = e->caret = 0;
      Changed(hwnd);
      return r;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case EM_SETSEL:
      return SetSel(hwnd, wParam, lParam);
    case EM_GETSEL: {
      const TEdit* e = States().Find(hwnd);
      if (e == nullptr) return 0;
      if (auto* p = reinterpret_cast<DWORD*>(wParam)) *p = static_cast<DWORD>(SelStart(*e));
      if (auto* p = reinterpret_cast<DWORD*>(lParam)) *p = static_cast<DWORD>(SelEnd(*e));
      return MAKELRESULT(static_cast<WORD>(SelStart(*e)), static_cast<WORD>(SelEnd(*e)));
    }
    case WM_SETFONT:
    case WM_GETFONT:
      return FontMessage(States(), hwnd, msg, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::controls
