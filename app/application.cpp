#include "app/application.h"

#include "app/frame_window.h"
#include "app/report.h"

namespace {

struct TStartup {
  HINSTANCE instance = nullptr;
  std::string commandLine;
  int showCommand = SW_SHOWDEFAULT;
};

TStartup& Startup() {
  static TStartup startup;
  return startup;
}

}  // namespace

TApplication* TApplication::Instance_ = nullptr;

void TApplication::SetStartup(HINSTANCE instance, const char* commandLine, int showCommand) {
  Startup() = {instance, commandLine ? commandLine : "", showCommand};
}

TApplication::TApplication(const char* name)
    : TModule(name, Startup().instance),
      nCmdShow(Startup().showCommand),
      CmdLine(Startup().commandLine) {
  Instance_ = this;
}

TApplication::~TApplication() {
  // The windows go first: their destruction may still ask the application.
  MainWindow.reset();
  if (Ctl3dOn) {
    if (auto unregister = Ctl3dLibrary->GetFunction<BOOL (*)(HINSTANCE)>("Ctl3dUnregister")) {
      unregister(GetInstance());
    }
  }
  Ctl3dLibrary.reset();
  if (Instance_ == this) Instance_ = nullptr;
}

void TApplication::SetMainWindow(std::unique_ptr<TFrameWindow> frame) {
  MainWindow = std::move(frame);
  MainWindowCondemned = false;
}

bool TApplication::CanClose() {
  return MainWindow == nullptr || MainWindow->CanClose();
}

void TApplication::EnableCtl3d(bool enable) {
  if (LOBYTE(GetVersion()) >= 4) return;  // the platform draws the look itself
  if (!enable || Ctl3dOn) return;
  Ctl3dLibrary = std::make_unique<TModule>("CTL3D32.DLL");
  auto registerApp = Ctl3dLibrary->GetFunction<BOOL (*)(HINSTANCE)>("Ctl3dRegister");
  if (registerApp == nullptr) {
    Ctl3dLibrary.reset();  // an unusable library: go on without the look
    return;
  }
  registerApp(GetInstance());
  Ctl3dOn = true;
}

void TApplication::InitInstance() {
  InitMainWindow();
  if (MainWindow == nullptr) throw TXInvalidMainWindow();
  MainWindow->Create();
  if (nCmdShow == SW_MINIMIZE) {
    MainWindow->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else {
    const THoldScope scope;
    ::ShowWindow(MainWindow->GetHandle(), nCmdShow);
    scope.Raise();
  }
}

int TApplication::Run() {
  int status = 0;
  try {
    InitApplication();
    InitInstance();
  } catch (...) {
    status = ReportCurrentError(nullptr);
  }
  if (status == 0) {
    Running = true;
    status = MessageLoop();
  }
  // What is still queued is dropped; a paint ends it, as there may always be one.
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    if (msg.message == WM_PAINT) break;
  }
  Running = false;
  return status;
}
