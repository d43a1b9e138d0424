#include "app/window.h"

#include <unordered_map>

#include "app/application.h"
#include "app/dc.h"
#include "app/frame_window.h"

namespace {

constexpr const char* kClassName = "KlopFrameworkWindow";

std::unordered_map<HWND, TWindow*>& Bound() {
  static std::unordered_map<HWND, TWindow*> bound;
  return bound;
}

// The object whose platform window is being created: it binds to the first message
// of a window that nobody knows yet.
TWindow* g_creating = nullptr;

bool SameCursor(TModule* a, TModule* b, const std::string& name, std::uintptr_t id,
                const char* other) {
  if (a != b) return false;
  if (other == nullptr) return name.empty() && id == 0;
  if (IS_INTRESOURCE(other)) return name.empty() && id == reinterpret_cast<std::uintptr_t>(other);
  return id == 0 && !name.empty() && name == other;
}

}  // namespace

DEFINE_EVENTS(TWindow, TEventHandler)
EVENT_MESSAGE(WM_CREATE, EvCreate)
EVENT_MESSAGE(WM_PAINT, EvPaint)
EVENT_MESSAGE(WM_SETCURSOR, EvSetCursor)
EVENT_MESSAGE(WM_SIZE, EvSize)
EVENT_MESSAGE(WM_CLOSE, EvClose)
EVENT_MESSAGE(WM_DESTROY, EvDestroy)
EVENT_MESSAGE(WM_NCDESTROY, EvNCDestroy)
EVENT_MESSAGE(WM_QUERYENDSESSION, EvQueryEndSession)
END_EVENTS

const char* TWindow::FrameworkClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  if (::GetClassInfoA(instance, kClassName, &wc)) return kClassName;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &TWindow::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = kClassName;
  if (::RegisterClassA(&wc) == 0) throw TXWindow(kIdRegisterFailure);
  return kClassName;
}

TWindow::TWindow(TWindow* parent, const char* title, TModule* module)
    : Title(title ? title : ""), Parent(parent), Module(module) {}

TWindow::~TWindow() {
  if (Handle != nullptr) {
    ::DestroyWindow(Handle);
    Unbind();  // in case the platform did not tell
  }
  Children.clear();
  if (Cursor != nullptr && CursorModule != nullptr) ::DestroyCursor(Cursor);
}

TWindow* TWindow::FromHandle(HWND hwnd) {
  auto it = Bound().find(hwnd);
  return it == Bound().end() ? nullptr : it->second;
}

TApplication* TWindow::GetApplication() const {
  return TApplication::Current();
}

TModule* TWindow::GetModule() const {
  if (Module != nullptr) return Module;
  return TApplication::Current();
}

TWindow& TWindow::AddChild(std::unique_ptr<TWindow> child) {
  child->Parent = this;
  Children.push_back(std::move(child));
  return *Children.back();
}

void TWindow::Bind(HWND hwnd) {
  Handle = hwnd;
  Bound()[hwnd] = this;
}

void TWindow::Unbind() {
  if (Handle != nullptr) Bound().erase(Handle);
  Handle = nullptr;
}

HWND TWindow::PerformCreate() {
  TModule* module = GetModule();
  const HINSTANCE instance = module ? module->GetInstance() : nullptr;
  const char* cls = FrameworkClass(instance);
  const bool child = (Attr.Style & WS_CHILD) != 0;
  HMENU menu = nullptr;
  if (child) {
    menu = reinterpret_cast<HMENU>(static_cast<std::intptr_t>(Attr.Id));
  } else if (!Attr.Menu.empty()) {
    menu = ::LoadMenuA(instance, Attr.Menu.c_str());
  }
  TWindow* const outer = g_creating;
  g_creating = this;
  const THoldScope scope;
  HWND hwnd =
      ::CreateWindowExA(Attr.ExStyle, cls, Title.c_str(), Attr.Style, Attr.X, Attr.Y, Attr.W,
                        Attr.H, Parent ? Parent->Handle : nullptr, menu, instance, nullptr);
  g_creating = outer;
  if (hwnd == nullptr && !child && menu != nullptr) ::DestroyMenu(menu);
  scope.Raise();
  return hwnd;
}

void TWindow::Create() {
  if (Handle != nullptr) return;
  if (PerformCreate() == nullptr) throw TXWindow(kIdCreateFailure);
}

void TWindow::CreateChildren() {
  for (const auto& child : Children) {
    if (child->Handle == nullptr && child->PerformCreate() == nullptr) {
      throw TXWindow(kIdChildCreateFailure);
    }
  }
}

void TWindow::Destroy() {
  if (Handle == nullptr) return;
  const THoldScope scope;
  ::DestroyWindow(Handle);
  scope.Raise();
}

void TWindow::SetupWindow() {
  CreateChildren();
}

void TWindow::Paint(TDC&, bool, const RECT&) {}

bool TWindow::CanClose() {
  for (const auto& child : Children) {
    if (child->Handle != nullptr && !child->CanClose()) return false;
  }
  return true;
}

bool TWindow::IdleAction(long idleCount) {
  bool more = false;
  for (const auto& child : Children) {
    if (child->Handle != nullptr) more = child->IdleAction(idleCount) || more;
  }
  return more;
}

bool TWindow::PreProcessMsg(MSG&) {
  return false;
}

void TWindow::SetCursor(TModule* module, const char* name) {
  if (SameCursor(CursorModule, module, CursorName, CursorId, name)) return;
  const HCURSOR before = Cursor;
  TModule* const beforeModule = CursorModule;
  CursorModule = module;
  CursorName = (name != nullptr && !IS_INTRESOURCE(name)) ? name : "";
  CursorId = (name != nullptr && IS_INTRESOURCE(name)) ? reinterpret_cast<std::uintptr_t>(name) : 0;
  Cursor = name ? ::LoadCursorA(module ? module->GetInstance() : nullptr, name) : nullptr;
  if (Handle != nullptr && Cursor != nullptr) {
    POINT p;
    RECT client;
    if (::GetCursorPos(&p) && ::ScreenToClient(Handle, &p) && ::GetClientRect(Handle, &client) &&
        p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom) {
      ::SetCursor(Cursor);
    }
  }
  if (before != nullptr && beforeModule != nullptr) ::DestroyCursor(before);
}

LRESULT TWindow::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const THoldScope scope;
  const LRESULT r = ::SendMessageA(Handle, msg, wParam, lParam);
  scope.Raise();
  return r;
}

int TWindow::MessageBox(const char* text, const char* caption, UINT type) {
  TApplication* app = GetApplication();
  if (caption == nullptr) caption = app ? app->GetName().c_str() : "";
  const TModule* ctl3d = app ? app->Ctl3dModule() : nullptr;
  using TCall = BOOL (*)(HINSTANCE);
  const HINSTANCE instance = app ? app->GetInstance() : nullptr;
  if (ctl3d != nullptr) {
    if (auto f = ctl3d->GetFunction<TCall>("Ctl3dRegister")) f(instance);
    if (auto f = ctl3d->GetFunction<TCall>("Ctl3dAutoSubclass")) f(instance);
  }
  const THoldScope scope;
  const int r = ::MessageBoxExA(Handle, text, caption, type, 0);
  if (ctl3d != nullptr) {
    if (auto f = ctl3d->GetFunction<TCall>("Ctl3dUnregister")) f(instance);
  }
  scope.Raise();
  return r;
}

void TWindow::Invalidate(bool erase) {
  ::InvalidateRect(Handle, nullptr, erase ? TRUE : FALSE);
}

LRESULT TWindow::ReceiveMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) {
    EvCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    return 0;
  }
  LRESULT result = 0;
  if (DispatchMessage(msg, wParam, lParam, result)) return result;
  return DefaultProcessing(msg, wParam, lParam);
}

LRESULT TWindow::DefaultProcessing(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Handle == nullptr) return 0;
  const THoldScope scope;
  const LRESULT r = ::DefWindowProcA(Handle, msg, wParam, lParam);
  scope.Raise();
  return r;
}

void TWindow::EvCommand(UINT id, HWND control, UINT notifyCode) {
  if (DispatchCommand(id)) return;
  DefaultProcessing(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(notifyCode)),
                    reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK TWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindow* w = FromHandle(hwnd);
  if (w == nullptr && g_creating != nullptr && g_creating->Handle == nullptr) {
    w = g_creating;
    w->Bind(hwnd);
  }
  if (w == nullptr) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    return w->ReceiveMessage(msg, wParam, lParam);
  } catch (...) {
    // Held, to be raised when the platform call that delivered it returns.
    HoldCurrentError();
    return msg == WM_CREATE ? -1 : 0;
  }
}

int TWindow::EvCreate(CREATESTRUCTA&) {
  SetupWindow();
  return 0;
}

void TWindow::EvPaint() {
  TPaintDC dc(Handle);
  Paint(dc, dc.Ps.fErase != FALSE, dc.Ps.rcPaint);
}

bool TWindow::EvSetCursor(HWND over, UINT hitTest, UINT mouseMsg) {
  if (hitTest == static_cast<UINT>(HTCLIENT) && Cursor != nullptr) {
    ::SetCursor(Cursor);
    return true;
  }
  return DefaultProcessing(WM_SETCURSOR, reinterpret_cast<WPARAM>(over),
                           MAKELPARAM(static_cast<WORD>(hitTest), static_cast<WORD>(mouseMsg))) !=
         0;
}

void TWindow::EvSize(UINT sizeType, const SIZE&) {
  if (sizeType != SIZE_RESTORED) return;
  RECT r;
  if (::GetWindowRect(Handle, &r)) {
    Attr.W = r.right - r.left;
    Attr.H = r.bottom - r.top;
  }
}

void TWindow::EvClose() {
  TApplication* app = GetApplication();
  const bool isMain = app != nullptr && static_cast<const TWindow*>(app->GetMainWindow()) == this;
  if (isMain ? app->CanClose() : CanClose()) Destroy();
}

void TWindow::EvDestroy() {
  TApplication* app = GetApplication();
  if (app != nullptr && static_cast<const TWindow*>(app->GetMainWindow()) == this &&
      app->IsRunning()) {
    ::PostQuitMessage(app->QuitStatus);
  }
  DefaultProcessing(WM_DESTROY, 0, 0);
}

void TWindow::EvNCDestroy() {
  const HWND hwnd = Handle;
  TApplication* app = GetApplication();
  Unbind();
  ::DefWindowProcA(hwnd, WM_NCDESTROY, 0, 0);
  if (app != nullptr && static_cast<const TWindow*>(app->GetMainWindow()) == this) {
    app->CondemnMainWindow();
  }
}

bool TWindow::EvQueryEndSession() {
  TApplication* app = GetApplication();
  if (app != nullptr && static_cast<const TWindow*>(app->GetMainWindow()) == this) {
    return app->CanClose();
  }
  return CanClose();
}
