// A fresh platform on a headless host for each test, windows whose procedures record
// every message, and handlers a test can put in front of the default procedure.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/host/headless.h"
#include "platform/platform.h"

namespace klop_test {

struct TRecorded {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Answers a value to take over a message, or nothing to pass it on to DefWindowProcA.
using THandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

class TWindowingTest : public ::testing::Test {
 protected:
  static constexpr const char* kClass = "KlopTestWindow";      // CS_DBLCLKS, window brush
  static constexpr const char* kPlainClass = "KlopTestPlain";  // no class style, no brush

  void SetUp() override;
  void TearDown() override;

  HWND MakeTop(int width = 200, int height = 150, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE,
               const char* cls = kClass);
  HWND MakeChild(HWND parent, int x, int y, int width, int height,
                 DWORD style = WS_CHILD | WS_VISIBLE, const char* cls = kClass, int id = 0);

  // Messages recorded so far, optionally only these kinds.
  std::vector<TRecorded> Log(std::initializer_list<UINT> only = {}) const;
  std::vector<UINT> Kinds(std::initializer_list<UINT> only = {}) const;
  void ClearLog();
  // Dispatches every waiting message; answers how many.
  int Pump();
  // Takes the next message (PM_REMOVE) or fails the test.
  MSG Next();
  POINT Screen(HWND hwnd, int x, int y) const;

  static std::chrono::milliseconds Ms(long long v) { return std::chrono::milliseconds(v); }

  platform::THeadlessHost host;
  static std::map<HWND, THandler> handlers;
  static THandler anyHandler;  // for messages that arrive before the handle is known
  static std::vector<TRecorded> log;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
};

}  // namespace klop_test
