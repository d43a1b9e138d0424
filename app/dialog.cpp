#include "app/dialog.h"

#include "app/application.h"

DEFINE_EVENTS(TDialog, TWindow)
EVENT_RAW(WM_INITDIALOG, EvInitDialog)
EVENT_COMMAND(IDOK, CmOk)
EVENT_COMMAND(IDCANCEL, CmCancel)
EVENT_MESSAGE(WM_CLOSE, EvClose)
EVENT_RAW(WM_PAINT, EvPaintDialog)
EVENT_RAW(WM_CTLCOLORDLG, EvCtlColorDialog)
EVENT_RAW(WM_CTLCOLORSTATIC, EvCtlColorStatic)
EVENT_RAW(WM_NCPAINT, EvNcPaint)
END_EVENTS

namespace {

// The dialog being started: it binds to the first message of its window.
TDialog* g_starting = nullptr;

constexpr WORD kCtl3dAll = 0xFFFF;  // every kind of control

const TModule* Ctl3d() {
  const TApplication* app = TApplication::Current();
  return app != nullptr ? app->Ctl3dModule() : nullptr;
}

}  // namespace

TDialog::TDialog(TWindow* parent, const char* templateName, TModule* module)
    : TWindow(parent, nullptr, module), TemplateName(templateName ? templateName : "") {
  Attr.Style = 0;
}

int TDialog::Execute() {
  TModule* module = GetModule();
  TDialog* const outer = g_starting;
  g_starting = this;
  const THoldScope scope;
  const INT_PTR r = ::DialogBoxParamA(
      module ? module->GetInstance() : nullptr, TemplateName.c_str(),
      GetParentWindow() ? GetParentWindow()->GetHandle() : nullptr, &TDialog::DialogProc, 0);
  g_starting = outer;
  scope.Raise();
  if (r == -1) throw TXWindow(kIdExecuteFailure);
  return static_cast<int>(r);
}

void TDialog::CloseWindow(int result) {
  ::EndDialog(Handle, result);
}

void TDialog::SetupWindow() {
  if (const TModule* ctl3d = Ctl3d()) {
    if (auto subclass = ctl3d->GetFunction<BOOL (*)(HWND, WORD)>("Ctl3dSubclassDlg")) {
      subclass(Handle, kCtl3dAll);
    }
  }
  TWindow::SetupWindow();
}

INT_PTR CALLBACK TDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindow* w = FromHandle(hwnd);
  if (w == nullptr && g_starting != nullptr && g_starting->Handle == nullptr) {
    w = g_starting;
    w->Bind(hwnd);
  }
  if (w == nullptr) return FALSE;
  TDialog& d = static_cast<TDialog&>(*w);
  const bool outerUnhandled = d.Unhandled;
  d.Unhandled = false;
  try {
    const LRESULT r = d.ReceiveMessage(msg, wParam, lParam);
    const bool unhandled = d.Unhandled;
    d.Unhandled = outerUnhandled;
    if (unhandled) return FALSE;
    if (msg == WM_INITDIALOG || msg == WM_CTLCOLORDLG || msg == WM_CTLCOLORSTATIC) return r;
    return TRUE;
  } catch (...) {
    d.Unhandled = outerUnhandled;
    HoldCurrentError();
    // A dialog whose set-up failed is not left open: it ends at once.
    if (msg == WM_INITDIALOG) ::EndDialog(hwnd, -1);
    return FALSE;
  }
}

LRESULT TDialog::DefaultProcessing(UINT, WPARAM, LPARAM) {
  Unhandled = true;
  return 0;
}

LRESULT TDialog::EvInitDialog(WPARAM, LPARAM) {
  SetupWindow();
  return TRUE;  // the platform gives the focus to the first control
}

void TDialog::CmOk() {
  if (CanClose()) CloseWindow(IDOK);
}

void TDialog::CmCancel() {
  CloseWindow(IDCANCEL);
}

void TDialog::EvClose() {
  CloseWindow(IDCANCEL);
}

LRESULT TDialog::EvPaintDialog(WPARAM wParam, LPARAM lParam) {
  // The platform's dialog handling paints the dialog.
  return DefaultProcessing(WM_PAINT, wParam, lParam);
}

LRESULT TDialog::CtlColor(UINT msg, WPARAM dc, LPARAM control) {
  if (const TModule* ctl3d = Ctl3d()) {
    if (auto f = ctl3d->GetFunction<HBRUSH (*)(UINT, WPARAM, LPARAM)>("Ctl3dCtlColorEx")) {
      if (HBRUSH brush = f(msg, dc, control)) return reinterpret_cast<LRESULT>(brush);
    }
  }
  return DefaultProcessing(msg, dc, control);
}

LRESULT TDialog::EvCtlColorDialog(WPARAM dc, LPARAM control) {
  return CtlColor(WM_CTLCOLORDLG, dc, control);
}

LRESULT TDialog::EvCtlColorStatic(WPARAM dc, LPARAM control) {
  return CtlColor(WM_CTLCOLORSTATIC, dc, control);
}

LRESULT TDialog::EvNcPaint(WPARAM region, LPARAM lParam) {
  if (const TModule* ctl3d = Ctl3d()) {
    if (auto f =
            ctl3d->GetFunction<LRESULT (*)(HWND, UINT, WPARAM, LPARAM)>("Ctl3dDlgFramePaint")) {
      return f(Handle, WM_NCPAINT, region, lParam);
    }
  }
  return DefaultProcessing(WM_NCPAINT, region, lParam);
}
