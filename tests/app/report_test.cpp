// Errors that reach the top: the report the user sees and how the program goes on.
#include <stdexcept>

#include "app/report.h"

#include "app_fixture.h"

namespace app_test {
namespace {

using platform::TOperation;

class TReportTest : public TAppTest {};

TEST_F(TReportTest, AnErrorDuringPlayAsksToResumeAndYesGoesOn) {
  rec.answer = IDYES;
  int ticksAfter = 0;
  onTick = [&](TProbe&, int tick) {
    if (tick == 2) throw std::runtime_error("the probe tripped");
    if (tick > 2) ++ticksAfter;
    if (tick == 5) CloseFrame();
  };
  EXPECT_EQ(RunProgram(), 0);
  ASSERT_EQ(rec.reports.size(), 1u);
  ExpectReport(0, "the probe tripped", true);
  EXPECT_EQ(ticksAfter, 3);  // the window went on as it was
}

TEST_F(TReportTest, NoToResumeEndsTheProgramWithMinusOne) {
  rec.answer = IDNO;
  onTick = [&](TProbe&, int tick) {
    if (tick == 2) throw 17;  // not even an error class: an empty text
  };
  EXPECT_EQ(RunProgram(), -1);
  ASSERT_EQ(rec.reports.size(), 1u);
  ExpectReport(0, "Unknown Exception", true);
  EXPECT_EQ(rec.ticks, 2);
}

// Each refusal during play reaches the loop with its framework error.
TEST_F(TReportTest, RefusalsDuringPlayAskToResume) {
  struct TCase {
    TOperation op;
    std::function<void(TProbe&)> work;
    const char* text;
  };
  const TCase cases[] = {
      {TOperation::GetDC, [](TProbe& p) { TClientDC dc(p.GetHandle()); },
       "Exception #32739 (no message available)."},
      {TOperation::BeginPaint, [](TProbe& p) { p.Invalidate(true); },
       "Exception #32739 (no message available)."},
      {TOperation::CreateCompatibleDC,
       [](TProbe& p) {
         TClientDC dc(p.GetHandle());
         TMemoryDC mem(dc);
       },
       "Exception #32739 (no message available)."},
      {TOperation::CreateSolidBrush, [](TProbe&) { TBrush b(RGB(128, 128, 0)); },
       "Exception #32739 (no message available)."},
      {TOperation::DialogBoxParamA, [](TProbe& p) { TDialog(&p, "About").Execute(); },
       "Exception #32746 (no message available)."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    SCOPED_TRACE(static_cast<int>(c.op));
    SetUp();
    rec.answer = IDYES;
    onTick = [&](TProbe& p, int tick) {
      if (tick == 2) {
        platform::RefuseForTesting(c.op);
        c.work(p);
      }
      if (tick == 4) CloseFrame();
    };
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(rec.reports.size(), 1u);
    ExpectReport(0, c.text, true);
    EXPECT_GE(rec.ticks, 4);
    TearDown();
  }
}

// A refusal while the program starts: the report with OK alone, the frame never
// shown, and -1.
TEST_F(TReportTest, RefusalsAtStartUpAreReportedBeforeTheFrameShows) {
  struct TCase {
    TOperation op;
    unsigned nth;
    bool loadPicture;  // the probe's set-up loads a bitmap
    const char* text;
  };
  const TCase cases[] = {
      {TOperation::RegisterClassA, 1, false, "Exception #32749 (no message available)."},
      {TOperation::CreateWindowExA, 1, false, "Exception #32747 (no message available)."},
      {TOperation::CreateWindowExA, 2, false, "Exception #32745 (no message available)."},
      {TOperation::LoadBitmapA, 1, true, "Exception #32739 (no message available)."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    SetUp();
    UnregisterClassA("KlopFrameworkWindow", nullptr);
    if (c.loadPicture) {
      onSetup = [](TProbe& p) { TBitmap board(*p.GetModule(), "Board"); };
    }
    platform::RefuseForTesting(c.op, c.nth);
    EXPECT_EQ(RunProgram(), -1);
    ASSERT_EQ(rec.reports.size(), 1u);
    ExpectReport(0, c.text, false);
    EXPECT_FALSE(rec.reports[0].frameShown);
    EXPECT_EQ(rec.ticks, 0);
    TearDown();
  }
}

TEST_F(TReportTest, AnErrorEscapingTheMainFunctionIsReportedByTheEntry) {
  EXPECT_EQ(RunProgram([](int, char**) -> int { throw TApplication::TXInvalidMainWindow(); }), -1);
  ASSERT_EQ(rec.reports.size(), 1u);
  ExpectReport(0, "Exception #32759 (no message available).", false);
}

class TNoWindowApp : public TApplication {};

TEST_F(TReportTest, AnApplicationThatBuildsNoMainWindowReportsIt) {
  EXPECT_EQ(RunProgram([](int, char**) {
              TNoWindowApp app;
              return app.Run();
            }),
            -1);
  ASSERT_EQ(rec.reports.size(), 1u);
  ExpectReport(0, "Exception #32759 (no message available).", false);
}

// The 3-D look's library, on a platform older than major version 4.
int g_registered = 0;
int g_unregistered = 0;
BOOL FakeRegister(HINSTANCE instance) {
  EXPECT_EQ(instance, klop::Module());
  ++g_registered;
  return TRUE;
}
BOOL FakeUnregister(HINSTANCE) {
  ++g_unregistered;
  return TRUE;
}
FARPROC Export(BOOL (*f)(HINSTANCE)) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));
}

TEST_F(TReportTest, TheLookLibraryIsLoadedOnlyOnOldPlatforms) {
  struct TCase {
    DWORD version;
    bool library;  // a library of that name exists
    bool exportsRegister;
    int status;
    const char* text;  // of the report, if any
    int registered;
  };
  const TCase cases[] = {
      {0x0004, true, true, 0, nullptr, 0},  // 4.0: never loaded, even though present
      {0x000A, true, true, 0, nullptr, 0},  // 10.0
      {0x5F03, true, true, 0, nullptr, 1},  // 3.95
      {0x0003, false, false, -1, "Exception #32760 (no message available).", 0},
      {0x0003, true, false, 0, nullptr, 0},  // no Ctl3dRegister: unloaded, no look
      {0x0003, true, true, 0, nullptr, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.version);
    SCOPED_TRACE(c.exportsRegister);
    SetUp();
    g_registered = g_unregistered = 0;
    platform::SetVersionForTesting(c.version);
    if (c.library) {
      std::vector<std::pair<std::string, FARPROC>> exports;
      if (c.exportsRegister) {
        exports = {{"Ctl3dRegister", Export(FakeRegister)},
                   {"Ctl3dUnregister", Export(FakeUnregister)}};
      }
      platform::AddLibraryForTesting("ctl3d32.dll", exports);
    }
    onTick = [&](TProbe&, int tick) {
      if (tick == 1) CloseFrame();
    };
    EXPECT_EQ(RunProgram(), c.status);
    EXPECT_EQ(platform::CallsForTesting(TOperation::LoadLibraryA), LOBYTE(c.version) < 4 ? 1u : 0u);
    EXPECT_EQ(platform::LibraryLoadsForTesting("CTL3D32.DLL"), 0);  // freed at the end
    EXPECT_EQ(g_registered, c.registered);
    EXPECT_EQ(g_unregistered, c.registered);
    if (c.text != nullptr) {
      ASSERT_EQ(rec.reports.size(), 1u);
      ExpectReport(0, c.text, false);
    } else {
      EXPECT_TRUE(rec.reports.empty());
    }
    TearDown();
  }
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

TEST_F(TReportTest, TheReportIsTaskModalOnTheNtLineAndSystemModalElsewhereWithoutWindows) {
  struct TCase {
    DWORD version;
    bool window;
    unsigned modality;
  };
  const TCase cases[] = {
      {0x0004, false, MB_TASKMODAL},
      {0x0004, true, MB_TASKMODAL},
      {0x80000004u, true, MB_TASKMODAL},
      {0x80000004u, false, MB_SYSTEMMODAL},
  };
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "ModalityTest";
  RegisterClassA(&wc);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.version);
    platform::SetVersionForTesting(c.version);
    HWND w = c.window ? CreateWindowExA(0, "ModalityTest", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, nullptr, nullptr)
                      : nullptr;
    EXPECT_EQ(ReportModality(), c.modality);
    if (w != nullptr) DestroyWindow(w);
  }
}

}  // namespace
}  // namespace app_test
