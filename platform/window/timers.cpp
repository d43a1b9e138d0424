// Timers: deadlines on the host's monotonic clock, fetched as WM_TIMER when due.
//
// A timer is never queued: WM_TIMER is made from a due timer when the queue has nothing
// else, so each timer has at most one tick waiting. Taking the tick moves the deadline
// on by whole periods from the previous deadline, which keeps the rhythm exact and
// skips the periods a stall swallowed instead of delivering them in a burst.
#include <algorithm>
#include <vector>

#include "platform/faults.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

struct TTimer {
  HWND hwnd;
  UINT_PTR id;
  HostTime period;
  HostTime deadline;
  TIMERPROC proc;
};

std::vector<TTimer>& Timers() {
  static std::vector<TTimer> timers;
  return timers;
}

UINT_PTR g_nextThreadTimer = 0x7FFF;

std::vector<TTimer>::iterator Find(HWND hwnd, UINT_PTR id) {
  auto& ts = Timers();
  return std::find_if(ts.begin(), ts.end(),
                      [&](const TTimer& t) { return t.hwnd == hwnd && t.id == id; });
}

TTimer* Due(HWND filter, HostTime now) {
  TTimer* best = nullptr;
  for (TTimer& t : Timers()) {
    if (t.deadline > now || !MatchesFilter(t.hwnd, filter)) continue;
    if (best == nullptr || t.deadline < best->deadline) best = &t;
  }
  return best;
}

}  // namespace

void ResetTimers() {
  Timers().clear();
}

std::size_t LiveTimersForTesting() {
  return Timers().size();
}

bool HasTimerForTesting(HWND hwnd, UINT_PTR id) {
  return Find(hwnd, id) != Timers().end();
}

bool HasDueTimer(HWND filter, HostTime now) {
  return Due(filter, now) != nullptr;
}

bool TakeDueTimer(HWND filter, HostTime now, bool remove, MSG& msg) {
  TTimer* t = Due(filter, now);
  if (t == nullptr) return false;
  msg = MSG{t->hwnd, WM_TIMER, t->id, reinterpret_cast<LPARAM>(t->proc), MessageTimeOf(now), {}};
  if (remove) {
    const auto missed = (now - t->deadline) / t->period;
    t->deadline += t->period * (missed + 1);
  }
  return true;
}

HostTime NextTimerDeadline(HostTime after) {
  HostTime next = HostTime::max();
  for (const TTimer& t : Timers()) {
    if (t.deadline > after) next = std::min(next, t.deadline);
  }
  return next;
}

void KillWindowTimers(HWND hwnd) {
  auto& ts = Timers();
  ts.erase(std::remove_if(ts.begin(), ts.end(), [&](const TTimer& t) { return t.hwnd == hwnd; }),
           ts.end());
}

void RefuseTimersForTesting(bool refuse) {
  if (refuse) {
    RefuseForTesting(TOperation::SetTimer, 1, true);
  } else {
    StopRefusingForTesting(TOperation::SetTimer);
  }
}

}  // namespace platform

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (platform::RefuseThisCall(platform::TOperation::SetTimer)) return 0;
  if (hwnd != nullptr && !IsWindow(hwnd)) return 0;
  elapse = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  const platform::HostTime period = std::chrono::milliseconds(elapse);
  const platform::HostTime deadline = platform::CurrentHost().Now() + period;
  if (hwnd == nullptr) {
    // Thread timers get an id of their own unless an existing one is named.
    if (platform::Find(nullptr, id) == platform::Timers().end()) {
      do {
        id = platform::g_nextThreadTimer++;
      } while (platform::Find(nullptr, id) != platform::Timers().end());
    }
  }
  auto it = platform::Find(hwnd, id);
  if (it != platform::Timers().end()) {
    it->period = period;
    it->deadline = deadline;
    it->proc = proc;
  } else {
    platform::Timers().push_back({hwnd, id, period, deadline, proc});
  }
  return hwnd != nullptr && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto it = platform::Find(hwnd, id);
  if (it == platform::Timers().end()) return FALSE;
  platform::Timers().erase(it);
  return TRUE;
}
