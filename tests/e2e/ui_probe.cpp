// ui_probe: the game's "OptionDlg" and a message box as real desktop windows, for
// ui_e2e.sh. A frame opens the dialog over itself once shown and prints one line per
// step; its 100 ms timer counts the ticks that arrive while each modal window runs:
//   "ready"                     the frame is up and the dialog is opening
//   "dialog result N ticks T"   the dialog ended with N
//   "box result N ticks T"      the message box ended with N
// Then the frame closes itself and the probe ends with 0. With --idle the frame sets no
// timer, so nothing but the desktop can wake the probe while the dialog is open; --at X,Y
// puts the frame there.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/host/desktop_host.h"
#include "platform/platform.h"
#include "res/klop_resources.h"

namespace {

constexpr UINT kOpen = WM_USER + 1;
int g_ticks = 0;

void Say(const char* format, auto... args) {
  // A bare message is written, not used as a format (Debian's flags refuse that).
  if constexpr (sizeof...(args) == 0) {
    std::fputs(format, stdout);
  } else {
    std::printf(format, args...);
  }
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      ++g_ticks;
      return 0;
    case kOpen: {
      Say("ready");
      g_ticks = 0;
      const INT_PTR r = DialogBoxParamA(klop::Module(), "OptionDlg", hwnd, DialogProc, 0);
      Say("dialog result %d ticks %d", static_cast<int>(r), g_ticks);
      g_ticks = 0;
      const int box =
          MessageBoxExA(hwnd, "Probe message", "ui probe box", MB_OK | MB_ICONEXCLAMATION, 0);
      Say("box result %d ticks %d", box, g_ticks);
      DestroyWindow(hwnd);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool idle = false;
  int x = 100;
  int y = 100;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool at = arg == "--at" && i + 1 < argc;
    if (arg == "--idle") {
      idle = true;
    } else if (!at || std::sscanf(argv[++i], "%d,%d", &x, &y) != 2) {
      std::fprintf(stderr, "usage: ui_probe [--idle] [--at X,Y]\n");
      return 2;
    }
  }
  std::string error;
  std::unique_ptr<platform::Host> host = platform::MakeDesktopHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "ui_probe: %s\n", error.c_str());
    return 1;
  }
  platform::InstallHost(*host);
  WNDCLASSA wc{};
  wc.lpfnWndProc = FrameProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "UiProbeFrame";
  if (RegisterClassA(&wc) == 0) return 1;
  const HWND frame =
      CreateWindowExA(0, "UiProbeFrame", "ui probe frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                      400, 400, nullptr, nullptr, nullptr, nullptr);
  if (frame == nullptr || (!idle && SetTimer(frame, 1, 100, nullptr) == 0)) return 1;
  PostMessageA(frame, kOpen, 0, 0);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
