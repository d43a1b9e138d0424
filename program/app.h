// TApp: the Klop! application. It builds the main window: a frame "Klop!" with the
// menu "DAZIZAZE", the icon "Critter" and the game's client window.
#pragma once

#include <memory>

#include "app/application.h"
#include "app/window.h"

class TApp : public TApplication {
 public:
  TApp() = default;

 protected:
  void InitMainWindow() override;
  // The frame's client window: the game window; the framework's tests put a probe
  // window of their own in its place.
  virtual std::unique_ptr<TWindow> MakeClient();
};

// The program's main function: constructs the application, runs it, and answers the
// status of the run.
int ProgramMain(int argc, char** argv);
