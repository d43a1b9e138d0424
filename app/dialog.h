// TDialog: a modal dialog made from a dialog template. Execute runs it through the
// platform's modal loop, which goes on dispatching the thread's other messages.
//
// A derived dialog's SetupWindow calls TDialog::SetupWindow first; CanClose is the
// close check that OK runs (a plain TDialog always agrees).
#pragma once

#include <string>

#include "app/window.h"

class TDialog : public TWindow {
  DECLARE_EVENTS(TDialog);

 public:
  TDialog(TWindow* parent, const char* templateName, TModule* module = nullptr);

  // Runs the dialog and answers its result; raises TXWindow when it cannot be run.
  virtual int Execute();
  // Ends the dialog with `result`.
  void CloseWindow(int result);

  void SetupWindow() override;

 protected:
  LRESULT DefaultProcessing(UINT msg, WPARAM wParam, LPARAM lParam) override;

  LRESULT EvInitDialog(WPARAM focus, LPARAM param);
  void CmOk();
  void CmCancel();
  void EvClose();
  LRESULT EvPaintDialog(WPARAM, LPARAM);
  LRESULT EvCtlColorDialog(WPARAM dc, LPARAM control);
  LRESULT EvCtlColorStatic(WPARAM dc, LPARAM control);
  LRESULT EvNcPaint(WPARAM region, LPARAM);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CtlColor(UINT msg, WPARAM dc, LPARAM control);

  std::string TemplateName;
  bool Unhandled = false;  // the message goes on to the platform's dialog handling
};
