// Modal dialogs: the dialog class and its default procedure, DialogBoxParamA over the
// module's templates, EndDialog, and the dialog item functions.
//
// A dialog is a top-level window of the dialog class (or of the class its template
// names), owned by the top-level window of the owner it was given. Its DLGPROC lives
// in the window's extra bytes (DWLP_DLGPROC); DefDlgProcA, the class procedure, asks
// it first and does the rest.
#include <algorithm>
#include <climits>
#include <map>

#include "platform/faults.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/resources/resource_table.h"
#include "platform/resources/resources.h"
#include "platform/ui/dialog_internal.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/modal_loop.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

constexpr const char* kDialogClass = "#32770";

std::map<HWND, TDialogState>& States() {
  static std::map<HWND, TDialogState> states;
  return states;
}

DLGPROC DlgProcOf(HWND dialog) {
  return reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
}

// Messages whose answer is the DLGPROC's own return value, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
  return msg == WM_INITDIALOG || msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC ||
         msg == WM_QUERYDRAGICON;
}

HWND FirstTabStop(HWND dialog) {
  return GetNextDlgTabItem(dialog, nullptr, FALSE);
}

void SaveFocus(HWND dialog, TDialogState& s) {
  const HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dialog, focus)) s.savedFocus = focus;
}

// The focus comes back where it was when the dialog last lost it, else to its first
// tab stop; a dialog without one keeps the focus itself, so that its keys still come
// as plain key messages for the dialog keyboard.
void RestoreFocus(HWND dialog, TDialogState& s) {
  HWND target = s.savedFocus;
  if (target == nullptr || !IsChild(dialog, target) || !IsWindowEnabled(target) ||
      !IsWindowVisible(target)) {
    target = FirstTabStop(dialog);
  }
  SetFocus(target != nullptr ? target : dialog);
}

bool EnsureDialogClass() {
  WNDCLASSA existing;
  if (GetClassInfoA(nullptr, kDialogClass, &existing)) return true;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kDialogClass;
  const TPlatformCalls own;  // not the program's registration
  return RegisterClassA(&wc) != 0;
}

bool DoneRunning(void* context) {
  const HWND dialog = static_cast<HWND>(context);
  const TDialogState* s = DialogStateOf(dialog);
  return s == nullptr || s->ended;
}

bool FilterMessage(void* context, MSG& msg) {
  return IsDialogMessageA(static_cast<HWND>(context), &msg) != FALSE;
}

// The owner and whatever else was disabled for the dialog come back.
void EnableDisabled(TDialogState& s) {
  for (HWND h : s.disabled) {
    if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  s.disabled.clear();
}

void Disable(TDialogState& s, HWND h) {
  if (h != nullptr && IsWindow(h) && IsWindowEnabled(h)) {
    EnableWindow(h, FALSE);
    s.disabled.push_back(h);
  }
}

// Ends what RunDialog began: windows enabled, the dialog gone, the owner active.
// `disabled` are the windows it disabled, for a dialog destroyed before it ended.
INT_PTR Finish(HWND dialog, HWND owner, const std::vector<HWND>& disabled) {
  INT_PTR result = 0;
  if (TDialogState* s = DialogStateOf(dialog)) {
    result = s->result;
    EnableDisabled(*s);
  } else {
    for (HWND h : disabled) {
      if (IsWindow(h)) EnableWindow(h, TRUE);
    }
  }
  if (IsWindow(dialog)) DestroyWindow(dialog);
  TWnd* o = WndOf(owner);
  if (o != nullptr && (o->style & WS_VISIBLE) && !(o->style & (WS_DISABLED | WS_MINIMIZE)) &&
      (ActiveWindow() == nullptr || ActiveWindow() == dialog)) {
    ActivateWindow(owner);
  }
  return result;
}

// The window rectangle for a client area at `origin`, moved onto the work area of the
// owner's monitor (the pointer's without an owner).
RECT PlaceOnWorkArea(const TDialogSpec& spec, HWND owner) {
  RECT r{spec.clientOrigin.x, spec.clientOrigin.y, spec.clientOrigin.x + spec.client.cx,
         spec.clientOrigin.y + spec.client.cy};
  AdjustWindowRectEx(&r, spec.style, FALSE, spec.exStyle);
  const HostRect area = WorkAreaOf(owner);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const int x = std::max(area.x, std::min<int>(r.left, area.x + area.width - width));
  const int y = std::max(area.y, std::min<int>(r.top, area.y + area.height - height));
  return {x, y, x + width, y + height};
}

}  // namespace

TDialogState* DialogStateOf(HWND dialog) {
  auto it = States().find(dialog);
  return it == States().end() || !IsWindow(dialog) ? nullptr : &it->second;
}

int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  const long long n = static_cast<long long>(a) * b;
  long long q = n / c;
  const long long rem = n % c;
  // Round half away from zero.
  if (2 * (rem < 0 ? -rem : rem) >= (c < 0 ? -c : c)) q += ((n < 0) != (c < 0)) ? -1 : 1;
  if (q > INT_MAX || q < INT_MIN) return -1;
  return static_cast<int>(q);
}

SIZE DialogBaseUnits(bool dialogFont) {
  // The rounded average width of the 52 letters and the cell height.
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const TBitmapFont& font = dialogFont ? DialogFont() : SystemFont();
  const int width = font.TextWidth(kLetters, 52);
  return {(width / 26 + 1) / 2, font.Metrics().height};
}

INT_PTR RunDialog(HINSTANCE instance, const TDialogSpec& spec, HWND owner, DLGPROC proc,
                  LPARAM param) {
  if (spec.className.empty() && !EnsureDialogClass()) return -1;
  const char* cls = spec.className.empty() ? kDialogClass : spec.className.c_str();
  const RECT place = PlaceOnWorkArea(spec, owner);
  const DWORD style = spec.style & ~WS_VISIBLE;
  const HWND dialog = CreateWindowExA(spec.exStyle, cls, spec.caption.c_str(), style, place.left,
                                      place.top, place.right - place.left, place.bottom - place.top,
                                      owner, nullptr, instance, nullptr);
  if (dialog == nullptr) return -1;
  TDialogState& s = States()[dialog];
  s = TDialogState{};
  s.owner = owner;
  s.dialogFont = spec.dialogFont;
  SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  // A dialog owned by another dialog gives that one's focus back when it ends.
  if (TDialogState* o = DialogStateOf(owner)) SaveFocus(owner, *o);
  Disable(s, owner);
  for (HWND h : spec.alsoDisable) Disable(s, h);
  const std::vector<HWND> disabled = s.disabled;

  const HFONT font = spec.dialogFont ? static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))
                                     : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  if (spec.dialogFont) SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const TDialogItemSpec& item : spec.items) {
    const RECT& r = item.rect;
    const HWND control = CreateWindowExA(
        item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD, r.left,
        r.top, r.right - r.left, r.bottom - r.top, dialog,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(item.id)), instance, nullptr);
    if (control == nullptr || DialogStateOf(dialog) == nullptr) {
      Finish(dialog, owner, disabled);
      return -1;
    }
    if (spec.dialogFont) {
      SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    // A push button made default by its template answers DLGC_DEFPUSHBUTTON.
    if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
      TDialogState* st = DialogStateOf(dialog);
      if (st == nullptr) break;
      st->defId = item.id;
      st->defButton = control;
    }
  }

  const HWND first = FirstTabStop(dialog);
  const LRESULT init = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  if (DialogStateOf(dialog) == nullptr) {  // destroyed while it was set up
    Finish(dialog, owner, disabled);
    return -1;
  }
  if (init != 0 && first != nullptr) DialogFocusControl(dialog, first);
  if (!DialogStateOf(dialog)->ended) {
    ShowWindow(dialog, SW_SHOWNORMAL);
    if (TDialogState* st = DialogStateOf(dialog); st != nullptr && GetFocus() == nullptr) {
      RestoreFocus(dialog, *st);
    }
    ModalLoop loop;
    loop.done = DoneRunning;
    loop.filter = FilterMessage;
    loop.context = dialog;
    if (!(spec.style & DS_NOIDLEMSG)) {
      loop.idleOwner = owner;
      loop.idleReason = MSGF_DIALOGBOX;
      loop.idleSource = dialog;
    }
    RunModalLoop(loop);
  }
  return Finish(dialog, owner, disabled);
}

}  // namespace platform

using platform::DialogStateOf;
using platform::TDialogState;

namespace {

LRESULT DialogMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace

LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DialogMessage(dialog, msg, wParam, lParam);
  // The dialog's record goes with its window, also when the DLGPROC answered this
  // message itself.
  if (msg == WM_NCDESTROY) platform::States().erase(dialog);
  return result;
}

namespace {

LRESULT DialogMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(dialog)) return 0;
  if (const DLGPROC proc = platform::DlgProcOf(dialog)) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
    const INT_PTR handled = proc(dialog, msg, wParam, lParam);
    if (handled != 0 || platform::AnswersDirectly(msg)) {
      if (platform::AnswersDirectly(msg)) return handled;
      return IsWindow(dialog) ? GetWindowLongPtrA(dialog, DWLP_MSGRESULT) : 0;
    }
    if (!IsWindow(dialog)) return 0;
  }
  TDialogState* s = DialogStateOf(dialog);
  switch (msg) {
    case WM_CLOSE: {
      // The close box means Cancel, unless a Cancel button is there and disabled.
      const HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (cancel == nullptr || IsWindowEnabled(cancel)) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (s == nullptr) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        platform::SaveFocus(dialog, *s);
      } else if (!IsIconic(dialog)) {
        platform::RestoreFocus(dialog, *s);
      }
      return 0;
    case WM_SETFOCUS:
      if (s != nullptr) platform::RestoreFocus(dialog, *s);
      return 0;
    case WM_SETFONT:
      if (s != nullptr) s->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return s != nullptr ? reinterpret_cast<LRESULT>(s->font) : 0;
    case DM_GETDEFID:
      return s != nullptr ? MAKELRESULT(s->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      if (s == nullptr) return FALSE;
      platform::SetDefaultButton(dialog, static_cast<WORD>(wParam));
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND target = nullptr;
      if (LOWORD(lParam) != 0) {
        target = reinterpret_cast<HWND>(wParam);
      } else {
        const HWND focus = GetFocus();
        target = GetNextDlgTabItem(dialog, IsChild(dialog, focus) ? focus : nullptr,
                                   wParam != 0 ? TRUE : FALSE);
      }
      if (target != nullptr && IsChild(dialog, target)) {
        platform::DialogFocusControl(dialog, target);
      }
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(dialog, msg, wParam, lParam);
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM param) {
  if (platform::RefuseThisCall(platform::TOperation::DialogBoxParamA)) return -1;
  if (owner != nullptr && !IsWindow(owner)) return 0;
  const platform::ResourceEntry* e =
      platform::FindModuleResource(instance, platform::ResourceKind::Dialog, templateName);
  if (e == nullptr) return -1;
  const std::optional<platform::TDialogTemplate> t =
      platform::ParseDialogTemplate(e->data, e->size);
  if (!t) return -1;
  const SIZE base = platform::DialogBaseUnits(t->hasFont);
  const auto px = [&](int x) { return platform::MulDivRound(x, base.cx, 4); };
  const auto py = [&](int y) { return platform::MulDivRound(y, base.cy, 8); };

  platform::TDialogSpec spec;
  spec.style = t->style;
  spec.exStyle = t->exStyle;
  spec.className = t->className;
  spec.caption = t->caption;
  spec.dialogFont = t->hasFont;
  spec.client = {px(t->cx), py(t->cy)};
  const HWND top = owner != nullptr ? platform::TopLevelOf(owner) : nullptr;
  // The template's position is relative to the owner's client area.
  POINT origin{px(t->x), py(t->y)};
  if (top != nullptr) ClientToScreen(top, &origin);
  spec.clientOrigin = origin;
  for (const platform::TDialogItemTemplate& it : t->items) {
    platform::TDialogItemSpec item;
    item.style = it.style;
    item.exStyle = it.exStyle;
    item.rect = {px(it.x), py(it.y), px(it.x) + px(it.cx), py(it.y) + py(it.cy)};
    item.id = it.id;
    item.className = it.className;
    item.text = it.text;
    spec.items.push_back(std::move(item));
  }
  return platform::RunDialog(instance, spec, top, proc, param);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  TDialogState* s = DialogStateOf(dialog);
  if (s == nullptr) return FALSE;
  s->ended = true;
  s->result = result;
  // The owner comes back before the dialog goes, so that it takes the activation.
  platform::EnableDisabled(*s);
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SetWindowTextA(item, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? static_cast<UINT>(GetWindowTextA(item, buffer, size)) : 0;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated != nullptr) *translated = FALSE;
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return 0;
  std::string text(static_cast<std::size_t>(std::max(GetWindowTextLengthA(item), 0)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (isSigned && i < text.size() && (text[i] == '-' || text[i] == '+'))
    negative = text[i++] == '-';
  if (i == text.size()) return 0;
  // Digits to the end of the text, within range.
  const unsigned long long limit =
      isSigned ? (negative ? 2147483648ull : 2147483647ull) : 4294967295ull;
  unsigned long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (value > limit) return 0;
  }
  if (translated != nullptr) *translated = TRUE;
  const auto v = static_cast<std::uint32_t>(value);
  return negative ? static_cast<UINT>(0u - v) : static_cast<UINT>(v);
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SendMessageA(item, msg, wParam, lParam) : 0;
}

LONG GetDialogBaseUnits() {
  const SIZE base = platform::DialogBaseUnits(false);
  return static_cast<LONG>(MAKELONG(static_cast<WORD>(base.cx), static_cast<WORD>(base.cy)));
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  const TDialogState* s = DialogStateOf(dialog);
  if (s == nullptr || rect == nullptr) return FALSE;
  const SIZE base = platform::DialogBaseUnits(s->dialogFont);
  rect->left = platform::MulDivRound(rect->left, base.cx, 4);
  rect->right = platform::MulDivRound(rect->right, base.cx, 4);
  rect->top = platform::MulDivRound(rect->top, base.cy, 8);
  rect->bottom = platform::MulDivRound(rect->bottom, base.cy, 8);
  return TRUE;
}
