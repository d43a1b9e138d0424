#include "program/app.h"

#include "app/frame_window.h"
#include "game/game_window.h"

void TApp::InitMainWindow() {
  EnableCtl3d(true);
  auto frame = std::make_unique<TFrameWindow>(nullptr, "Klop!", MakeClient(), true);
  TFrameWindow& f = *frame;
  SetMainWindow(std::move(frame));
  f.AssignMenu("DAZIZAZE");
  f.SetIcon(this, "Critter");
}

std::unique_ptr<TWindow> TApp::MakeClient() {
  return std::make_unique<TGameWindow>();
}

int ProgramMain(int, char**) {
  TApp app;
  return app.Run();
}
