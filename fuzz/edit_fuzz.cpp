// The options dialog's game-time edit under a stream of typing: characters (any
// Latin-1 one, and bytes that are no UTF-8), editing and moving keys with or without
// Shift, clicks and drags in the field, Tab, Enter, focus lost and regained, and waits.
// The stream is scripted on the headless host into the real template; the desktop's
// close request ends it. After every change of the text the field must still show all
// of it, and GetDlgItemInt must answer, signed and unsigned, exactly what the rule
// below says.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_host.h"
#include "platform/platform.h"
#include "res/klop_resources.h"

namespace {

using klop_fuzz::Check;
using platform::HostTime;
using platform::THeadlessHost;

constexpr int kGameTime = 109;  // the edit's id in the template
// The input being run, and its host.
const std::uint8_t* g_data = nullptr;
std::size_t g_size = 0;
THeadlessHost* g_host = nullptr;

struct TRead {
  UINT value;
  BOOL ok;
};

// The reading rule, apart from the platform's code: blanks, a sign only when signed,
// then digits to the end of the text, at most 4294967295 unsigned, 2147483647 signed,
// 2147483648 after a minus.
TRead Expected(const std::string& text, bool isSigned) {
  std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos) return {0, FALSE};
  bool negative = false;
  if (isSigned && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string digits = text.substr(i);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
    return {0, FALSE};
  }
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  const std::string limit = !isSigned ? "4294967295" : negative ? "2147483648" : "2147483647";
  if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit)) {
    return {0, FALSE};
  }
  const auto magnitude = static_cast<UINT>(std::stoull(digits));
  return {negative ? 0u - magnitude : magnitude, TRUE};
}

void CheckEdit(HWND dialog) {
  const HWND edit = GetDlgItem(dialog, kGameTime);
  char buffer[256] = {};
  const int length = GetWindowTextA(edit, buffer, sizeof buffer);
  const std::string text(buffer, static_cast<std::size_t>(std::max(length, 0)));
  Check(GetWindowTextLengthA(edit) == length, "the whole text is read");
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    Check(u >= 0x20 && u != 0x7F, "no control character is typed into the text");
  }
  // The sunken frame takes 2 pixels a side, the margins 1, the caret after the text 1.
  RECT client{};
  GetClientRect(edit, &client);
  const HDC dc = GetDC(edit);
  const HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), length, &extent);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  Check(extent.cx <= client.right - 7, "the text fits the field");
  for (const BOOL isSigned : {FALSE, TRUE}) {
    BOOL ok = 2;
    const UINT value = GetDlgItemInt(dialog, kGameTime, &ok, isSigned);
    const TRead want = Expected(text, isSigned != FALSE);
    Check(ok == want.ok && value == want.value, "GetDlgItemInt reads the text by the rule");
  }
}

// Turns the input into host events from the dialog's first moment on.
void Script(THeadlessHost& host, HWND dialog) {
  const HWND edit = GetDlgItem(dialog, kGameTime);
  const platform::HostWindow window = THeadlessHost::HostOf(dialog);
  RECT field{};
  GetClientRect(edit, &field);
  HostTime at = host.Now();
  const unsigned kKeys[] = {VK_LEFT,   VK_RIGHT, VK_HOME, VK_END,
                            VK_DELETE, VK_BACK,  VK_TAB,  VK_RETURN};
  const char kChars[] = "0123456789 +-ab\xe9\xff.,:\x7f\t\r";
  bool focused = true;
  for (std::size_t i = 0; i < g_size; ++i) {
    at += std::chrono::milliseconds(1);
    const unsigned op = g_data[i] >> 5;
    const unsigned arg = g_data[i] & 31;
    const int x = static_cast<int>(arg) * (field.right + 4) / 31 - 2;
    switch (op) {
      case 0:
        host.TypeAt(at, static_cast<char>('0' + arg % 10));
        break;
      case 1:
        host.TypeAt(at, kChars[arg % (sizeof kChars - 1)]);
        break;
      case 2:  // the next byte as the desktop's text: that code point in UTF-8, or raw
        if (++i < g_size) {
          const auto c = static_cast<char>(g_data[i]);
          const bool encode = (arg & 1) && g_data[i] >= 0x80;
          host.TextAt(at, encode ? std::string{static_cast<char>(0xC0 | (g_data[i] >> 6)),
                                               static_cast<char>(0x80 | (g_data[i] & 0x3F))}
                                 : std::string(1, c));
        }
        break;
      case 3: {
        const unsigned mods = (arg & 8) ? platform::kModShift : 0;
        host.KeyAt(at, kKeys[arg % 8], true, mods);
        host.KeyAt(at, kKeys[arg % 8], false, mods);
        break;
      }
      case 4:
        host.ClickClientAt(at, edit, x, field.bottom / 2);
        break;
      case 5:  // a drag from here to the next byte's place
        host.MoveToClientAt(at, edit, x, 2);
        host.PressAt(at, 1, (arg & 1) ? platform::kModShift : 0);
        if (++i < g_size) host.MoveToClientAt(at, edit, (g_data[i] & 63) - 8, 3);
        host.ReleaseAt(at + std::chrono::milliseconds(1));
        at += std::chrono::milliseconds(1);
        break;
      case 6:
        at += std::chrono::milliseconds(arg * 60);
        break;
      default:
        focused = !focused;
        host.FocusAt(at, window, focused);
        break;
    }
  }
  host.CloseAt(at + std::chrono::milliseconds(1), window);
}

INT_PTR CALLBACK Options(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, kGameTime, "15");
      SetFocus(GetDlgItem(dialog, kGameTime));
      Script(*g_host, dialog);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kGameTime && HIWORD(wParam) == EN_CHANGE) CheckEdit(dialog);
      if (LOWORD(wParam) == IDOK) CheckEdit(dialog);
      // Only the close request that ends the script ends the dialog; Cancel before it
      // (Space on the button) is ignored, so that the rest of the input still types.
      if (LOWORD(wParam) == IDCANCEL && g_host->Pending() == 0) {
        CheckEdit(dialog);
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  THeadlessHost& host = klop_fuzz::FreshHost();
  g_host = &host;
  g_data = data;
  g_size = std::min<std::size_t>(size, 4096);
  const INT_PTR r = DialogBoxParamA(klop::Module(), "OptionDlg", nullptr, Options, 0);
  Check(r == IDCANCEL, "the dialog ends by the close request");
  Check(!host.RanOut(), "the script is not outlived");
  return 0;
}
