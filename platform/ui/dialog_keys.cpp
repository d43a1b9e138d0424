// The dialog keyboard: IsDialogMessageA and the tab, group and mnemonic moves it makes.
//
// Each control says which keys it wants through WM_GETDLGCODE; the rest are the
// dialog's: Tab and Shift+Tab step through the visible, enabled WS_TABSTOP controls in
// template order, arrows step within a WS_GROUP group, Enter presses the focused push
// button or else the default one (DM_GETDEFID, IDOK unless set), Escape is IDCANCEL,
// and a mnemonic letter focuses the control after its label or clicks its button.
#include <cctype>
#include <string>

#include "platform/ui/dialog_internal.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

LRESULT DlgCode(HWND control, const MSG* msg) {
  return SendMessageA(control, WM_GETDLGCODE, msg != nullptr ? msg->wParam : 0,
                      reinterpret_cast<LPARAM>(msg));
}

bool IsPushButton(LRESULT code) {
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

bool CanTakeFocus(HWND control) {
  const TWnd* w = WndOf(control);
  return w != nullptr && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
}

void Dispatch(const MSG* msg) {
  TranslateMessage(msg);
  DispatchMessageA(msg);
}

// The dialog's direct child that holds `hwnd`, or nullptr.
HWND ControlOf(HWND dialog, HWND hwnd) {
  while (hwnd != nullptr) {
    const HWND parent = GetParent(hwnd);
    if (parent == dialog) return hwnd;
    if (!IsChild(dialog, hwnd)) return nullptr;
    hwnd = parent;
  }
  return nullptr;
}

// The group around `control`: from the last WS_GROUP control at or before it up to the
// next WS_GROUP control, as indexes [first, end) into `items`.
void GroupOf(const std::vector<HWND>& items, std::size_t at, std::size_t& first, std::size_t& end) {
  first = at;
  while (first > 0 && !(WndOf(items[first])->style & WS_GROUP)) --first;
  end = at + 1;
  while (end < items.size() && !(WndOf(items[end])->style & WS_GROUP)) ++end;
}

HWND NextInGroup(HWND dialog, HWND control, bool previous) {
  const TWnd* d = WndOf(dialog);
  if (d == nullptr) return nullptr;
  const std::vector<HWND>& items = d->children;
  std::size_t at = 0;
  while (at < items.size() && items[at] != control) ++at;
  if (at == items.size()) return nullptr;
  std::size_t first = 0;
  std::size_t end = 0;
  GroupOf(items, at, first, end);
  const std::size_t n = end - first;
  for (std::size_t step = 1; step < n; ++step) {
    const std::size_t off = at - first;
    const std::size_t i = first + (previous ? (off + n - step) % n : (off + step) % n);
    if (CanTakeFocus(items[i]) && !(DlgCode(items[i], nullptr) & DLGC_STATIC)) return items[i];
  }
  return nullptr;
}

// The mnemonic letter of a text ("&&" is a plain ampersand), lower-cased, or 0.
char Mnemonic(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

std::string TextOf(HWND hwnd) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A label's or a button's mnemonic: the label hands the focus to the next tab stop
// after it, the button is clicked. Answers whether one matched.
bool HandleMnemonic(HWND dialog, HWND from, char ch) {
  const TWnd* d = WndOf(dialog);
  if (d == nullptr || ch == 0) return false;
  const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const std::vector<HWND> items = d->children;
  std::size_t start = 0;
  while (start < items.size() && items[start] != from) ++start;
  for (std::size_t step = 1; step <= items.size(); ++step) {
    const HWND h = items[(start + step) % items.size()];
    if (!CanTakeFocus(h)) continue;
    const LRESULT code = DlgCode(h, nullptr);
    if (!(code & (DLGC_STATIC | DLGC_BUTTON))) continue;
    if ((code & DLGC_STATIC) && (WndOf(h)->style & SS_NOPREFIX)) continue;
    if (Mnemonic(TextOf(h)) != key) continue;
    const bool groupBox =
        (code & DLGC_BUTTON) && (WndOf(h)->style & kButtonTypeMask) == BS_GROUPBOX;
    if ((code & DLGC_STATIC) || groupBox) {
      const HWND next = GetNextDlgTabItem(dialog, h, FALSE);
      if (next != nullptr) DialogFocusControl(dialog, next);
    } else {
      SendMessageA(h, BM_CLICK, 0, 0);
    }
    return true;
  }
  return false;
}

void PressEnter(HWND dialog, HWND focus, LRESULT code) {
  if (focus != nullptr && IsPushButton(code) && IsWindowEnabled(focus)) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(focus)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
    return;
  }
  const auto def = static_cast<DWORD>(SendMessageA(dialog, DM_GETDEFID, 0, 0));
  WORD id = IDOK;
  if (HIWORD(def) == DC_HASDEFID) id = LOWORD(def);
  const HWND button = GetDlgItem(dialog, id);
  if (button != nullptr && !IsWindowEnabled(button)) return;  // a disabled default: nothing
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool HandleKeyDown(HWND dialog, const MSG* msg) {
  const HWND focus = msg->hwnd;
  const LRESULT code = DlgCode(focus, msg);
  if (code & DLGC_WANTMESSAGE) return false;
  const HWND control = ControlOf(dialog, focus);
  switch (msg->wParam) {
    case VK_TAB: {
      if (code & DLGC_WANTTAB) return false;
      const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      const HWND next = GetNextDlgTabItem(dialog, control, back ? TRUE : FALSE);
      if (next != nullptr) DialogFocusControl(dialog, next);
      return true;
    }
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if (code & DLGC_WANTARROWS) return false;
      if (control == nullptr) return false;
      const bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
      const HWND next = NextInGroup(dialog, control, back);
      if (next != nullptr) DialogFocusControl(dialog, next);
      return true;
    }
    case VK_RETURN:
    case VK_EXECUTE:
      PressEnter(dialog, focus == dialog ? nullptr : focus, code);
      return true;
    case VK_ESCAPE: {
      const HWND cancel = GetDlgItem(dialog, IDCANCEL);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(cancel));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

void DialogFocusControl(HWND dialog, HWND control) {
  if (!IsChild(dialog, control)) return;
  const LRESULT code = DlgCode(control, nullptr);
  SetFocus(control);
  if (GetFocus() == control && (code & DLGC_HASSETSEL)) SendMessageA(control, EM_SETSEL, 0, -1);
  UpdateDefaultLook(dialog, GetFocus());
}

void UpdateDefaultLook(HWND dialog, HWND focus) {
  TDialogState* s = DialogStateOf(dialog);
  if (s == nullptr) return;
  const auto setStyle = [](HWND button, DWORD style) {
    if (IsWindow(button)) SendMessageA(button, BM_SETSTYLE, style, TRUE);
  };
  const LRESULT code = (focus != nullptr && IsChild(dialog, focus)) ? DlgCode(focus, nullptr) : 0;
  HWND wanted = nullptr;  // the button that should look default now
  if (IsPushButton(code)) {
    wanted = focus;
  } else if (s->defButton != nullptr && IsWindow(s->defButton)) {
    wanted = s->defButton;
  }
  const HWND shown = s->focusLook != nullptr ? s->focusLook : s->defButton;
  if (shown == wanted) return;
  if (shown != nullptr) setStyle(shown, BS_PUSHBUTTON);
  if (wanted != nullptr) setStyle(wanted, BS_DEFPUSHBUTTON);
  s->focusLook = wanted != s->defButton ? wanted : nullptr;
}

void SetDefaultButton(HWND dialog, WORD id) {
  TDialogState* s = DialogStateOf(dialog);
  if (s == nullptr) return;
  const HWND old = s->defButton;
  HWND button = GetDlgItem(dialog, id);
  if (button != nullptr && !IsPushButton(DlgCode(button, nullptr))) button = nullptr;
  s->defId = id;
  if (s->focusLook == nullptr && old != button) {
    if (old != nullptr && IsWindow(old)) SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (button != nullptr) SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
  s->defButton = button;
  if (s->focusLook == button) s->focusLook = nullptr;
  UpdateDefaultLook(dialog, GetFocus());
}

}  // namespace platform

BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (msg == nullptr || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  const HWND before = GetFocus();
  bool handled = false;
  switch (msg->message) {
    case WM_KEYDOWN:
      handled = platform::HandleKeyDown(dialog, msg);
      break;
    case WM_CHAR: {
      const LRESULT code = platform::DlgCode(msg->hwnd, msg);
      if (code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)) break;
      // Tab, Enter and Escape made characters only for controls that took their keys.
      if (msg->wParam < ' ') break;
      handled = platform::HandleMnemonic(dialog, platform::ControlOf(dialog, msg->hwnd),
                                         static_cast<char>(msg->wParam));
      break;
    }
    case WM_SYSCHAR:
      handled = platform::HandleMnemonic(dialog, platform::ControlOf(dialog, msg->hwnd),
                                         static_cast<char>(msg->wParam));
      break;
    default:
      break;
  }
  if (!handled) platform::Dispatch(msg);
  if (IsWindow(dialog) && GetFocus() != before) platform::UpdateDefaultLook(dialog, GetFocus());
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  const platform::TWnd* d = platform::WndOf(dialog);
  if (d == nullptr) return nullptr;
  const std::vector<HWND>& items = d->children;
  if (items.empty()) return nullptr;
  const auto stop = [](HWND h) {
    const platform::TWnd* w = platform::WndOf(h);
    return w != nullptr && (w->style & WS_TABSTOP) && platform::CanTakeFocus(h);
  };
  const std::size_t n = items.size();
  std::size_t at = n;  // none: start before the first (or after the last)
  for (std::size_t i = 0; i < n && control != nullptr; ++i) {
    if (items[i] == control) at = i;
  }
  for (std::size_t step = 1; step <= n; ++step) {
    std::size_t i;
    if (at == n) {
      i = previous ? n - step : step - 1;
    } else {
      i = previous ? (at + n - step) % n : (at + step) % n;
    }
    if (stop(items[i])) return items[i];
  }
  return nullptr;
}
