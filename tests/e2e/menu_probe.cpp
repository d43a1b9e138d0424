// menu_probe: the game's menu bar "DAZIZAZE" on a frame of the desktop host, for
// menu_e2e.sh. It prints one line per menu message the frame gets ("initmenu",
// "initmenupopup INDEX", "command ID") and one per tick of its 100 ms timer ("tick").
// Closing the frame ends the probe with 0.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/host/desktop_host.h"
#include "platform/platform.h"
#include "res/klop_resources.h"

namespace {

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

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITMENU:
      Say("initmenu");
      break;
    case WM_INITMENUPOPUP:
      Say("initmenupopup %u", static_cast<unsigned>(LOWORD(static_cast<DWORD>(lParam))));
      break;
    case WM_COMMAND:
      Say("command %u", static_cast<unsigned>(LOWORD(static_cast<DWORD>(wParam))));
      return 0;
    case WM_TIMER:
      Say("tick");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int main() {
  std::string error;
  std::unique_ptr<platform::Host> host = platform::MakeDesktopHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "menu_probe: %s\n", error.c_str());
    return 1;
  }
  platform::InstallHost(*host);
  const WNDCLASSA wc{CS_DBLCLKS,
                     FrameProc,
                     0,
                     0,
                     nullptr,
                     nullptr,
                     LoadCursorA(nullptr, IDC_ARROW),
                     reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1)),
                     nullptr,
                     "MenuProbe"};
  const HMENU menu = LoadMenuA(klop::Module(), "DAZIZAZE");
  if (RegisterClassA(&wc) == 0 || menu == nullptr) {
    std::fputs("menu_probe: no class or no menu\n", stderr);
    return 1;
  }
  const HWND frame = CreateWindowExA(0, "MenuProbe", "menu probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     100, 100, 300, 250, nullptr, menu, nullptr, nullptr);
  if (frame == nullptr || SetTimer(frame, 1, 100, nullptr) == 0) {
    std::fputs("menu_probe: no frame\n", stderr);
    return 1;
  }
  Say("ready");
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
