// The web host: the Host interface's plain answers, the wait, and the page's events.
#include "platform/host/web/web_host.h"

#include <algorithm>
#include <cmath>

#include "platform/host/scale.h"
#include "platform/host/web/web_host_internal.h"

namespace platform {

std::unique_ptr<Host> MakeWebHost() { return std::make_unique<web::TWebHost>(); }

namespace web {

TWebHost::TWebHost() {
  Dpr_ = klop_page_open();
  if (!(Dpr_ > 0)) Dpr_ = 1;
  PageWidth_ = klop_page_width();
  PageHeight_ = klop_page_height();
}

void TWebHost::UseScale(int n) { Scale_ = std::max(n, 1); }

int TWebHost::DesktopScale() const { return WholeScale(Dpr_); }

bool TWebHost::NextEvent(HostEvent& event) {
  ReadPage();
  return Pending_.Pop(event);
}

void TWebHost::Wait(HostTime deadline) {
  ReadPage();
  if (!Pending_.Empty()) return;
  double ms = -1;
  if (deadline != HostTime::max()) {
    const auto left = deadline - Now();
    if (left <= HostTime::zero()) return;
    // Whole milliseconds, rounded up: a timer never wakes the program early.
    ms = std::ceil(std::chrono::duration<double, std::milli>(left).count());
    // A browser's timer fires at once beyond 2^31 - 1 ms: a far deadline would spin.
    ms = std::min(ms, 2147483647.0);
  }
  klop_page_wait(ms);
  ReadPage();
}

void TWebHost::ReadPage() {
  while (klop_page_next(&Page_) != 0) {
    // The page's clock is the program's (performance.now()); one that is not, or an
    // event from the future, is timed now.
    const HostTime now = Now();
    EventTime_ = std::chrono::duration_cast<HostTime>(
        std::chrono::duration<double, std::milli>(Page_.Time));
    if (EventTime_ > now || now - EventTime_ > std::chrono::seconds(10)) EventTime_ = now;
    PageEvent(Page_);
  }
  EventTime_ = HostTime{};
}

void TWebHost::PageEvent(const TPageEvent& e) {
  switch (e.Kind) {
    case TPageEventKind::PointerDown:
      PointerDown(e);
      break;
    case TPageEventKind::PointerMove:
      PointerMove(e);
      break;
    case TPageEventKind::PointerUp:
      PointerUp(e);
      break;
    case TPageEventKind::PointerCancel:
    case TPageEventKind::PointerLeftPage:
      PointerGone();
      break;
    case TPageEventKind::KeyDown:
      Key(e, true);
      break;
    case TPageEventKind::KeyUp:
      Key(e, false);
      break;
    case TPageEventKind::Hidden:
      TabShown(false);
      break;
    case TPageEventKind::Visible:
      TabShown(true);
      break;
    case TPageEventKind::PageResized:
      PageWidth_ = e.X;
      PageHeight_ = e.Y;
      for (auto& [id, w] : Windows_) {
        if (w->State == HostShow::Maximized) Maximize(*w, true);
      }
      break;
    case TPageEventKind::PageBlurred:
      PageFocused_ = false;
      if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
      break;
    case TPageEventKind::PageFocused:
      PageFocused_ = true;
      if (Focused_ != 0) Push(HostEventKind::FocusGained, Focused_);
      break;
    case TPageEventKind::RestoreAsked:
      if (TWindow* w = Find(HostWindow(e.Window)); w != nullptr &&
                                                    w->State == HostShow::Minimized) {
        Show(w->Id, HostShow::Normal);
        Push(HostEventKind::Restored, w->Id);
        Activate(w);
      }
      break;
    case TPageEventKind::None:
      break;
  }
}

// A hidden tab minimises the frame (whose game then stops its clock), and showing the
// tab again restores it.
void TWebHost::TabShown(bool visible) {
  for (auto& [id, w] : Windows_) {
    if (!visible && w->Main() && w->Shown()) {
      w->HiddenByTab = true;
      Push(HostEventKind::Minimized, w->Id);
    } else if (visible && w->HiddenByTab) {
      w->HiddenByTab = false;
      Push(HostEventKind::Restored, w->Id);
    }
  }
}

}  // namespace web
}  // namespace platform
