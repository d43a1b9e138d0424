// The frame's client for the framework's own tests: a plain window of the game's size,
// standing where the program has the game window.
#include "app/app.h"

std::unique_ptr<TWindow> TApp::MakeClient() {
  auto client = std::make_unique<TWindow>();
  client->Attr.W = 282;
  client->Attr.H = 400;
  return client;
}
