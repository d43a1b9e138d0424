// TFrameWindow: a top-level window around one client window. It fits itself to the
// client once, then stretches the client over its client area; hands its size
// messages and the keyboard focus on to the client; routes menu commands to the
// command target and up; and runs the command enablers over its menus.
#pragma once

#include <memory>
#include <string>

#include "app/window.h"

class TFrameWindow : public TWindow {
  DECLARE_EVENTS(TFrameWindow);

 public:
  // Takes `client` as its child. With `shrinkToClient` the frame is sized so that
  // its client area is the client's asked size.
  TFrameWindow(TWindow* parent, const char* title, std::unique_ptr<TWindow> client,
               bool shrinkToClient = false, TModule* module = nullptr);

  TWindow* GetClientWindow() const { return Client; }

  // The menu resource: recorded until the platform window exists, then set at once.
  void AssignMenu(const char* name);
  // The icon resource shown by the desktop and while minimised.
  void SetIcon(TModule* module, const char* name);
  HICON GetIcon() const { return Icon; }

  void SetupWindow() override;
  bool IdleAction(long idleCount) override;

  // Fits frame and client to each other; answers whether the client was stretched to
  // the frame, so that it got its own size message.
  bool ResizeClientWindow(bool repaint);

  // The window that menu commands go to first.
  HWND GetCommandTarget() const;
  // Runs the enablers over the items of `menu`; for the menu bar, redraws it when the
  // set of enabled items changed. Answers whether it changed.
  bool EnableMenuItems(HMENU menu, bool menuBar);

 protected:
  void EvCommand(UINT id, HWND control, UINT notifyCode) override;
  void EvSize(UINT sizeType, const SIZE& size);
  void EvSetFocus(HWND lost);
  void EvPaint();
  bool EvEraseBkgnd(HDC dc);
  HICON EvQueryDragIcon();
  void EvInitMenuPopup(HMENU popup, UINT index, bool systemMenu);
  void EvEnterIdle(UINT source, HWND window);

 private:
  // Calls fn on the window objects from `target` up to this frame, the frame last, until
  // one answers true; answers whether one did.
  template <typename Fn>
  bool ForEachInChain(HWND target, Fn&& fn);
  void RouteEnabler(TCommandEnabler& enabler, HWND target);

  TWindow* Client = nullptr;
  bool ShrinkToClient;
  bool Fitting = false;
  HWND KeyboardHandle = nullptr;  // the window remembered as taking the focus
  TModule* IconModule = nullptr;
  std::string IconName;
  HICON Icon = nullptr;
};
