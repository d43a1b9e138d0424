// The program's frame holds the game window.
#include "app/app.h"
#include "game/game_window.h"

std::unique_ptr<TWindow> TApp::MakeClient() {
  return std::make_unique<TGameWindow>();
}
