// Pointer input: WM_SETCURSOR, mouse messages, double-clicks, capture, the cursor.
#include "platform/resources/cursor_icon.h"
#include "platform/resources/resource_table.h"
#include "platform/window/window_internal.h"
#include "windowing_fixture.h"

namespace klop_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A 32x32 black square cursor with its hot spot at (hx, hy).
Bytes SquareCursor(int hx, int hy) {
  Bytes b;
  Put16(b, static_cast<std::uint32_t>(hx));
  Put16(b, static_cast<std::uint32_t>(hy));
  for (std::uint32_t v : {40u, 32u, 64u}) Put32(b, v);
  Put16(b, 1);
  Put16(b, 1);
  for (std::uint32_t v : {0u, 0u, 0u, 0u, 2u, 0u}) Put32(b, v);  // two palette entries
  Put32(b, 0);                                                   // black
  Put32(b, 0x00FFFFFF);                                          // white
  for (int i = 0; i < 32; ++i) Put32(b, 0);                      // XOR: black
  for (int i = 0; i < 32; ++i) Put32(b, 0);                      // AND: opaque
  return b;
}

HCURSOR Mallet() {
  static const Bytes bytes = SquareCursor(3, 5);
  static const platform::ResourceEntry entries[] = {
      {platform::ResourceKind::Cursor, "MALLET", bytes.data(), bytes.size()}};
  static const platform::ResourceTable table{entries, 1};
  return LoadCursorA(platform::RegisterModule(table), "Mallet");
}

class TMouse : public TWindowingTest {
 protected:
  static constexpr const char* kMalletClass = "KlopTestMallet";  // CS_DBLCLKS, the mallet

  void SetUp() override {
    TWindowingTest::SetUp();
    WNDCLASSA wc{};
    if (!GetClassInfoA(nullptr, kMalletClass, &wc)) {
      ASSERT_TRUE(GetClassInfoA(nullptr, kClass, &wc));
      wc.hCursor = Mallet();
      ASSERT_NE(wc.hCursor, nullptr);
      wc.lpszClassName = kMalletClass;
      ASSERT_NE(RegisterClassA(&wc), 0);
    }
  }

  // Screen point of client (x, y) of `hwnd` at virtual time `t`: move, press, release.
  void ClickClient(HWND hwnd, long long t, int x, int y) { host.ClickClientAt(Ms(t), hwnd, x, y); }

  // Runs the loop until the virtual clock reaches `t` and the queue is dry.
  void RunTo(long long t) {
    host.AdvanceTime(std::chrono::duration_cast<std::chrono::milliseconds>(Ms(t) - host.Now()));
    Pump();
  }

  std::vector<UINT> Buttons() const {
    return Kinds({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
  }

  static std::uint64_t ShapeId(HCURSOR c) { return platform::CursorShapeOf(c)->id; }
};

TEST_F(TMouse, SetCursorComesBeforeEachMouseMessage) {
  HWND top = MakeTop(100, 80);
  Pump();
  ClearLog();
  ClickClient(top, 0, 10, 20);
  Pump();
  const auto got = Log({WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_EQ(got.size(), 6u);
  const UINT triggers[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(got[2 * i].msg, static_cast<UINT>(WM_SETCURSOR));
    EXPECT_EQ(got[2 * i].wParam, reinterpret_cast<WPARAM>(top));
    EXPECT_EQ(LOWORD(got[2 * i].lParam), HTCLIENT);
    EXPECT_EQ(HIWORD(got[2 * i].lParam), triggers[i]);
    EXPECT_EQ(got[2 * i + 1].msg, triggers[i]);
    EXPECT_EQ(GET_X_LPARAM(got[2 * i + 1].lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(got[2 * i + 1].lParam), 20);
  }
  EXPECT_EQ(got[3].wParam, MK_LBUTTON) << "the press carries the button";
  EXPECT_EQ(got[5].wParam, 0u) << "the release no longer does";
}

TEST_F(TMouse, KeyFlagsFollowButtonsAndModifiers) {
  HWND top = MakeTop(100, 80);
  Pump();
  const POINT p = Screen(top, 5, 5);
  host.MoveAt(Ms(0), p.x, p.y);
  host.PressAt(Ms(0), platform::kButtonLeft, platform::kModShift | platform::kModCtrl);
  host.MoveAt(Ms(1), p.x + 3, p.y);
  host.PressAt(Ms(2), platform::kButtonRight);
  host.ReleaseAt(Ms(3), platform::kButtonRight);
  host.ReleaseAt(Ms(3));
  ClearLog();
  RunTo(3);
  const auto got = Log({WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONUP});
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[1].wParam, MK_LBUTTON | MK_SHIFT | MK_CONTROL);
  EXPECT_EQ(got[2].msg, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(got[2].wParam, MK_LBUTTON) << "held while moving";
  EXPECT_EQ(got[3].wParam, MK_LBUTTON | MK_RBUTTON);
  EXPECT_EQ(got[4].wParam, MK_LBUTTON);
  EXPECT_EQ(got[5].wParam, 0u);
}

struct TDoubleCase {
  const char* what;
  long long secondAt;  // ms after the first press
  int dx;
  int dy;
  bool otherWindow;
  bool plainClass;
  bool dbl;
};

void PrintTo(const TDoubleCase& c, std::ostream* os) {
  *os << c.what;
}

class TDoubleClick : public TMouse, public ::testing::WithParamInterface<TDoubleCase> {};

TEST_P(TDoubleClick, SecondPressFollowsTheTimeAndBoxRule) {
  const TDoubleCase& c = GetParam();
  const char* cls = c.plainClass ? kPlainClass : kClass;
  HWND top = MakeTop(200, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, cls);
  HWND left = MakeChild(top, 0, 0, 50, 100, WS_CHILD | WS_VISIBLE, cls);
  HWND right = MakeChild(top, 50, 0, 50, 100, WS_CHILD | WS_VISIBLE, cls);
  Pump();
  ClearLog();
  // The first press sits on the right edge of `left`; the other window is just beside it.
  ClickClient(left, 1000, 49, 40);
  if (c.otherWindow) {
    ClickClient(right, 1000 + c.secondAt, 0, 40);
  } else {
    ClickClient(left, 1000 + c.secondAt, 49 + c.dx, 40 + c.dy);
  }
  RunTo(1000 + c.secondAt);
  const std::vector<UINT> want =
      c.dbl ? std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}
            : std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
  EXPECT_EQ(Buttons(), want) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rule, TDoubleClick,
    ::testing::Values(TDoubleCase{"quick, same spot", 0, 0, 0, false, false, true},
                      TDoubleCase{"499 ms", 499, 0, 0, false, false, true},
                      TDoubleCase{"500 ms is too late", 500, 0, 0, false, false, false},
                      TDoubleCase{"one pixel up-left", 100, -1, -1, false, false, true},
                      TDoubleCase{"one pixel down", 100, 0, 1, false, false, true},
                      TDoubleCase{"two pixels left", 100, -2, 0, false, false, false},
                      TDoubleCase{"two pixels up", 100, 0, -2, false, false, false},
                      TDoubleCase{"two pixels down", 100, 0, 2, false, false, false},
                      TDoubleCase{"one pixel right, into the other window", 100, 1, 0, true, false,
                                  false},
                      TDoubleCase{"class without CS_DBLCLKS", 100, 0, 0, false, true, false}));

TEST_F(TMouse, AThirdPressIsPlainAndAFourthDoublesAgain) {
  HWND top = MakeTop(100, 80);
  Pump();
  ClearLog();
  for (int i = 0; i < 4; ++i) ClickClient(top, 100 * i, 10, 10);
  RunTo(300);
  EXPECT_EQ(
      Kinds({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
      (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
  // The double-click press still asks for the cursor, naming the plain press.
  const auto asks = Log({WM_SETCURSOR});
  int downs = 0;
  for (const TRecorded& r : asks) downs += HIWORD(r.lParam) == WM_LBUTTONDOWN;
  EXPECT_EQ(downs, 4);
}

TEST_F(TMouse, TheClassCursorShowsOverTheClientArea) {
  HWND mallet = MakeTop(100, 80, WS_OVERLAPPEDWINDOW | WS_VISIBLE, kMalletClass);
  HWND arrow = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 80, 100, 80,
                               nullptr, nullptr, nullptr, nullptr);
  Pump();
  POINT p = Screen(mallet, 20, 20);
  host.MoveAt(Ms(0), p.x, p.y);
  RunTo(0);
  EXPECT_EQ(host.CurrentCursor().id, ShapeId(Mallet()));
  EXPECT_EQ(host.CurrentCursor().hotX, 3);
  EXPECT_EQ(host.CurrentCursor().hotY, 5);
  EXPECT_EQ(host.CurrentCursor().width, 32);
  p = Screen(arrow, 20, 20);
  host.MoveAt(Ms(1), p.x, p.y);
  RunTo(1);
  EXPECT_TRUE(host.CurrentCursor().systemArrow);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(TMouse, AChildAsksItsParentFirstAndTheParentMayDecide) {
  HWND top = MakeTop(100, 80, WS_OVERLAPPEDWINDOW | WS_VISIBLE, kMalletClass);
  HWND kid = MakeChild(top, 10, 10, 40, 40, WS_CHILD | WS_VISIBLE, kClass);
  Pump();
  POINT p = Screen(kid, 5, 5);
  ClearLog();
  host.MoveAt(Ms(0), p.x, p.y);
  RunTo(0);
  auto asks = Log({WM_SETCURSOR});
  ASSERT_EQ(asks.size(), 2u);
  EXPECT_EQ(asks[0].hwnd, kid);
  EXPECT_EQ(asks[1].hwnd, top);
  EXPECT_EQ(asks[1].wParam, reinterpret_cast<WPARAM>(kid)) << "it names the window under it";
  EXPECT_TRUE(host.CurrentCursor().systemArrow) << "the child's own class cursor";
  // A parent that answers TRUE keeps its choice.
  handlers[top] = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_SETCURSOR) return std::nullopt;
    SetCursor(Mallet());
    return TRUE;
  };
  host.MoveAt(Ms(1), p.x + 1, p.y);
  RunTo(1);
  EXPECT_EQ(host.CurrentCursor().id, ShapeId(Mallet()));
}

TEST_F(TMouse, SetCursorAnswersThePreviousAndSkipsTheSameOne) {
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  EXPECT_EQ(SetCursor(arrow), nullptr);
  const int changes = host.CursorChanges();
  EXPECT_EQ(SetCursor(arrow), arrow);
  EXPECT_EQ(host.CursorChanges(), changes) << "the same cursor again does nothing";
  EXPECT_EQ(SetCursor(Mallet()), arrow);
  EXPECT_EQ(host.CursorChanges(), changes + 1);
  EXPECT_EQ(SetCursor(reinterpret_cast<HCURSOR>(0x5151)), nullptr) << "not a cursor";
  EXPECT_EQ(GetCursor(), Mallet());
  EXPECT_EQ(SetCursor(nullptr), Mallet());
  EXPECT_TRUE(host.CursorHidden());
  EXPECT_EQ(host.CurrentCursor().width, 0);
}

TEST_F(TMouse, SetCursorPosAsksTheWindowUnderThePointerAtOnce) {
  HWND top = MakeTop(100, 80);
  Pump();
  const POINT p = Screen(top, 30, 30);
  host.MoveAt(Ms(0), p.x, p.y);
  RunTo(0);
  HCURSOR wanted = LoadCursorA(nullptr, IDC_ARROW);
  handlers[top] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg != WM_SETCURSOR) return std::nullopt;
    SetCursor(wanted);
    return TRUE;
  };
  wanted = Mallet();  // the window's cursor changes while the pointer rests
  ClearLog();
  POINT at;
  ASSERT_TRUE(GetCursorPos(&at));
  ASSERT_TRUE(SetCursorPos(at.x, at.y));
  EXPECT_EQ(Kinds({WM_SETCURSOR, WM_MOUSEMOVE}), (std::vector<UINT>{WM_SETCURSOR}))
      << "asked before SetCursorPos returns";
  EXPECT_EQ(host.CurrentCursor().id, ShapeId(Mallet()));
  Pump();
  EXPECT_EQ(Kinds({WM_SETCURSOR, WM_MOUSEMOVE}), (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE}));
  EXPECT_EQ(Log({WM_MOUSEMOVE})[0].lParam, MAKELPARAM(30, 30));
  // Outside every window nothing is asked.
  ClearLog();
  SetCursorPos(-500, -500);
  Pump();
  EXPECT_TRUE(Kinds().empty());
  GetCursorPos(&at);
  EXPECT_EQ(at.x, -500);
}

TEST_F(TMouse, CaptureKeepsThePointerAndSkipsTheCursorQuestion) {
  HWND top = MakeTop(100, 80);
  HWND other = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 80, 100, 80,
                               nullptr, nullptr, nullptr, nullptr);
  Pump();
  EXPECT_EQ(SetCapture(top), nullptr);
  EXPECT_EQ(GetCapture(), top);
  EXPECT_EQ(host.Captured(), platform::THeadlessHost::HostOf(top));
  ClearLog();
  const POINT outside = Screen(top, -20, 200);
  const POINT overOther = Screen(other, 5, 5);
  host.MoveAt(Ms(0), outside.x, outside.y);
  host.MoveAt(Ms(1), overOther.x, overOther.y);
  RunTo(1);
  const auto moves = Log({WM_MOUSEMOVE});
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].hwnd, top);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), -20);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 200);
  EXPECT_EQ(moves[1].hwnd, top);
  EXPECT_EQ(Log({WM_SETCURSOR}).size(), 0u);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(host.Captured(), 0u);
  const auto changed = Log({WM_CAPTURECHANGED});
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, top);
  // Destroying the capturing window ends the capture.
  SetCapture(other);
  DestroyWindow(other);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TMouse, ADisabledWindowGetsNoMouseMessagesAndADisabledChildLetsTheParentHaveThem) {
  HWND top = MakeTop(100, 80);
  HWND kid = MakeChild(top, 0, 0, 50, 50);
  Pump();
  EnableWindow(kid, FALSE);
  ClearLog();
  ClickClient(kid, 0, 5, 5);
  RunTo(0);
  for (const TRecorded& r : Log({WM_LBUTTONDOWN, WM_LBUTTONUP})) EXPECT_EQ(r.hwnd, top);
  EXPECT_EQ(Log({WM_LBUTTONDOWN}).size(), 1u);
  EnableWindow(top, FALSE);
  ClearLog();
  ClickClient(top, 10, 60, 60);
  RunTo(10);
  EXPECT_EQ(Log({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}).size(), 0u);
  const auto asks = Log({WM_SETCURSOR});
  ASSERT_FALSE(asks.empty());
  EXPECT_EQ(static_cast<SHORT>(LOWORD(asks[0].lParam)), HTERROR);
  EXPECT_TRUE(host.CurrentCursor().systemArrow);
}

TEST_F(TMouse, TheNonClientStripGetsNonClientMessagesInScreenCoordinates) {
  HWND top = MakeTop(100, 80);
  ASSERT_TRUE(platform::SetNonClientTop(top, 20));
  Pump();
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(client.bottom, 60) << "the strip comes off the client area";
  POINT strip = Screen(top, 10, -5);
  ClearLog();
  host.MoveAt(Ms(0), strip.x, strip.y);
  host.PressAt(Ms(0));
  RunTo(0);
  const auto nc = Log({WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN});
  ASSERT_EQ(nc.size(), 2u);
  EXPECT_EQ(nc[1].wParam, static_cast<WPARAM>(HTMENU));
  EXPECT_EQ(GET_X_LPARAM(nc[1].lParam), strip.x);
  EXPECT_EQ(GET_Y_LPARAM(nc[1].lParam), strip.y);
  EXPECT_EQ(Log({WM_MOUSEMOVE, WM_LBUTTONDOWN}).size(), 0u);
  EXPECT_EQ(WindowFromPoint(Screen(top, 10, 10)), top);
}

}  // namespace
}  // namespace klop_test
