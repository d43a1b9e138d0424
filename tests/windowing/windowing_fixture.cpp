#include "windowing_fixture.h"

namespace klop_test {

std::map<HWND, THandler> TWindowingTest::handlers;
THandler TWindowingTest::anyHandler;
std::vector<TRecorded> TWindowingTest::log;

LRESULT CALLBACK TWindowingTest::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  log.push_back({hwnd, msg, wParam, lParam});
  if (anyHandler) {
    if (auto r = anyHandler(hwnd, msg, wParam, lParam)) return *r;
  }
  auto it = handlers.find(hwnd);
  if (it != handlers.end() && it->second) {
    // Copied: the handler may replace itself.
    THandler h = it->second;
    if (auto r = h(hwnd, msg, wParam, lParam)) return *r;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TWindowingTest::SetUp() {
  platform::InstallHost(host);
  platform::ResetForTesting();
  handlers.clear();
  anyHandler = nullptr;
  log.clear();
  WNDCLASSA wc{};
  if (!GetClassInfoA(nullptr, kClass, &wc)) {
    wc = WNDCLASSA{CS_DBLCLKS,
                   Proc,
                   0,
                   0,
                   nullptr,
                   nullptr,
                   LoadCursorA(nullptr, IDC_ARROW),
                   reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1)),
                   nullptr,
                   kClass};
    ASSERT_NE(RegisterClassA(&wc), 0);
    wc = WNDCLASSA{0, Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, kPlainClass};
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
}

void TWindowingTest::TearDown() {
  anyHandler = nullptr;
  handlers.clear();
  platform::ResetForTesting();
}

HWND TWindowingTest::MakeTop(int width, int height, DWORD style, const char* cls) {
  HWND h = CreateWindowExA(0, cls, "test", style, 100, 80, width, height, nullptr, nullptr, nullptr,
                           nullptr);
  EXPECT_NE(h, nullptr);
  return h;
}

HWND TWindowingTest::MakeChild(HWND parent, int x, int y, int width, int height, DWORD style,
                               const char* cls, int id) {
  HWND h =
      CreateWindowExA(0, cls, "", style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
  EXPECT_NE(h, nullptr);
  return h;
}

std::vector<TRecorded> TWindowingTest::Log(std::initializer_list<UINT> only) const {
  std::vector<TRecorded> out;
  for (const TRecorded& r : log) {
    if (only.size() == 0 || std::find(only.begin(), only.end(), r.msg) != only.end()) {
      out.push_back(r);
    }
  }
  return out;
}

std::vector<UINT> TWindowingTest::Kinds(std::initializer_list<UINT> only) const {
  std::vector<UINT> out;
  for (const TRecorded& r : Log(only)) out.push_back(r.msg);
  return out;
}

void TWindowingTest::ClearLog() {
  log.clear();
}

int TWindowingTest::Pump() {
  MSG m;
  int n = 0;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
    if (++n > 100000) {
      ADD_FAILURE() << "the queue never runs dry";
      break;
    }
  }
  return n;
}

MSG TWindowingTest::Next() {
  MSG m{};
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "no message waiting";
  return m;
}

POINT TWindowingTest::Screen(HWND hwnd, int x, int y) const {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

}  // namespace klop_test
