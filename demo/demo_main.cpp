// klop-demo: one platform window on the real desktop, for the end-to-end tests and the
// benchmarks until the game exists. It paints a fixed picture, repaints a 72x72
// square on a 100 ms timer, swaps its cursor on each press, and writes one line to
// stdout for each thing that a test looks for.
//
//   klop-demo [--ticks] [--idle] [--exit-after-ticks N]
//     --ticks               also log each tick: "tick N MS" (MS since the timer was set)
//     --idle                set no timer: the program only waits for input
//     --exit-after-ticks N  close the window after the Nth tick
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "demo/demo_resources.h"
#include "demo/frame_timing_host.h"
#include "platform/host/sdl/sdl_host.h"
#include "platform/platform.h"

namespace demo {
namespace {

constexpr int kClientWidth = 282;
constexpr int kClientHeight = 400;
constexpr RECT kBand{0, 0, kClientWidth, 40};
constexpr RECT kSquare{105, 164, 105 + 72, 164 + 72};
constexpr COLORREF kGround = RGB(192, 192, 192);
constexpr COLORREF kBandColour = RGB(0, 0, 128);
constexpr COLORREF kSquareColours[2] = {RGB(255, 0, 0), RGB(0, 128, 0)};
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 100;
constexpr const char* kClassName = "KlopDemo";

struct TOptions {
  bool logTicks = false;
  bool idle = false;
  long exitAfterTicks = 0;  // 0: never
};

struct TDemo {
  TOptions options;
  HCURSOR cursors[2] = {};
  int cursor = 0;
  long ticks = 0;
  std::chrono::steady_clock::time_point timerSet;
};

TDemo g_demo;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);  // the tests read the lines as they come
}

double WallMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void PaintSquare(HDC dc) {
  Fill(dc, kSquare, kSquareColours[g_demo.ticks % 2]);
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(window, &client);
  Fill(dc, client, kGround);
  Fill(dc, kBand, kBandColour);
  PaintSquare(dc);
  EndPaint(window, &ps);
}

void Tick(HWND window) {
  ++g_demo.ticks;
  if (HDC dc = GetDC(window)) {
    PaintSquare(dc);
    ReleaseDC(window, dc);
  }
  if (g_demo.options.logTicks) {
    using namespace std::chrono;
    double ms = duration<double, std::milli>(steady_clock::now() - g_demo.timerSet).count();
    Log("tick %ld %.3f", g_demo.ticks, ms);
  }
  if (g_demo.options.exitAfterTicks > 0 && g_demo.ticks >= g_demo.options.exitAfterTicks) {
    KillTimer(window, kTimerId);
    DestroyWindow(window);
  }
}

const char* SizeName(WPARAM type) {
  switch (type) {
    case SIZE_MINIMIZED:
      return "minimized";
    case SIZE_MAXIMIZED:
      return "maximized";
    case SIZE_RESTORED:
      return "restored";
    default:
      return "other";
  }
}

LRESULT CALLBACK DemoProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_TIMER:
      if (wParam == kTimerId) Tick(window);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(std::uintptr_t(lParam)) == HTCLIENT && g_demo.cursors[g_demo.cursor]) {
        SetCursor(g_demo.cursors[g_demo.cursor]);
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      Log("click %d %d", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      g_demo.cursor ^= 1;
      SetCursor(g_demo.cursors[g_demo.cursor]);
      Log("cursor %s", g_demo.cursor == 0 ? "cross" : "box");
      return 0;
    case WM_LBUTTONDBLCLK:
      Log("dblclk %d %d", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      Log("release %d %d", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_RBUTTONDOWN:
      Log("rclick %d %d", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_SIZE:
      Log("size %s %d %d", SizeName(wParam), LOWORD(std::uintptr_t(lParam)),
          HIWORD(std::uintptr_t(lParam)));
      return 0;
    case WM_KEYDOWN:
      Log("key 0x%02X", unsigned(wParam));
      return 0;
    case WM_CHAR:
      Log("char 0x%02X", unsigned(wParam));
      return 0;
    case WM_DESTROY:
      Log("closed");
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, msg, wParam, lParam);
}

bool ParseOptions(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--ticks") {
      options.logTicks = true;
    } else if (arg == "--idle") {
      options.idle = true;
    } else if (arg == "--exit-after-ticks" && i + 1 < argc) {
      char* end = nullptr;
      long n = std::strtol(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || n <= 0) {
        std::fprintf(stderr, "klop-demo: --exit-after-ticks wants a positive count, not '%s'\n",
                     argv[i]);
        return false;
      }
      options.exitAfterTicks = n;
    } else {
      std::fprintf(stderr, "klop-demo: unknown option '%s'\n", argv[i]);
      return false;
    }
  }
  if (options.idle && options.exitAfterTicks > 0) {
    std::fputs("klop-demo: --idle sets no timer, so --exit-after-ticks would never end it\n",
               stderr);
    return false;
  }
  return true;
}

// The frame's decorations are known only once the desktop has placed it, so the
// outer size is corrected until the client area is what was asked for.
void FitClient(HWND window) {
  RECT client;
  RECT outer;
  if (!GetClientRect(window, &client) || !GetWindowRect(window, &outer)) return;
  int dw = kClientWidth - (client.right - client.left);
  int dh = kClientHeight - (client.bottom - client.top);
  if (dw == 0 && dh == 0) return;
  MoveWindow(window, outer.left, outer.top, outer.right - outer.left + dw,
             outer.bottom - outer.top + dh, TRUE);
}

int Run(const TOptions& options) {
  g_demo.options = options;
  HINSTANCE module = DemoModule();
  g_demo.cursors[0] = LoadCursorA(module, kCrossCursor);
  g_demo.cursors[1] = LoadCursorA(module, kBoxCursor);
  if (g_demo.cursors[0] == nullptr || g_demo.cursors[1] == nullptr) {
    std::fputs("klop-demo: cannot load the demo's cursors\n", stderr);
    return 1;
  }

  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = module;
  wc.hIcon = LoadIconA(module, kIcon);
  wc.hCursor = g_demo.cursors[0];
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = kClassName;
  if (RegisterClassA(&wc) == 0) {
    std::fputs("klop-demo: cannot register the window class\n", stderr);
    return 1;
  }
  RECT outer{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowExA(0, kClassName, "Klop! demo", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                nullptr, module, nullptr);
  if (window == nullptr) {
    std::fputs("klop-demo: cannot create the window\n", stderr);
    return 1;
  }
  // The frame's icon, as the desktop shows it in the title bar and the task bar.
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(wc.hIcon));
  FitClient(window);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  FitClient(window);
  if (!options.idle) {
    g_demo.timerSet = std::chrono::steady_clock::now();
    if (SetTimer(window, kTimerId, kTimerMs, nullptr) == 0) {
      std::fputs("klop-demo: no timer could be set\n", stderr);
      DestroyWindow(window);
      return 1;
    }
  }
  RECT client;
  GetClientRect(window, &client);
  Log("ready %ld %ld", long(client.right - client.left), long(client.bottom - client.top));

  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (got < 0) {
    std::fputs("klop-demo: the message queue failed\n", stderr);
    return 1;
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace
}  // namespace demo

int main(int argc, char** argv) {
  demo::TOptions options;
  if (!demo::ParseOptions(argc, argv, options)) {
    std::fputs("usage: klop-demo [--ticks] [--idle] [--exit-after-ticks N]\n", stderr);
    return 2;
  }
  std::string error;
  std::unique_ptr<platform::Host> sdl = platform::MakeSdlHost(error);
  if (sdl == nullptr) {
    std::fprintf(stderr, "klop-demo: cannot open the display: %s\n", error.c_str());
    return 1;
  }
  demo::TFrameTimingHost host(*sdl, [] { demo::Log("frame %.3f", demo::WallMs()); });
  platform::InstallHost(host);
  return demo::Run(options);
}
