// Window creation and destruction, geometry, showing, focus and window words.
#include "platform/window/window_internal.h"
#include "windowing_fixture.h"

namespace klop_test {
namespace {

using TWindows = TWindowingTest;

TEST_F(TWindows, CreationSendsNcCreateCreateSizeMoveWithTheCreateStruct) {
  int marker = 7;
  std::vector<int> seenCx;
  anyHandler = [&](HWND, UINT msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
    if (msg == WM_NCCREATE || msg == WM_CREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      EXPECT_EQ(cs->lpCreateParams, &marker);
      EXPECT_STREQ(cs->lpszName, "Klop!");
      seenCx.push_back(cs->cx);
    }
    return std::nullopt;
  };
  HWND h = CreateWindowExA(0, kClass, "Klop!", WS_OVERLAPPEDWINDOW, 10, 20, 300, 200, nullptr,
                           nullptr, nullptr, &marker);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(seenCx, (std::vector<int>{300, 300}));
  const TRecorded size = Log({WM_SIZE}).front();
  EXPECT_EQ(size.wParam, SIZE_RESTORED);
  EXPECT_EQ(LOWORD(size.lParam), 300);
  EXPECT_EQ(HIWORD(size.lParam), 200);
  EXPECT_EQ(Log({WM_MOVE}).front().lParam, MAKELPARAM(10, 20)) << "the client area on screen";
  EXPECT_FALSE(IsWindowVisible(h));
  char title[16];
  EXPECT_EQ(GetWindowTextA(h, title, sizeof title), 5);
  EXPECT_STREQ(title, "Klop!");
}

TEST_F(TWindows, CreateAnsweringMinusOneFailsAndDestroysTheWindow) {
  HWND seen = nullptr;
  anyHandler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_CREATE) {
      seen = hwnd;
      return -1;
    }
    return std::nullopt;
  };
  HWND h = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                           nullptr, nullptr, nullptr);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_EQ(host.WindowCount(), 0u);
}

TEST_F(TWindows, NcCreateAnsweringFalseFailsCreation) {
  anyHandler = [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_NCCREATE) return FALSE;
    return std::nullopt;
  };
  EXPECT_EQ(CreateWindowExA(0, kClass, "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(Kinds({WM_CREATE}).size(), 0u);
}

TEST_F(TWindows, BadCreationArgumentsFail) {
  EXPECT_EQ(
      CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  // A child needs a live parent.
  EXPECT_EQ(
      CreateWindowExA(0, kClass, "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(CreateWindowExA(0, kClass, "", WS_CHILD, 0, 0, 10, 10, reinterpret_cast<HWND>(0x1234),
                            nullptr, nullptr, nullptr),
            nullptr);
  WNDCLASSA wc{};
  wc.lpszClassName = kClass;
  wc.lpfnWndProc = DefWindowProcA;
  EXPECT_EQ(RegisterClassA(&wc), 0) << "a second class of the same name";
  wc.lpszClassName = "klopTESTwindow";
  EXPECT_EQ(RegisterClassA(&wc), 0) << "class names ignore case";
  wc.lpszClassName = "WithClassBytes";
  wc.cbClsExtra = 8;
  EXPECT_EQ(RegisterClassA(&wc), 0) << "extra class bytes are not kept";
}

TEST_F(TWindows, ExtraWindowBytesHoldWordsWithinTheirBounds) {
  WNDCLASSA wc{};
  if (!GetClassInfoA(nullptr, "KlopTestExtra", &wc)) {
    wc.lpszClassName = "KlopTestExtra";
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = 16;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  HWND h =
      CreateWindowExA(0, "KlopTestExtra", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(h, 8), 0) << "zeroed at creation";
  EXPECT_EQ(SetWindowLongPtrA(h, 8, -77), 0);
  EXPECT_EQ(SetWindowLongPtrA(h, 8, 5), -77);
  EXPECT_EQ(GetWindowLongPtrA(h, 8), 5);
  EXPECT_EQ(SetWindowLongPtrA(h, 9, 1), 0) << "would run past the end";
  EXPECT_EQ(GetWindowLongPtrA(h, 8), 5);
  EXPECT_EQ(GetWindowLongPtrA(h, 16), 0);
}

TEST_F(TWindows, DestroyReachesParentThenChildrenAndNcDestroyChildrenFirst) {
  HWND top = MakeTop();
  HWND a = MakeChild(top, 0, 0, 10, 10);
  HWND a1 = MakeChild(a, 0, 0, 5, 5);
  HWND b = MakeChild(top, 20, 0, 10, 10);
  ClearLog();
  EXPECT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> got;
  for (const TRecorded& r : Log({WM_DESTROY, WM_NCDESTROY})) got.emplace_back(r.hwnd, r.msg);
  const std::vector<std::pair<HWND, UINT>> want{
      {top, WM_DESTROY},  {a, WM_DESTROY},   {a1, WM_DESTROY},  {b, WM_DESTROY},
      {a1, WM_NCDESTROY}, {a, WM_NCDESTROY}, {b, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(got, want);
  for (HWND h : {top, a, a1, b}) EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_EQ(host.WindowCount(), 0u);
}

TEST_F(TWindows, CloseDefaultsToDestroyAndDestroyInsideDestroyIsRefused) {
  HWND top = MakeTop();
  BOOL nested = TRUE;
  handlers[top] = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_DESTROY) nested = DestroyWindow(hwnd);
    return std::nullopt;
  };
  SendMessageA(top, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(nested);
}

TEST_F(TWindows, PostedMessagesOfADestroyedWindowAreDropped) {
  HWND a = MakeTop();
  HWND b = MakeTop();
  PostMessageA(a, WM_USER, 1, 0);
  PostMessageA(b, WM_USER, 2, 0);
  DestroyWindow(a);
  MSG m = Next();
  EXPECT_EQ(m.hwnd, b);
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_FALSE(PostMessageA(a, WM_USER, 0, 0));
}

TEST_F(TWindows, ChildGeometryIsRelativeToTheParentClientArea) {
  host.SetDecorations({4, 20, 4, 4});
  HWND top = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 50, 300, 224,
                             nullptr, nullptr, nullptr, nullptr);
  RECT r;
  ASSERT_TRUE(GetWindowRect(top, &r));
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 274);
  GetClientRect(top, &r);
  EXPECT_EQ(r.right, 292);
  EXPECT_EQ(r.bottom, 200);
  HWND child = MakeChild(top, 10, 15, 50, 40, WS_CHILD | WS_VISIBLE, kClass, 42);
  EXPECT_EQ(GetParent(child), top);
  EXPECT_TRUE(IsChild(top, child));
  EXPECT_EQ(GetDlgCtrlID(child), 42);
  EXPECT_EQ(GetDlgItem(top, 42), child);
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 100 + 4 + 10);
  EXPECT_EQ(r.top, 50 + 20 + 15);
  EXPECT_EQ(r.right - r.left, 50);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 114);
  EXPECT_EQ(p.y, 85);
  ScreenToClient(top, &p);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 15);
}

// The frame fit that the application shell does at start: the client window's outer
// size plus the frame's non-client size, whatever the platform first chose.
TEST_F(TWindows, FittingAFrameToItsClientGivesTheExactClientSize) {
  host.SetDecorations({3, 22, 3, 3});
  HWND frame =
      CreateWindowExA(0, kClass, "Klop!", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(frame, nullptr);
  HWND game = MakeChild(frame, 0, 0, 282, 400);
  RECT area, outer, want;
  GetClientRect(frame, &area);
  GetWindowRect(frame, &outer);
  GetWindowRect(game, &want);
  ClearLog();
  ASSERT_TRUE(MoveWindow(frame, outer.left, outer.top,
                         (want.right - want.left) + (outer.right - outer.left) - area.right,
                         (want.bottom - want.top) + (outer.bottom - outer.top) - area.bottom,
                         TRUE));
  GetClientRect(frame, &area);
  EXPECT_EQ(area.right, 282);
  EXPECT_EQ(area.bottom, 400);
  const auto sizes = Log({WM_SIZE});
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(282, 400));
  const platform::HostRect b = host.Bounds(platform::THeadlessHost::HostOf(frame));
  EXPECT_EQ(b.width, 282);
  EXPECT_EQ(b.height, 400);
  // Moving without a size change sends WM_MOVE only.
  ClearLog();
  MoveWindow(game, 0, 0, 282, 400, TRUE);
  EXPECT_EQ(Kinds({WM_SIZE, WM_MOVE}).size(), 0u);
  MoveWindow(game, 5, 0, 282, 400, TRUE);
  EXPECT_EQ(Kinds({WM_SIZE, WM_MOVE}), (std::vector<UINT>{WM_MOVE}));
}

TEST_F(TWindows, MinimiseAndRestoreSendSizeMessagesWithTheRightTypes) {
  HWND top = MakeTop(200, 150);
  ClearLog();
  EXPECT_FALSE(IsIconic(top));
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(top));
  EXPECT_EQ(host.Window(platform::THeadlessHost::HostOf(top))->show, platform::HostShow::Minimized);
  SendMessageA(top, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(top));
  const auto sizes = Log({WM_SIZE});
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0].wParam, SIZE_MINIMIZED);
  EXPECT_EQ(sizes[1].wParam, SIZE_RESTORED);
  EXPECT_EQ(sizes[1].lParam, MAKELPARAM(200, 150));
  // Minimising twice tells nothing new.
  ClearLog();
  SendMessageA(top, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_EQ(Log({WM_SIZE}).size(), 1u);
}

TEST_F(TWindows, RestoringGivesTheFocusBackWhicheverSideMinimised) {
  HWND top = MakeTop();
  HWND kid = MakeChild(top, 0, 0, 10, 10);
  // Like a frame, the window hands its focus to its child.
  handlers[top] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_SETFOCUS) SetFocus(kid);
    return std::nullopt;
  };
  SetFocus(nullptr);
  SetFocus(top);
  ASSERT_EQ(GetFocus(), kid);
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  ShowWindow(top, SW_RESTORE);
  EXPECT_EQ(GetFocus(), kid);
  const platform::HostWindow hw = platform::THeadlessHost::HostOf(top);
  host.MinimizeAt(Ms(0), hw);
  Pump();
  EXPECT_EQ(GetFocus(), nullptr);
  host.RestoreAt(Ms(0), hw);
  Pump();
  EXPECT_EQ(GetFocus(), kid);
  EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(TWindows, ClosingAnOwnedPopupHandsActivationAndFocusBackToItsOwner) {
  HWND frame = MakeTop();
  HWND game = MakeChild(frame, 0, 0, 50, 50);
  handlers[frame] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_SETFOCUS) SetFocus(game);
    return std::nullopt;
  };
  HWND dialog = CreateWindowExA(0, kClass, "Options", WS_POPUP | WS_CAPTION, 50, 50, 120, 90, frame,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetParent(dialog), frame) << "a popup's parent is its owner";
  EnableWindow(frame, FALSE);
  ShowWindow(dialog, SW_SHOWNORMAL);
  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_EQ(GetFocus(), dialog);
  EnableWindow(frame, TRUE);
  DestroyWindow(dialog);
  EXPECT_EQ(GetActiveWindow(), frame);
  EXPECT_EQ(GetFocus(), game);
  // Destroying the owner takes its owned windows along.
  HWND second =
      CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 10, 10, frame, nullptr, nullptr, nullptr);
  DestroyWindow(frame);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(TWindows, UnsupportedStylesFailCreation) {
  for (DWORD style : {WS_MAXIMIZE, WS_HSCROLL, WS_VSCROLL}) {
    EXPECT_EQ(CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | style, 0, 0, 50, 50, nullptr,
                              nullptr, nullptr, nullptr),
              nullptr);
  }
  EXPECT_EQ(host.WindowCount(), 0u);
}

TEST_F(TWindows, ChildrenStackInCreationOrderTheFirstOnTop) {
  HWND top = MakeTop();
  HWND first = MakeChild(top, 0, 0, 40, 40);
  HWND second = MakeChild(top, 20, 20, 40, 40);
  EXPECT_EQ(GetWindow(top, GW_CHILD), first);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(WindowFromPoint(Screen(top, 30, 30)), first) << "the overlap belongs to the first";
  EXPECT_EQ(WindowFromPoint(Screen(top, 50, 50)), second);
  EXPECT_EQ(WindowFromPoint(Screen(top, 70, 70)), top);
}

TEST_F(TWindows, HostMinimiseRestoreAndResizeReachTheWindow) {
  HWND top = MakeTop(200, 150);
  const platform::HostWindow hw = platform::THeadlessHost::HostOf(top);
  host.MinimizeAt(Ms(10), hw);
  host.MinimizeAt(Ms(11), hw);  // a desktop may say it twice
  host.RestoreAt(Ms(20), hw);
  host.ResizeAt(Ms(30), hw, 320, 240);
  host.AdvanceTime(Ms(30));
  ClearLog();
  Pump();
  const auto sizes = Log({WM_SIZE});
  ASSERT_EQ(sizes.size(), 3u);
  EXPECT_EQ(sizes[0].wParam, SIZE_MINIMIZED);
  EXPECT_EQ(sizes[1].wParam, SIZE_RESTORED);
  EXPECT_EQ(sizes[1].lParam, MAKELPARAM(200, 150));
  EXPECT_EQ(sizes[2].wParam, SIZE_RESTORED);
  EXPECT_EQ(sizes[2].lParam, MAKELPARAM(320, 240));
  RECT r;
  GetClientRect(top, &r);
  EXPECT_EQ(r.right, 320);
  EXPECT_EQ(r.bottom, 240);
}

// No size a program asks for (a damaged dialog template included) makes a surface larger
// than any desktop: it would take gigabytes.
TEST_F(TWindows, TopLevelSizesAskedForAreCapped) {
  HWND top = MakeTop(100000, 70);
  RECT r;
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, platform::kMaxWindowSide);
  EXPECT_EQ(r.bottom - r.top, 70);
  MoveWindow(top, 10, 20, 300, 90000, TRUE);
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, platform::kMaxWindowSide);
}

TEST_F(TWindows, ShowDefaultShowsAndActivatesAndUnsupportedShowCommandsFail) {
  HWND top = MakeTop(100, 100, WS_OVERLAPPEDWINDOW);
  ClearLog();
  EXPECT_FALSE(ShowWindow(top, SW_SHOWDEFAULT));
  EXPECT_TRUE(IsWindowVisible(top));
  EXPECT_EQ(host.Window(platform::THeadlessHost::HostOf(top))->show, platform::HostShow::Normal);
  EXPECT_EQ(Kinds({WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}),
            (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}));
  EXPECT_EQ(GetFocus(), top);
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_FALSE(ShowWindow(top, SW_MAXIMIZE));
  EXPECT_FALSE(ShowWindow(top, 77));
  EXPECT_TRUE(ShowWindow(top, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(top));
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(TWindows, FocusMovesWithKillAndSetFocusMessages) {
  HWND top = MakeTop();
  HWND a = MakeChild(top, 0, 0, 10, 10);
  HWND b = MakeChild(top, 10, 0, 10, 10);
  SetFocus(a);
  ClearLog();
  EXPECT_EQ(SetFocus(b), a);
  const auto msgs = Log({WM_KILLFOCUS, WM_SETFOCUS});
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0].hwnd, a);
  EXPECT_EQ(msgs[0].msg, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(msgs[0].wParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(msgs[1].hwnd, b);
  EXPECT_EQ(msgs[1].wParam, reinterpret_cast<WPARAM>(a));
  // A disabled window cannot take the focus; destroying the focus leaves none.
  EnableWindow(a, FALSE);
  EXPECT_FALSE(IsWindowEnabled(a));
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(GetFocus(), b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(TWindows, FocusInAnotherTopLevelWindowActivatesItFirst) {
  HWND a = MakeTop();
  HWND b = MakeTop();
  HWND bKid = MakeChild(b, 0, 0, 10, 10);
  SetFocus(a);
  ASSERT_EQ(GetActiveWindow(), a);
  ClearLog();
  EXPECT_EQ(SetFocus(bKid), a) << "answers the focus before the call";
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), bKid);
  const auto acts = Log({WM_ACTIVATE});
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0].hwnd, a);
  EXPECT_EQ(LOWORD(acts[0].wParam), WA_INACTIVE);
  EXPECT_EQ(acts[1].hwnd, b);
  EXPECT_EQ(LOWORD(acts[1].wParam), WA_ACTIVE);
  // b's activation focused b itself on the way; the last word is bKid's.
  const auto sets = Log({WM_SETFOCUS});
  ASSERT_FALSE(sets.empty());
  EXPECT_EQ(sets.back().hwnd, bKid);
}

TEST_F(TWindows, EnableWindowAnswersThePreviousStateAndSendsWmEnable) {
  HWND top = MakeTop();
  EXPECT_FALSE(EnableWindow(top, FALSE));
  EXPECT_TRUE(EnableWindow(top, FALSE));
  EXPECT_TRUE(EnableWindow(top, TRUE));
  EXPECT_EQ(Log({WM_ENABLE}).size(), 2u);
}

TEST_F(TWindows, SubclassingThroughTheWindowProcedureWord) {
  HWND top = MakeTop();
  static WNDPROC original;
  static int seen;
  seen = 0;
  original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(top, GWLP_WNDPROC));
  ASSERT_NE(original, nullptr);
  WNDPROC sub = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER + 5) ++seen;
    return CallWindowProcA(original, h, m, w, l);
  };
  EXPECT_EQ(SetWindowLongPtrA(top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sub)),
            reinterpret_cast<LONG_PTR>(original));
  ClearLog();
  SendMessageA(top, WM_USER + 5, 0, 0);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_USER + 5})) << "the original still runs";
  EXPECT_EQ(SetWindowLongPtrA(top, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLongPtrA(top, GWLP_USERDATA), 1234);
  EXPECT_EQ(SetWindowLongPtrA(top, GWL_STYLE, 0), 0) << "styles are fixed after creation";
}

TEST_F(TWindows, EnumThreadWindowsVisitsTopLevelWindowsAndStopsOnFalse) {
  HWND a = MakeTop();
  HWND b = MakeTop();
  MakeChild(a, 0, 0, 5, 5);
  static std::vector<HWND> seen;
  seen.clear();
  EXPECT_TRUE(EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM) -> BOOL {
        seen.push_back(h);
        return TRUE;
      },
      0));
  EXPECT_EQ(seen, (std::vector<HWND>{a, b}));
  EXPECT_FALSE(EnumThreadWindows(
      GetCurrentThreadId(), [](HWND, LPARAM) -> BOOL { return FALSE; }, 0));
  DestroyWindow(a);
  DestroyWindow(b);
  seen.clear();
  EXPECT_TRUE(EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM) -> BOOL {
        seen.push_back(h);
        return TRUE;
      },
      0));
  EXPECT_TRUE(seen.empty());
}

TEST_F(TWindows, VersionIsModernUntilATestChangesIt) {
  const DWORD v = GetVersion();
  EXPECT_GE(LOBYTE(v), 6);
  EXPECT_LT(v, 0x80000000u) << "the NT line";
  platform::SetVersionForTesting(0x80000A03);  // 3.10 of the older line
  EXPECT_EQ(LOBYTE(GetVersion()), 3);
  platform::SetVersionForTesting(0);
  EXPECT_EQ(GetVersion(), v);
}

TEST_F(TWindows, TitleChangesReachTheHost) {
  HWND top = MakeTop();
  EXPECT_TRUE(SetWindowTextA(top, "Klop!"));
  EXPECT_EQ(host.Window(platform::THeadlessHost::HostOf(top))->title, "Klop!");
  EXPECT_EQ(GetWindowTextLengthA(top), 5);
  char small[3];
  EXPECT_EQ(GetWindowTextA(top, small, sizeof small), 2);
  EXPECT_STREQ(small, "Kl");
}

TEST_F(TWindows, HostCloseRequestBecomesCloseUnlessTheWindowIsDisabled) {
  HWND a = MakeTop();
  HWND b = MakeTop();
  EnableWindow(b, FALSE);
  host.CloseAt(Ms(0), platform::THeadlessHost::HostOf(a));
  host.CloseAt(Ms(0), platform::THeadlessHost::HostOf(b));
  Pump();
  EXPECT_FALSE(IsWindow(a));
  EXPECT_TRUE(IsWindow(b));
  const auto sys = Log({WM_SYSCOMMAND});
  ASSERT_EQ(sys.size(), 1u);
  EXPECT_EQ(sys[0].wParam, SC_CLOSE);
}

TEST_F(TWindows, TheWindowIconReachesTheHostAndAnswersTheDragIconQuestion) {
  HWND top = MakeTop();
  const HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(SendMessageA(top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
  EXPECT_EQ(host.Window(platform::THeadlessHost::HostOf(top))->icon.width, 32);
  EXPECT_EQ(SendMessageA(top, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(icon));
}

TEST_F(TWindows, TheClassIconReachesTheHostAtCreation) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.lpszClassName = "IconClass";
  ASSERT_NE(wc.hIcon, nullptr);
  WNDCLASSA known{};
  if (!GetClassInfoA(nullptr, wc.lpszClassName, &known)) {
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  HWND top = MakeTop(200, 150, WS_OVERLAPPEDWINDOW, "IconClass");
  EXPECT_EQ(host.Window(platform::THeadlessHost::HostOf(top))->icon.width, 32);
  HWND plain = MakeTop();
  EXPECT_EQ(host.Window(platform::THeadlessHost::HostOf(plain))->icon.width, 0);
}

TEST_F(TWindows, QueryEndSessionIsAgreedTo) {
  HWND top = MakeTop();
  EXPECT_EQ(SendMessageA(top, WM_QUERYENDSESSION, 0, 0), TRUE);
}

}  // namespace
}  // namespace klop_test
