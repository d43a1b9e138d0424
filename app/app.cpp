#include "app/app.h"

#include "app/frame_window.h"

void TApp::InitMainWindow() {
  EnableCtl3d(true);
  auto frame = std::make_unique<TFrameWindow>(nullptr, "Klop!", MakeClient(), true);
  TFrameWindow& f = *frame;
  SetMainWindow(std::move(frame));
  f.AssignMenu("DAZIZAZE");
  f.SetIcon(this, "Critter");
}

int ProgramMain(int, char**) {
  TApp app;
  return app.Run();
}
