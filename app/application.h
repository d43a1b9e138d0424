// The application: the program's module, its main window, the message loop with its
// idle step, and the end of the run with its status.
#pragma once

#include <memory>
#include <string>

#include "app/event_table.h"
#include "app/module.h"

class TFrameWindow;
class TWindow;

class TApplication : public TModule, public TEventHandler {
 public:
  // No main window after building it.
  class TXInvalidMainWindow : public TXBase {
   public:
    TXInvalidMainWindow() : TXBase(kIdNoMainWindow) {}
  };

  // What the process entry records for the application made after it.
  static void SetStartup(HINSTANCE instance, const char* commandLine, int showCommand);

  // Takes the instance, command line and show command that the entry recorded, and
  // becomes the application of the process.
  explicit TApplication(const char* name = "");
  ~TApplication() override;

  static TApplication* Current() { return Instance_; }

  // Builds, creates and shows the main window, runs the message loop, and answers the
  // status: the loop's result, or -1 after an error reported at start-up.
  virtual int Run();

  TFrameWindow* GetMainWindow() const { return MainWindow.get(); }
  void SetMainWindow(std::unique_ptr<TFrameWindow> frame);
  const std::string& GetCmdLine() const { return CmdLine; }
  bool IsRunning() const { return Running; }

  // Whether the main window may close: asks it, and it asks its children.
  virtual bool CanClose();

  // The 3-D look for dialogs and message boxes, on platforms older than major
  // version 4 only. Raises TXInvalidModule when its library cannot be loaded.
  void EnableCtl3d(bool enable = true);
  bool Ctl3dEnabled() const { return Ctl3dOn; }
  // The library's functions; only while the look is enabled.
  const TModule* Ctl3dModule() const { return Ctl3dOn ? Ctl3dLibrary.get() : nullptr; }

  // The main window's platform window has gone: delete its object after the message
  // being dispatched.
  void CondemnMainWindow() { MainWindowCondemned = true; }

  int nCmdShow;
  int QuitStatus = 0;  // posted when the main window is destroyed while the loop runs

 protected:
  // Start-up steps: once per program, once per instance, and building the main window.
  virtual void InitApplication() {}
  virtual void InitInstance();
  virtual void InitMainWindow() {}

  // The idle step; answers whether it wants more idle time.
  virtual bool IdleAction(long idleCount);
  // Offers a message to the window objects from its window up, then to the
  // accelerators; answers whether it was taken.
  virtual bool ProcessAppMsg(MSG& msg);

  int MessageLoop();

 private:
  bool PumpWaitingMessages();
  void DeleteCondemned();

  static TApplication* Instance_;
  std::string CmdLine;
  std::unique_ptr<TFrameWindow> MainWindow;
  bool MainWindowCondemned = false;
  bool Running = false;
  bool BreakLoop = false;
  int LoopResult = 0;
  std::unique_ptr<TModule> Ctl3dLibrary;
  bool Ctl3dOn = false;
};
