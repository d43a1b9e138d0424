// The thread's message queue.
//
// Retrieval order: posted messages, then WM_QUIT (only once nothing is posted), then
// input (pointer, keys), then WM_PAINT for a window with an update region, then
// WM_TIMER for a due timer. Paint and timer messages are never queued; they are made
// when asked for. Host events that are not input (close, resize, minimise...) are
// handled as they are pumped. When the queue runs dry, the surfaces' changed
// rectangles are presented, and WaitMessage sleeps in the host until input arrives or
// the next timer is due.
#include <algorithm>
#include <deque>

#include "platform/faults.h"
#include "platform/resources/resources.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

std::deque<MSG>& Posted() {
  static std::deque<MSG> posted;
  return posted;
}

std::deque<TInput>& Inputs() {
  static std::deque<TInput> inputs;
  return inputs;
}

std::uint64_t g_inputSeq = 0;

// What the last look that found nothing had seen: WaitMessage sleeps unless something
// came after it, so a filtered GetMessageA cannot spin on messages it does not want.
std::uint64_t g_arrivals = 0;
std::uint64_t g_seenArrivals = ~std::uint64_t{0};
HostTime g_seenTime{};

void Push(TInput in) {
  in.seq = ++g_inputSeq;
  Inputs().push_back(in);
  NoteArrival();
}

bool g_quit = false;
int g_quitCode = 0;
DWORD g_messageTime = 0;
std::vector<HostRect> g_presentRects;
std::vector<RECT> g_dirty;  // the surface being presented's rectangles, kept for their capacity
HostTime g_lastPresent{};
bool g_looked = false;  // the queue was looked at since the start (or the last reset)

// A queue that never runs dry (handlers slower than their timer) still shows its
// pictures at this pace.
constexpr HostTime kMaxPresentDelay = std::chrono::milliseconds(50);

bool IsInputEvent(HostEventKind k) {
  switch (k) {
    case HostEventKind::PointerMove:
    case HostEventKind::PointerPress:
    case HostEventKind::PointerRelease:
    case HostEventKind::KeyDown:
    case HostEventKind::KeyUp:
    case HostEventKind::Text:
      return true;
    default:
      return false;
  }
}

// A top-level window disabled by a modal dialog hands activation to that dialog.
HWND ActivationTarget(HWND hwnd) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr || !(w->style & WS_DISABLED)) return hwnd;
  for (HWND h : TopLevels()) {
    TWnd* o = WndOf(h);
    if (o->owner == hwnd && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) return h;
  }
  return nullptr;
}

void HandleWindowEvent(const HostEvent& e) {
  const HWND hwnd = WindowOfHost(e.window);
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return;
  switch (e.kind) {
    case HostEventKind::CloseRequest:
      if (!(w->style & WS_DISABLED)) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case HostEventKind::Minimized:
      SetMinimized(hwnd, true, false);
      break;
    case HostEventKind::Restored:
      if (w->style & WS_MINIMIZE) {
        SetMinimized(hwnd, false, false);
        // Coming back from the task bar makes it the active window again.
        if (IsWindow(hwnd) && ActiveWindow() == nullptr) ActivateWindow(ActivationTarget(hwnd));
      } else if (w->style & WS_MAXIMIZE) {
        w->style &= ~WS_MAXIMIZE;
        AddUpdate(*w, ClientRectOf(*w), true, true);
        SendSizeMessage(hwnd);
      }
      break;
    case HostEventKind::Maximized:
      if (!(w->style & WS_MAXIMIZE)) {
        w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
        AddUpdate(*w, ClientRectOf(*w), true, true);
        SendSizeMessage(hwnd);
      }
      break;
    case HostEventKind::Resized:
      SurfaceResized(hwnd, e.width, e.height);
      break;
    case HostEventKind::Moved: {
      // The desktop's frame may have changed with the move (or alone): the surface
      // keeps its size, the window's rectangle takes the frame's.
      const RECT r = w->rect;
      const HostInsets was = w->insets;
      const HostInsets in = CurrentHost().Decorations(e.window);
      const int width = r.right - r.left - was.left - was.right + in.left + in.right;
      const int height = r.bottom - r.top - was.top - was.bottom + in.top + in.bottom;
      w->insets = in;
      const int x = e.x - in.left;
      const int y = e.y - in.top;
      if (x != r.left || y != r.top || width != r.right - r.left || height != r.bottom - r.top) {
        SetWindowGeometry(hwnd, {x, y, x + width, y + height}, false, true);
      }
      break;
    }
    case HostEventKind::Exposed:
      // The surface still holds the pixels; showing them again is enough.
      w->surface->MarkDirty({e.x, e.y, e.x + e.width, e.y + e.height});
      break;
    case HostEventKind::FocusGained: {
      const HWND target = ActivationTarget(hwnd);
      if (target != nullptr) ActivateWindow(target);
      break;
    }
    case HostEventKind::SystemMenu:
      if (!(w->style & WS_DISABLED)) PostMessageA(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU, 0);
      break;
    case HostEventKind::CaptureLost:
      if (GetCapture() != nullptr && TopLevelOf(GetCapture()) == hwnd) ReleaseCapture();
      break;
    case HostEventKind::FocusLost:
      if (ActiveWindow() != nullptr && TopLevelOf(ActiveWindow()) == hwnd) {
        ActivateWindow(nullptr);
        SetFocus(nullptr);
      }
      break;
    default:
      break;
  }
}

// One input per character typed; characters outside Latin-1 have no single-byte form.
void QueueText(const HostEvent& e) {
  const auto* s = reinterpret_cast<const unsigned char*>(e.text);
  std::size_t n = 0;
  while (n < sizeof e.text && s[n] != 0) ++n;
  for (std::size_t i = 0; i < n;) {
    unsigned c = s[i];
    std::size_t len = 1;
    if (c >= 0x80) {
      len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if ((c == 0xC2 || c == 0xC3) && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
        c = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
      } else {
        c = 0;
      }
    }
    i += len;
    if (c == 0) continue;
    TInput in{e, false};
    std::fill(std::begin(in.event.text), std::end(in.event.text), '\0');
    in.event.text[0] = static_cast<char>(c);
    Push(in);
  }
}

void PumpHost() {
  Host& host = CurrentHost();
  HostEvent e;
  while (host.NextEvent(e)) {
    if (e.kind == HostEventKind::Text) {
      QueueText(e);
    } else if (IsInputEvent(e.kind)) {
      Push({e, false});
    } else {
      HandleWindowEvent(e);
      NoteArrival();
    }
  }
}

bool TakeInput(const TFilter& f, bool remove, MSG& msg) {
  auto& in = Inputs();
  for (std::size_t i = 0; i < in.size();) {
    bool consumed = false;
    bool tookNext = false;
    bool got = false;
    const TInput cur = in[i];
    const HostEventKind k = cur.event.kind;
    if (k == HostEventKind::PointerMove || k == HostEventKind::PointerPress ||
        k == HostEventKind::PointerRelease) {
      got = PointerMessage(cur, f, remove, msg, consumed);
    } else {
      const TInput* next = i + 1 < in.size() ? &in[i + 1] : nullptr;
      got = KeyMessage(cur, next, f, remove, msg, consumed, tookNext);
    }
    // The handlers above may have sent messages that changed the queue.
    if (i >= in.size() || in[i].seq != cur.seq) {
      auto it =
          std::find_if(in.begin(), in.end(), [&](const TInput& x) { return x.seq == cur.seq; });
      if (it == in.end()) return got;
      i = static_cast<std::size_t>(it - in.begin());
    }
    if ((got && remove) || consumed) {
      in.erase(in.begin() + static_cast<std::ptrdiff_t>(i));
      if (tookNext && i < in.size() && in[i].event.kind == HostEventKind::Text) {
        in.erase(in.begin() + static_cast<std::ptrdiff_t>(i));
      }
      if (got) return true;
      continue;
    }
    if (got) return true;
    ++i;
  }
  return false;
}

// Parents before their children, and siblings from the bottom of the stack up, so that
// where siblings overlap without clipping each other the upper one is drawn last and shows.
template <typename Pred>
HWND FindPaintTarget(HWND hwnd, Pred& pred) {
  TWnd* w = WndOf(hwnd);
  if (w == nullptr) return nullptr;
  if (pred(*w)) return hwnd;
  for (auto c = w->children.rbegin(); c != w->children.rend(); ++c) {
    if (HWND found = FindPaintTarget(*c, pred)) return found;
  }
  return nullptr;
}

bool TakePaint(const TFilter& f, MSG& msg) {
  if (!f.InRange(WM_PAINT)) return false;
  auto wanted = [&](const TWnd& w) { return NeedsPaint(w) && f.Passes(w.handle, WM_PAINT); };
  HWND h = nullptr;
  for (HWND top : TopLevels()) {
    if ((h = FindPaintTarget(top, wanted)) != nullptr) break;
  }
  if (h == nullptr) return false;
  msg = MakeMsg(h, WM_PAINT, 0, 0);
  return true;
}

bool AnythingWaiting() {
  if (!Posted().empty() || g_quit || !Inputs().empty()) return true;
  if (FindWindowWhere([](const TWnd& w) { return NeedsPaint(w); }) != nullptr) return true;
  return HasDueTimer(nullptr, CurrentHost().Now());
}

}  // namespace

bool TFilter::InRange(UINT msg) const {
  return (min == 0 && max == 0) || (msg >= min && msg <= max);
}

bool TFilter::Passes(HWND target, UINT msg) const {
  return InRange(msg) && MatchesFilter(target, hwnd);
}

bool MatchesFilter(HWND target, HWND filter) {
  return filter == nullptr || target == filter || IsChild(filter, target);
}

DWORD MessageTimeOf(HostTime t) {
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
}

MSG MakeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return MSG{hwnd, message, wParam, lParam, MessageTimeOf(CurrentHost().Now()),
             LastPointerPosition()};
}

void NoteArrival() {
  ++g_arrivals;
}

void QueueInput(const TInput& in) {
  Push(in);
}

void ResetForTesting() {
  for (HWND h : TopLevelWindows()) DestroyWindow(h);
  Posted().clear();
  Inputs().clear();
  g_quit = false;
  g_quitCode = 0;
  g_messageTime = 0;
  g_seenArrivals = ~std::uint64_t{0};
  g_seenTime = {};
  g_lastPresent = {};
  g_looked = false;
  ResetTimers();
  ResetFaults();
  ResetLibraries();
  ResetMouse();
  ResetKeyboard();
  ResetFocus();
}

void DropPostedFor(HWND hwnd) {
  auto& p = Posted();
  p.erase(std::remove_if(p.begin(), p.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
          p.end());
}

void PresentAll() {
  Host& host = CurrentHost();
  g_lastPresent = host.Now();
  for (HWND h : TopLevels()) {
    TWnd* w = WndOf(h);
    if (w == nullptr || !w->surface || !w->surface->HasDirty()) continue;
    w->surface->TakeDirty(g_dirty);
    g_presentRects.clear();
    for (const RECT& r : g_dirty) {
      g_presentRects.push_back({r.left, r.top, r.right - r.left, r.bottom - r.top});
    }
    const TSurface& s = *w->surface;
    host.Present(w->host, s.Data(), s.Width(), s.Height(), s.Width(), g_presentRects.data(),
                 g_presentRects.size());
  }
}

}  // namespace platform

using platform::TWnd;
using platform::WndOf;

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd != nullptr && !IsWindow(hwnd)) return FALSE;
  platform::Posted().push_back(platform::MakeMsg(hwnd, msg, wParam, lParam));
  platform::NoteArrival();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  platform::g_quit = true;
  platform::g_quitCode = exitCode;
  platform::NoteArrival();
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (msg == nullptr || (removeFlags & ~(PM_REMOVE | PM_NOYIELD)) != 0) return FALSE;
  if (hwnd != nullptr && !IsWindow(hwnd)) return FALSE;
  if (filterMin > filterMax) return FALSE;  // exclusion ranges are not supported
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  const platform::TFilter f{hwnd, filterMin, filterMax};
  platform::PumpHost();
  // The pace is counted from the first look at the queue, not from the clock's zero:
  // else the first look presented the first window white, before its first paint.
  if (!platform::g_looked) {
    platform::g_looked = true;
    platform::g_lastPresent = platform::CurrentHost().Now();
  } else if (platform::CurrentHost().Now() - platform::g_lastPresent >= platform::kMaxPresentDelay) {
    platform::PresentAll();
  }

  auto& posted = platform::Posted();
  for (auto it = posted.begin(); it != posted.end(); ++it) {
    if (it->hwnd == nullptr ? (hwnd == nullptr && f.Passes(nullptr, it->message))
                            : f.Passes(it->hwnd, it->message)) {
      *msg = *it;
      if (remove) posted.erase(it);
      platform::g_messageTime = msg->time;
      return TRUE;
    }
  }
  if (platform::g_quit && posted.empty() && f.Passes(hwnd, WM_QUIT)) {
    *msg = platform::MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(platform::g_quitCode), 0);
    if (remove) platform::g_quit = false;
    return TRUE;
  }
  if (platform::TakeInput(f, remove, *msg) || platform::TakePaint(f, *msg) ||
      (f.InRange(WM_TIMER) &&
       platform::TakeDueTimer(hwnd, platform::CurrentHost().Now(), remove, *msg))) {
    platform::g_messageTime = msg->time;
    return TRUE;
  }
  platform::g_seenArrivals = platform::g_arrivals;
  platform::g_seenTime = platform::CurrentHost().Now();
  platform::PresentAll();
  return FALSE;
}

BOOL WaitMessage() {
  platform::PumpHost();
  if (platform::g_arrivals != platform::g_seenArrivals && platform::AnythingWaiting()) return TRUE;
  platform::Host& host = platform::CurrentHost();
  // Timers already due when the queue was last found empty were not wanted then.
  const platform::HostTime after =
      platform::g_seenArrivals == ~std::uint64_t{0} ? host.Now() : platform::g_seenTime;
  const platform::HostTime deadline = platform::NextTimerDeadline(after);
  if (deadline <= host.Now()) return TRUE;
  platform::PresentAll();
  host.Wait(deadline);
  return TRUE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (msg == nullptr || (hwnd != nullptr && !IsWindow(hwnd)) || filterMin > filterMax) return -1;
  while (!PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) {
    if (hwnd != nullptr && !IsWindow(hwnd)) return -1;
    WaitMessage();
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    const auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  if (msg->hwnd == nullptr || !IsWindow(msg->hwnd)) return 0;
  const LRESULT r = platform::CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT) {
    // A window that ignored its WM_PAINT would get it again at once, for ever.
    if (TWnd* w = WndOf(msg->hwnd); w != nullptr && (!w->update.empty() || w->nonClientDirty)) {
      w->nonClientDirty = false;
      ValidateRect(msg->hwnd, nullptr);
    }
  }
  return r;
}

DWORD GetMessageTime() {
  return platform::g_messageTime;
}

DWORD GetTickCount() {
  return platform::MessageTimeOf(platform::CurrentHost().Now());
}
