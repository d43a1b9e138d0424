// The web host's input: Pointer Events (mouse, pen and touch alike; a tap is a left
// press and release where it touched), our caption and border, and keys.
#include <algorithm>

#include "platform/host/web/web_host_internal.h"
#include "platform/host/web/web_keyboard.h"

namespace platform::web {

namespace {

constexpr int kLeft = 1, kRight = 2, kTop = 4, kBottom = 8;
constexpr int kMinimumSide = 32;  // what sizing by the border leaves of a surface

const char* EdgeCursor(int edges) {
  switch (edges) {
    case kLeft | kTop:
    case kRight | kBottom:
      return "nwse-resize";
    case kRight | kTop:
    case kLeft | kBottom:
      return "nesw-resize";
    case kLeft:
    case kRight:
      return "ew-resize";
    default:
      return "ns-resize";
  }
}

}  // namespace

TWebHost::TArea TWebHost::AreaAt(const TWindow& w, int x, int y) const {
  const HostRect& b = w.Bounds;
  if (x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height) return TArea::Surface;
  if (x >= b.x && x < b.x + b.width && y >= b.y - w.Top && y < b.y) return TArea::Caption;
  if (w.Border > 0 && x >= b.x - w.Border && x < b.x + b.width + w.Border &&
      y >= b.y - w.Top - w.Border && y < b.y + b.height + w.Border) {
    return TArea::Border;
  }
  return TArea::Outside;
}

void TWebHost::PushPointer(HostEventKind kind, HostWindow window, int x, int y, int button) {
  const TWindow* w = Find(window);
  if (w == nullptr) return;
  HostEvent& e = Push(kind, window);
  e.x = x - w->Bounds.x;
  e.y = y - w->Bounds.y;
  e.button = button;
}

void TWebHost::LeaveWindow() {
  if (Over_ != 0) Push(HostEventKind::PointerLeft, Over_);
  Over_ = 0;
}

void TWebHost::UpdateHostCursor(const TWindow* w, TArea area, int x, int y) {
  const char* name = "";
  if (w != nullptr && area == TArea::Caption) {
    name = "default";
  } else if (w != nullptr && area == TArea::Border) {
    const HostRect& b = w->Bounds;
    int edges = 0;
    if (x < b.x) edges |= kLeft;
    if (x >= b.x + b.width) edges |= kRight;
    if (y < b.y - w->Top) edges |= kTop;
    if (y >= b.y + b.height) edges |= kBottom;
    name = EdgeCursor(edges);
  }
  if (name != HostCursor_) {
    HostCursor_ = name;
    klop_page_host_cursor(name);
  }
}

void TWebHost::PointerDown(const TPageEvent& e) {
  PointerX_ = e.X;
  PointerY_ = e.Y;
  // A touch or a pen is the left button, pressed where it touched.
  const bool touch = e.Pointer != 0;
  const int button = touch ? kButtonLeft : e.Button;
  if (button < kButtonLeft || button > kButtonRight) return;
  if (touch) {
    if (TouchHeld_) return;  // one finger plays; the others are ignored while it is down
    TouchHeld_ = true;
    PointerMove(e);  // the platform sees the pointer come there first
  }
  // Held or captured, the pointer's window keeps its events.
  if (HeldButtons_ > 0 && Held_ != 0) {
    ++HeldButtons_;
    PushPointer(HostEventKind::PointerPress, Held_, e.X, e.Y, button);
    return;
  }
  if (Captured_ != 0) {
    Held_ = Captured_;
    HeldButtons_ = 1;
    PushPointer(HostEventKind::PointerPress, Captured_, e.X, e.Y, button);
    return;
  }
  TWindow* w = Find(HostWindow(e.Window));
  if (w == nullptr || !w->Shown()) return;
  // A window under a modal dialog takes no input: its dialog comes to the front instead.
  for (auto& [id, o] : Windows_) {
    if (o->Spec.modal && o->Spec.owner == w->Id && o->Shown()) {
      Raise(id);
      Activate(o.get());
      return;
    }
  }
  if (!w->Spec.popup) {
    Raise(w->Id);
    Activate(w);
  }
  switch (AreaAt(*w, e.X, e.Y)) {
    case TArea::Surface:
      Held_ = w->Id;
      HeldButtons_ = 1;
      PushPointer(HostEventKind::PointerPress, w->Id, e.X, e.Y, button);
      break;
    case TArea::Caption: {
      if (button != kButtonLeft) break;
      const TCaptionPart part = wl::CaptionPartAt(w->Bounds.width / Scale_, CaptionBoxes(*w),
                                                  (e.X - w->Bounds.x) / Scale_,
                                                  (e.Y - w->Bounds.y + w->Top) / Scale_);
      if (part == TCaptionPart::Icon) {
        // The icon opens the system menu, which the platform draws as its own popup.
        Push(HostEventKind::SystemMenu, w->Id);
      } else if (part == TCaptionPart::Title && e.Detail == 2 && w->Spec.resizable) {
        Maximize(*w, w->State != HostShow::Maximized);
      } else if (part == TCaptionPart::Title) {
        if (w->State == HostShow::Maximized) break;
        Dragging_ = w->Id;
        DragEdges_ = 0;
      } else if (part == TCaptionPart::Minimize || part == TCaptionPart::Maximize ||
                 part == TCaptionPart::Close) {
        CaptionHeld_ = w->Id;
        CaptionPart_ = part;
        RedrawCaption(*w);
      }
      break;
    }
    case TArea::Border: {
      if (button != kButtonLeft || w->State == HostShow::Maximized) break;
      const HostRect& b = w->Bounds;
      Dragging_ = w->Id;
      DragEdges_ = (e.X < b.x ? kLeft : 0) | (e.X >= b.x + b.width ? kRight : 0) |
                   (e.Y < b.y - w->Top ? kTop : 0) | (e.Y >= b.y + b.height ? kBottom : 0);
      break;
    }
    case TArea::Outside:
      break;
  }
  DragX_ = e.X;
  DragY_ = e.Y;
  DragFrom_ = w->Bounds;
}

void TWebHost::PointerMove(const TPageEvent& e) {
  PointerX_ = e.X;
  PointerY_ = e.Y;
  if (TWindow* d = Find(Dragging_); d != nullptr) {
    const int dx = e.X - DragX_, dy = e.Y - DragY_;
    if (DragEdges_ == 0) {
      MoveTo(*d, DragFrom_.x + dx, DragFrom_.y + dy);
      return;
    }
    HostRect r = DragFrom_;
    const int side = kMinimumSide * Scale_;
    if (DragEdges_ & kRight) r.width = std::max(DragFrom_.width + dx, side);
    if (DragEdges_ & kBottom) r.height = std::max(DragFrom_.height + dy, side);
    if (DragEdges_ & kLeft) {
      r.width = std::max(DragFrom_.width - dx, side);
      r.x = DragFrom_.x + DragFrom_.width - r.width;
    }
    if (DragEdges_ & kTop) {
      r.height = std::max(DragFrom_.height - dy, side);
      r.y = DragFrom_.y + DragFrom_.height - r.height;
    }
    Resize(*d, r.width, r.height);
    MoveTo(*d, r.x, r.y);
    return;
  }
  if (CaptionHeld_ != 0) return;
  if (HeldButtons_ > 0 && Held_ != 0) {
    PushPointer(HostEventKind::PointerMove, Held_, e.X, e.Y, 0);
    return;
  }
  if (Captured_ != 0) {
    PushPointer(HostEventKind::PointerMove, Captured_, e.X, e.Y, 0);
    return;
  }
  const TWindow* w = Find(HostWindow(e.Window));
  const TArea area = w != nullptr && w->Shown() ? AreaAt(*w, e.X, e.Y) : TArea::Outside;
  UpdateHostCursor(w, area, e.X, e.Y);
  if (area != TArea::Surface) {
    LeaveWindow();
    return;
  }
  if (Over_ != w->Id) LeaveWindow();
  Over_ = w->Id;
  PushPointer(HostEventKind::PointerMove, w->Id, e.X, e.Y, 0);
}

void TWebHost::PointerUp(const TPageEvent& e) {
  PointerX_ = e.X;
  PointerY_ = e.Y;
  const bool touch = e.Pointer != 0;
  if (touch) {
    if (!TouchHeld_) return;
    TouchHeld_ = false;
  }
  const int button = touch ? kButtonLeft : e.Button;
  if (Dragging_ != 0) {
    Dragging_ = 0;
    return;
  }
  if (TWindow* w = Find(CaptionHeld_); w != nullptr) {
    const TCaptionPart held = CaptionPart_;
    const TCaptionPart part = wl::CaptionPartAt(w->Bounds.width / Scale_, CaptionBoxes(*w),
                                                (e.X - w->Bounds.x) / Scale_,
                                                (e.Y - w->Bounds.y + w->Top) / Scale_);
    CaptionHeld_ = 0;
    CaptionPart_ = TCaptionPart::None;
    RedrawCaption(*w);
    if (part == held && held == TCaptionPart::Close) {
      Push(HostEventKind::CloseRequest, w->Id);
    } else if (part == held && held == TCaptionPart::Minimize) {
      Minimize(*w);
      Push(HostEventKind::Minimized, w->Id);
    } else if (part == held && held == TCaptionPart::Maximize) {
      Maximize(*w, w->State != HostShow::Maximized);
    }
    return;
  }
  if (HeldButtons_ > 0 && Held_ != 0) {
    const HostWindow to = Held_;
    if (--HeldButtons_ == 0) Held_ = 0;
    PushPointer(HostEventKind::PointerRelease, to, e.X, e.Y, button);
  } else if (Captured_ != 0) {
    PushPointer(HostEventKind::PointerRelease, Captured_, e.X, e.Y, button);
  }
  // A finger lifted is a pointer gone: nothing hovers after a tap.
  if (touch && Captured_ == 0) LeaveWindow();
}

void TWebHost::PointerGone() {
  if (Dragging_ != 0) Dragging_ = 0;
  if (TWindow* w = Find(CaptionHeld_); w != nullptr) {
    CaptionHeld_ = 0;
    CaptionPart_ = TCaptionPart::None;
    RedrawCaption(*w);
  }
  TouchHeld_ = false;
  if (Held_ != 0) {
    const HostWindow held = Held_;
    Held_ = 0;
    HeldButtons_ = 0;
    Push(HostEventKind::CaptureLost, held);
  }
  LeaveWindow();
}

void TWebHost::CapturePointer(HostWindow window, bool captured) {
  if (captured) {
    Captured_ = window;
  } else if (Captured_ == window || window == 0) {
    Captured_ = 0;
  }
}

void TWebHost::Key(const TPageEvent& e, bool press) {
  // Keys go to the window with the keyboard, also while its popup menu shows.
  if (Focused_ == 0) return;
  const unsigned vk = VirtualKeyOf(e.Code, e.Key);
  const unsigned mods = unsigned(e.Modifiers);
  if (vk != 0) {
    HostEvent& h = Push(press ? HostEventKind::KeyDown : HostEventKind::KeyUp, Focused_);
    h.key = vk;
    h.modifiers = mods;
    h.repeat = e.Repeat != 0;
  }
  if (press) PushText(Pending_, Focused_, TextOf(e.Key, mods), EventTime_);
}

}  // namespace platform::web
