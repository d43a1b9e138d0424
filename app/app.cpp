#include "app/app.h"

#include "app/frame_window.h"

namespace {

// The client area's size that the frame is fitted to at start.
constexpr int kClientWidth = 282;
constexpr int kClientHeight = 400;

}  // namespace

void TApp::InitMainWindow() {
  EnableCtl3d(true);
  auto frame = std::make_unique<TFrameWindow>(nullptr, "Klop!", MakeClient(), true);
  TFrameWindow& f = *frame;
  SetMainWindow(std::move(frame));
  f.AssignMenu("DAZIZAZE");
  f.SetIcon(this, "Critter");
}

std::unique_ptr<TWindow> TApp::MakeClient() {
  // A plain window of the game's size until the game window takes its place.
  auto client = std::make_unique<TWindow>();
  client->Attr.W = kClientWidth;
  client->Attr.H = kClientHeight;
  return client;
}

int ProgramMain(int, char**) {
  TApp app;
  return app.Run();
}
