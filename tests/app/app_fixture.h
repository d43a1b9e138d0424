// The test program: TApp with a probe window as the frame's client, run from the
// process entry on a headless host, and a watcher that finds each error report on
// the screen, writes down what it says and answers it with a click.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "program/app.h"
#include "app/command_enabler.h"
#include "app/dc.h"
#include "app/dialog.h"
#include "app/entry.h"
#include "app/frame_window.h"
#include "platform/host/headless.h"
#include "platform/platform.h"
#include "res/klop_resources.h"

namespace app_test {

constexpr UINT kCmNew = 100;
constexpr UINT kCmOptions = 101;
constexpr UINT kCmAbout = 102;
constexpr UINT kCmPause = 103;
constexpr UINT kCmStop = 104;

// One report box as the watcher saw it.
struct TReportSeen {
  std::string caption;
  bool hasOk = false;
  bool hasYes = false;
  bool hasNo = false;
  bool frameShown = false;  // a "Klop!" window was visible meanwhile
  int width = 0;            // its client area's picture
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// What the probe and the watcher saw; kept after the windows are gone.
struct TRecord {
  HWND frame = nullptr;
  HWND probe = nullptr;
  int ticks = 0;
  std::vector<std::pair<UINT, SIZE>> sizes;  // WM_SIZE reaching the probe
  std::vector<std::string> calls;            // commands and enablers, in order
  std::vector<TReportSeen> reports;
  int answer = IDOK;  // how the watcher answers a report
  bool destroyed = false;
};

extern TRecord rec;
// Run in the probe's set-up, and at each of its timer ticks (count from 1).
extern std::function<void(class TProbe&)> onSetup;
extern std::function<void(class TProbe&, int)> onTick;

// The frame's client in the test program: records what reaches it.
class TProbe : public TWindow {
  DECLARE_EVENTS(TProbe);

 public:
  TProbe();
  void SetupWindow() override;

 protected:
  void EvTimer(UINT id);
  void EvSize(UINT sizeType, const SIZE& size);
  void EvDestroy();
  void CmPause();
  void CmAbout();
  void CmNew();
  void NewEnabled(TCommandEnabler& ce);
};

class TTestApp : public TApp {
 protected:
  std::unique_ptr<TWindow> MakeClient() override { return std::make_unique<TProbe>(); }
};

int TestProgramMain(int argc, char** argv);

class TAppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the test program from the process entry; answers its status.
  int RunProgram(TProgramMain programMain = TestProgramMain);
  // The host window showing the frame.
  platform::HostWindow FrameHost() const { return platform::THeadlessHost::HostOf(rec.frame); }
  // Asks the desktop to close the frame, now.
  void CloseFrame() { host.CloseAt(host.Now(), FrameHost()); }
  // The report `index` shows `text` (and the question to resume, with Yes and No)
  // exactly as the platform's message box shows it: the stop icon, the text, the
  // buttons, pixel for pixel.
  void ExpectReport(std::size_t index, const std::string& text, bool resume);

  platform::THeadlessHost host;
};

}  // namespace app_test
