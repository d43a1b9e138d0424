// Message boxes: a dialog made in code, with the look's icon, the text (a static) broken
// at "\n" and word-wrapped, and OK or Yes and No buttons.
//
// Layout in pixels: a 12-pixel margin; the 32 x 32 icon at the top left, the text 12
// pixels right of it (centred on the icon when shorter); the buttons (75 x 23, 6 apart)
// centred 14 pixels below. Lines are at most 400 pixels wide. The box is centred over
// its owner, or over the work area without one, and kept on the work area.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/ui/dialog_internal.h"
#include "platform/ui/look.h"
#include "platform/ui/ui.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kButtonsAbove = 14;
constexpr int kMaxLineWidth = 400;

struct TBox {
  UINT type = 0;
  bool hasIcon = false;
  look::Icon icon = look::Icon::Stop;
  POINT iconAt{};
};

int Width(const std::string& s) {
  return DialogFont().TextWidth(s.data(), static_cast<int>(s.size()));
}

// Greedy word wrap of one paragraph; a word wider than a line is cut by characters.
void Wrap(const std::string& paragraph, int maxWidth, std::vector<std::string>& out) {
  std::string line;
  std::size_t i = 0;
  bool any = false;
  while (i < paragraph.size()) {
    std::size_t end = paragraph.find(' ', i);
    if (end == std::string::npos) end = paragraph.size();
    std::string word = paragraph.substr(i, end - i);
    i = end < paragraph.size() ? end + 1 : end;
    std::string candidate = line.empty() ? word : line + " " + word;
    if (Width(candidate) <= maxWidth) {
      line = std::move(candidate);
      continue;
    }
    if (!line.empty()) {
      out.push_back(line);
      any = true;
      line.clear();
    }
    while (Width(word) > maxWidth) {
      std::size_t n = word.size();
      while (n > 1 && Width(word.substr(0, n)) > maxWidth) --n;
      out.push_back(word.substr(0, n));
      any = true;
      word.erase(0, n);
    }
    line = std::move(word);
  }
  if (!line.empty() || !any) out.push_back(line);
}

std::vector<std::string> Lines(const char* text) {
  std::vector<std::string> lines;
  std::string all = text != nullptr ? text : "";
  all.erase(std::remove(all.begin(), all.end(), '\r'), all.end());
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = all.find('\n', start);
    Wrap(all.substr(start, nl == std::string::npos ? std::string::npos : nl - start), kMaxLineWidth,
         lines);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

void PaintIcon(HWND hwnd, const TBox& box) {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  if (box.hasIcon) look::DrawMessageIcon(dc, box.iconAt.x, box.iconAt.y, box.icon);
  EndPaint(hwnd, &ps);
}

INT_PTR CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<TBox*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      box = reinterpret_cast<TBox*>(lParam);
      const bool yesNo = (box->type & 0xF) == MB_YESNO;
      const int def = yesNo ? ((box->type & MB_DEFBUTTON2) ? IDNO : IDYES) : IDOK;
      SendMessageA(hwnd, DM_SETDEFID, static_cast<WPARAM>(def), 0);
      DialogFocusControl(hwnd, GetDlgItem(hwnd, def));
      return FALSE;
    }
    case WM_PAINT:
      if (box == nullptr) return FALSE;
      PaintIcon(hwnd, *box);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDYES:
        case IDNO:
          if (GetDlgItem(hwnd, LOWORD(wParam)) != nullptr) EndDialog(hwnd, LOWORD(wParam));
          return TRUE;
        case IDCANCEL:
          // Escape and the close box answer OK for an OK box; Yes/No has no way out.
          if (box != nullptr && (box->type & 0xF) == MB_OK) EndDialog(hwnd, IDOK);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void AddButton(TDialogSpec& spec, int x, int y, WORD id, const char* text, bool first) {
  TDialogItemSpec b;
  b.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (first ? WS_GROUP : 0);
  b.rect = {x, y, x + kButtonWidth, y + kButtonHeight};
  b.id = id;
  b.className = "BUTTON";
  b.text = text;
  spec.items.push_back(std::move(b));
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

}  // namespace
}  // namespace platform

int MessageBoxExA(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD) {
  using namespace platform;
  if (owner != nullptr && !IsWindow(owner)) return 0;
  const UINT buttons = type & 0xF;
  const UINT icon = type & 0xF0;
  if (buttons != MB_OK && buttons != MB_YESNO) return 0;
  if (icon != 0 && icon != MB_ICONHAND && icon != MB_ICONEXCLAMATION) return 0;

  TBox box;
  box.type = type;
  box.hasIcon = icon != 0;
  box.icon = icon == MB_ICONHAND ? look::Icon::Stop : look::Icon::Exclamation;
  const std::vector<std::string> lines = Lines(text);
  int textWidth = 0;
  for (const std::string& l : lines) textWidth = std::max(textWidth, Width(l));
  const int textHeight = DialogFont().Metrics().height * static_cast<int>(lines.size());
  const int iconHeight = box.hasIcon ? kIconSize : 0;
  box.iconAt = {kMargin, kMargin};
  const POINT textAt{box.hasIcon ? kMargin + kIconSize + kIconGap : kMargin,
                     kMargin + std::max(0, (iconHeight - textHeight) / 2)};
  const int contentBottom = std::max(kMargin + iconHeight, textAt.y + textHeight);

  TDialogSpec spec;
  spec.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  spec.caption = caption != nullptr ? caption : "Error";
  const int count = buttons == MB_YESNO ? 2 : 1;
  const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  const int captionWidth = Width(spec.caption) + 2 * kMargin;
  const int width =
      std::max({textAt.x + textWidth + kMargin, rowWidth + 2 * kMargin, captionWidth});
  const int buttonsY = contentBottom + kButtonsAbove;
  spec.client = {width, buttonsY + kButtonHeight + kMargin};
  // The text is a static with id 0xFFFF, as on the platform, sized to the lines above,
  // which it breaks the same way.
  TDialogItemSpec label;
  label.style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
  label.rect = {textAt.x, textAt.y, textAt.x + textWidth, textAt.y + textHeight};
  label.id = 0xFFFF;
  label.className = "STATIC";
  label.text = text != nullptr ? text : "";
  spec.items.push_back(std::move(label));
  const int x0 = (width - rowWidth) / 2;
  if (count == 2) {
    AddButton(spec, x0, buttonsY, IDYES, "&Yes", true);
    AddButton(spec, x0 + kButtonWidth + kButtonGap, buttonsY, IDNO, "&No", false);
  } else {
    AddButton(spec, x0, buttonsY, IDOK, "OK", true);
  }

  // Centred over the owner's window, or the pointer's monitor without one.
  const HWND top = owner != nullptr ? TopLevelOf(owner) : nullptr;
  RECT frame{0, 0, spec.client.cx, spec.client.cy};
  AdjustWindowRectEx(&frame, spec.style, FALSE, 0);
  RECT over{};
  if (top != nullptr) {
    GetWindowRect(top, &over);
  } else {
    const HostRect a = WorkAreaOf(nullptr);
    over = {a.x, a.y, a.x + a.width, a.y + a.height};
  }
  const int frameW = frame.right - frame.left;
  const int frameH = frame.bottom - frame.top;
  const int left = over.left + ((over.right - over.left) - frameW) / 2;
  const int topY = over.top + ((over.bottom - over.top) - frameH) / 2;
  spec.clientOrigin = {left - frame.left, topY - frame.top};

  // Task-modal: every top-level window of the thread waits for the answer.
  if (top == nullptr || (type & MB_TASKMODAL)) {
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow,
                      reinterpret_cast<LPARAM>(&spec.alsoDisable));
  }
  const INT_PTR result = RunDialog(nullptr, spec, top, BoxProc, reinterpret_cast<LPARAM>(&box));
  return result == IDOK || result == IDYES || result == IDNO ? static_cast<int>(result) : 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return MessageBoxExA(owner, text, caption, type, 0);
}
