// The application's message loop: the idle step, sleeping until a message comes,
// dispatching, and the recovery report for an error raised while dispatching.
#include "app/application.h"
#include "app/frame_window.h"
#include "app/report.h"

bool TApplication::IdleAction(long idleCount) {
  if (MainWindow != nullptr && MainWindow->GetHandle() != nullptr) {
    MainWindow->IdleAction(idleCount);
  }
  return false;  // never asks for more idle time
}

bool TApplication::ProcessAppMsg(MSG& msg) {
  for (HWND h = msg.hwnd; h != nullptr; h = ::GetParent(h)) {
    if (TWindow* w = TWindow::FromHandle(h)) {
      if (w->PreProcessMsg(msg)) return true;
    }
    if ((::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) == 0) break;  // not up to the owner
  }
  return false;  // no accelerators
}

void TApplication::DeleteCondemned() {
  if (MainWindowCondemned) {
    MainWindowCondemned = false;
    MainWindow.reset();
  }
}

bool TApplication::PumpWaitingMessages() {
  bool handled = false;
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      BreakLoop = true;
      LoopResult = static_cast<int>(msg.wParam);
      ::PostQuitMessage(LoopResult);  // for any loop outside this one
      break;
    }
    handled = true;
    const THoldScope scope;
    if (!ProcessAppMsg(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    DeleteCondemned();
    scope.Raise();
  }
  return handled;
}

int TApplication::MessageLoop() {
  long idleCount = 0;
  LoopResult = 0;
  while (!BreakLoop) {
    try {
      if (!IdleAction(idleCount++)) ::WaitMessage();
      if (PumpWaitingMessages()) idleCount = 0;
    } catch (...) {
      DeleteCondemned();
      if (ReportCurrentError("OK to Resume?") != 0) {
        ::PostQuitMessage(-1);
        LoopResult = -1;
        break;
      }
      idleCount = 0;  // a message was handled, if only in part
    }
  }
  BreakLoop = false;
  return LoopResult;
}
