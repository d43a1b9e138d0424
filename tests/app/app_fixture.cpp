#include "app_fixture.h"

#include <chrono>
#include <set>

namespace app_test {

TRecord rec;
std::function<void(TProbe&)> onSetup;
std::function<void(TProbe&, int)> onTick;

namespace {

platform::THeadlessHost* g_host = nullptr;
std::set<HWND> g_answered;
bool g_gaveUp = false;
// A test that never ends its program ends here instead of hanging.
constexpr auto kGiveUpAfter = std::chrono::seconds(120);

std::string TextOf(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

BOOL CALLBACK FindShownFrame(HWND hwnd, LPARAM shown) {
  if (IsWindowVisible(hwnd) && TextOf(hwnd) == "Klop!") *reinterpret_cast<bool*>(shown) = true;
  return TRUE;
}

BOOL CALLBACK LookAtWindow(HWND hwnd, LPARAM) {
  if (g_answered.count(hwnd) != 0 || !IsWindowVisible(hwnd)) return TRUE;
  if (TextOf(hwnd) != "Unhandled Exception") return TRUE;
  g_answered.insert(hwnd);
  TReportSeen seen;
  seen.caption = TextOf(hwnd);
  seen.hasOk = GetDlgItem(hwnd, IDOK) != nullptr;
  seen.hasYes = GetDlgItem(hwnd, IDYES) != nullptr;
  seen.hasNo = GetDlgItem(hwnd, IDNO) != nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownFrame,
                    reinterpret_cast<LPARAM>(&seen.frameShown));
  seen.pixels = g_host->ClientPixels(hwnd, seen.width, seen.height);
  rec.reports.push_back(seen);
  HWND button = GetDlgItem(hwnd, rec.answer);
  if (button != nullptr) g_host->ClickClientAt(g_host->Now(), button, 4, 4);
  return TRUE;
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), LookAtWindow, 0);
  if (!g_gaveUp && g_host->Now() > kGiveUpAfter) {
    g_gaveUp = true;
    ADD_FAILURE() << "the program did not end";
    PostQuitMessage(99);
  }
}

}  // namespace

DEFINE_EVENTS(TProbe, TWindow)
EVENT_MESSAGE(WM_TIMER, EvTimer)
EVENT_MESSAGE(WM_SIZE, EvSize)
EVENT_MESSAGE(WM_DESTROY, EvDestroy)
EVENT_COMMAND(kCmPause, CmPause)
EVENT_COMMAND(kCmAbout, CmAbout)
EVENT_COMMAND(kCmNew, CmNew)
EVENT_ENABLER(kCmNew, NewEnabled)
END_EVENTS

TProbe::TProbe() {
  Attr.W = 282;
  Attr.H = 400;
}

void TProbe::SetupWindow() {
  TWindow::SetupWindow();
  rec.probe = Handle;
  rec.frame = ::GetParent(Handle);
  ::SetTimer(Handle, 1, 100, nullptr);
  if (onSetup) onSetup(*this);
}

void TProbe::EvTimer(UINT) {
  ++rec.ticks;
  if (onTick) onTick(*this, rec.ticks);
}

void TProbe::EvSize(UINT sizeType, const SIZE& size) {
  rec.sizes.push_back({sizeType, size});
  TWindow::EvSize(sizeType, size);
}

void TProbe::EvDestroy() {
  rec.destroyed = true;
  TWindow::EvDestroy();
}

void TProbe::CmPause() {
  rec.calls.push_back("probe:pause");
}

void TProbe::CmAbout() {
  rec.calls.push_back("probe:about");
}

void TProbe::CmNew() {
  rec.calls.push_back("probe:new");
}

void TProbe::NewEnabled(TCommandEnabler& ce) {
  rec.calls.push_back("probe:new?");
  ce.Enable(false);
}

int TestProgramMain(int, char**) {
  TTestApp app;
  return app.Run();
}

void TAppTest::SetUp() {
  platform::InstallHost(host);
  platform::ResetForTesting();
  g_host = &host;
  g_answered.clear();
  g_gaveUp = false;
  rec = TRecord{};
  onSetup = nullptr;
  onTick = nullptr;
}

void TAppTest::TearDown() {
  platform::ResetForTesting();
  onSetup = nullptr;
  onTick = nullptr;
  g_host = nullptr;
}

void TAppTest::ExpectReport(std::size_t index, const std::string& text, bool resume) {
  ASSERT_LT(index, rec.reports.size());
  const TReportSeen seen = rec.reports[index];
  EXPECT_EQ(seen.caption, "Unhandled Exception");
  EXPECT_EQ(seen.hasOk, !resume);
  EXPECT_EQ(seen.hasYes, resume);
  EXPECT_EQ(seen.hasNo, resume);
  // The same box made directly, for comparison.
  const std::string full = resume ? text + "\nOK to Resume?" : text;
  const UINT type = MB_ICONHAND | MB_TASKMODAL | (resume ? MB_YESNO : MB_OK);
  const std::size_t before = rec.reports.size();
  const UINT_PTR watch = SetTimer(nullptr, 0, 10, Watch);
  MessageBoxExA(nullptr, full.c_str(), "Unhandled Exception", type, 0);
  KillTimer(nullptr, watch);
  ASSERT_EQ(rec.reports.size(), before + 1) << "the comparison box was not seen";
  const TReportSeen reference = rec.reports.back();
  rec.reports.pop_back();
  EXPECT_EQ(seen.width, reference.width);
  EXPECT_EQ(seen.height, reference.height);
  EXPECT_TRUE(seen.pixels == reference.pixels) << "the report does not show \"" << full << "\"";
}

int TAppTest::RunProgram(TProgramMain programMain) {
  // A thread timer: it runs inside every modal loop too.
  EXPECT_NE(SetTimer(nullptr, 0, 10, Watch), 0u);
  char name[] = "klop";
  char* argv[] = {name, nullptr};
  const int status = RunProcess(host, klop::Module(), 1, argv, programMain);
  EXPECT_FALSE(host.RanOut()) << "the program waited for input that never came";
  return status;
}

}  // namespace app_test
