#include "app/frame_window.h"

#include <bitset>
#include <vector>

#include "app/application.h"
#include "app/command_enabler.h"
#include "app/dc.h"

DEFINE_EVENTS(TFrameWindow, TWindow)
EVENT_MESSAGE(WM_SIZE, EvSize)
EVENT_MESSAGE(WM_SETFOCUS, EvSetFocus)
EVENT_MESSAGE(WM_PAINT, EvPaint)
EVENT_MESSAGE(WM_ERASEBKGND, EvEraseBkgnd)
EVENT_MESSAGE(WM_QUERYDRAGICON, EvQueryDragIcon)
EVENT_MESSAGE(WM_INITMENUPOPUP, EvInitMenuPopup)
EVENT_MESSAGE(WM_ENTERIDLE, EvEnterIdle)
END_EVENTS

namespace {

constexpr UINT kFirstSystemCommand = 0xF000;

bool ItemEnabled(HMENU menu, int pos) {
  const UINT state = ::GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

}  // namespace

TFrameWindow::TFrameWindow(TWindow* parent, const char* title, std::unique_ptr<TWindow> client,
                           bool shrinkToClient, TModule* module)
    : TWindow(parent, title, module), ShrinkToClient(shrinkToClient) {
  Attr.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN;
  Attr.X = CW_USEDEFAULT;
  Attr.Y = 0;
  Attr.W = CW_USEDEFAULT;
  Attr.H = 0;
  if (client != nullptr) Client = &AddChild(std::move(client));
}

void TFrameWindow::AssignMenu(const char* name) {
  Attr.Menu = name ? name : "";
  if (Handle == nullptr) return;
  TModule* module = GetModule();
  HMENU menu = name ? ::LoadMenuA(module ? module->GetInstance() : nullptr, name) : nullptr;
  HMENU old = ::GetMenu(Handle);
  if (::SetMenu(Handle, menu)) {
    if (old != nullptr) ::DestroyMenu(old);
    ::DrawMenuBar(Handle);
  } else if (menu != nullptr) {
    ::DestroyMenu(menu);
  }
}

void TFrameWindow::SetIcon(TModule* module, const char* name) {
  IconModule = module;
  IconName = name ? name : "";
  Icon = name ? ::LoadIconA(module ? module->GetInstance() : nullptr, name) : nullptr;
  if (Handle != nullptr && Icon != nullptr) {
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
  }
}

void TFrameWindow::SetupWindow() {
  TWindow::SetupWindow();
  // The desktop shows the icon in the title and task bars.
  if (Icon != nullptr) SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
  ResizeClientWindow(true);
  if (Client != nullptr) KeyboardHandle = Client->GetHandle();
}

bool TFrameWindow::ResizeClientWindow(bool repaint) {
  if (Client == nullptr || Client->GetHandle() == nullptr) return false;
  if (Fitting) return true;  // a move below came back here
  struct TGuard {
    bool& flag;
    explicit TGuard(bool& f) : flag(f) { flag = true; }
    ~TGuard() { flag = false; }
  } guard(Fitting);

  RECT area;
  RECT wanted;
  ::GetClientRect(Handle, &area);
  ::GetWindowRect(Client->GetHandle(), &wanted);
  SIZE areaSize{area.right - area.left, area.bottom - area.top};
  const SIZE wantedSize{wanted.right - wanted.left, wanted.bottom - wanted.top};
  bool stretched = false;
  if (areaSize.cx != wantedSize.cx || areaSize.cy != wantedSize.cy) {
    if (ShrinkToClient) {
      RECT outer;
      ::GetWindowRect(Handle, &outer);
      const THoldScope scope;
      ::MoveWindow(Handle, outer.left, outer.top,
                   wantedSize.cx + (outer.right - outer.left) - areaSize.cx,
                   wantedSize.cy + (outer.bottom - outer.top) - areaSize.cy, repaint);
      scope.Raise();
      areaSize = wantedSize;
    } else {
      stretched = true;
    }
  }
  // A frame that the user can size is fitted to its client only once.
  if ((Attr.Style & WS_THICKFRAME) != 0) ShrinkToClient = false;
  const THoldScope scope;
  ::MoveWindow(Client->GetHandle(), 0, 0, areaSize.cx, areaSize.cy, repaint);
  scope.Raise();
  return stretched;
}

void TFrameWindow::EvSize(UINT sizeType, const SIZE& size) {
  TWindow::EvSize(sizeType, size);
  const bool stretched = sizeType != SIZE_MINIMIZED && ResizeClientWindow(true);
  if (!stretched && Client != nullptr && Client->GetHandle() != nullptr) {
    Client->ReceiveMessage(WM_SIZE, sizeType,
                           MAKELPARAM(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy)));
  }
}

void TFrameWindow::EvSetFocus(HWND) {
  HWND target = KeyboardHandle;
  if (target == nullptr || !::IsWindow(target)) {
    target = Client != nullptr ? Client->GetHandle() : nullptr;
  }
  if (target != nullptr) ::SetFocus(target);
}

void TFrameWindow::EvPaint() {
  if (!::IsIconic(Handle)) {
    TWindow::EvPaint();
    return;
  }
  TPaintDC dc(Handle);
  dc.DrawIcon(0, 0, EvQueryDragIcon());
}

bool TFrameWindow::EvEraseBkgnd(HDC dc) {
  // The client covers the whole client area.
  if (Client != nullptr && Client->GetHandle() != nullptr && !::IsIconic(Handle)) return true;
  return DefaultProcessing(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
}

HICON TFrameWindow::EvQueryDragIcon() {
  return Icon != nullptr ? Icon : ::LoadIconA(nullptr, IDI_APPLICATION);
}

void TFrameWindow::EvInitMenuPopup(HMENU popup, UINT, bool systemMenu) {
  if (!systemMenu) EnableMenuItems(popup, false);
}

void TFrameWindow::EvEnterIdle(UINT source, HWND) {
  if (source == static_cast<UINT>(MSGF_DIALOGBOX)) EnableMenuItems(::GetMenu(Handle), true);
}

bool TFrameWindow::IdleAction(long idleCount) {
  if (idleCount == 0 && ::GetFocus() != nullptr && (Attr.Style & WS_CHILD) == 0) {
    EnableMenuItems(::GetMenu(Handle), true);
  }
  return TWindow::IdleAction(idleCount);
}

HWND TFrameWindow::GetCommandTarget() const {
  const HWND focus = ::GetFocus();
  if (focus != nullptr && ::IsChild(Handle, focus)) return focus;
  if (KeyboardHandle != nullptr && ::IsWindow(KeyboardHandle)) return KeyboardHandle;
  if (Client != nullptr && Client->GetHandle() != nullptr) return Client->GetHandle();
  return Handle;
}

template <typename Fn>
bool TFrameWindow::ForEachInChain(HWND target, Fn&& fn) {
  for (HWND h = target; h != nullptr && h != Handle && ::IsChild(Handle, h); h = ::GetParent(h)) {
    if (TWindow* w = FromHandle(h); w != nullptr && fn(static_cast<TEventHandler*>(w))) return true;
  }
  return fn(static_cast<TEventHandler*>(this));
}

void TFrameWindow::RouteEnabler(TCommandEnabler& enabler, HWND target) {
  // The first enabler found decides.
  ForEachInChain(target, [&](TEventHandler* h) { return h->DispatchEnabler(enabler); });
  if (enabler.WasHandled()) return;
  const UINT id = enabler.GetId();
  const bool handled = ForEachInChain(target, [id](TEventHandler* h) { return h->HasCommand(id); });
  const TApplication* app = GetApplication();
  enabler.Enable(handled || (app != nullptr && app->HasCommand(id)));
}

bool TFrameWindow::EnableMenuItems(HMENU menu, bool menuBar) {
  const int count = menu != nullptr ? ::GetMenuItemCount(menu) : 0;
  if (count <= 0) return false;
  // Run after every message: the states before are kept without an allocation for the
  // menus a program has.
  constexpr int kKept = 64;
  std::bitset<kKept> before;
  std::vector<bool> beforeMore(count > kKept ? std::size_t(count - kKept) : 0);
  const auto wasEnabled = [&](int pos) {
    return pos < kKept ? before[std::size_t(pos)] : beforeMore[std::size_t(pos - kKept)];
  };
  for (int pos = 0; pos < count; ++pos) {
    if (pos < kKept) {
      before[std::size_t(pos)] = ItemEnabled(menu, pos);
    } else {
      beforeMore[std::size_t(pos - kKept)] = ItemEnabled(menu, pos);
    }
  }
  const HWND target = GetCommandTarget();
  for (int pos = 0; pos < count; ++pos) {
    const UINT id = ::GetMenuItemID(menu, pos);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // a separator or a popup
    if (id >= kFirstSystemCommand) break;
    TMenuItemEnabler enabler(menu, id, Handle, pos);
    RouteEnabler(enabler, target);
  }
  bool changed = false;
  for (int pos = 0; pos < count; ++pos) changed = changed || wasEnabled(pos) != ItemEnabled(menu, pos);
  if (changed && menuBar) ::DrawMenuBar(Handle);
  return changed;
}

void TFrameWindow::EvCommand(UINT id, HWND control, UINT notifyCode) {
  if (control != nullptr) {
    TWindow::EvCommand(id, control, notifyCode);
    return;
  }
  // A menu choice: the command target and up, then the application.
  if (ForEachInChain(GetCommandTarget(), [id](TEventHandler* h) { return h->DispatchCommand(id); })) {
    return;
  }
  if (TApplication* app = GetApplication(); app != nullptr && app->DispatchCommand(id)) return;
  DefaultProcessing(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(notifyCode)),
                    0);
}
