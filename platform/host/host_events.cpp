#include "platform/host/host_events.h"

#include <errno.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_text.h"

namespace platform {

HostTime SteadyNow() {
  return std::chrono::duration_cast<HostTime>(std::chrono::steady_clock::now().time_since_epoch());
}

timespec TimespecOf(HostTime left) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  timespec t{};
  t.tv_sec = static_cast<time_t>(seconds.count());
  t.tv_nsec = static_cast<long>((left - seconds).count());
  return t;
}

HostEvent& THostEventQueue::Slot() {
  if (Count_ == Slots_.size()) {
    std::vector<HostEvent> bigger(std::max<std::size_t>(64, Slots_.size() * 2));
    for (std::size_t i = 0; i < Count_; ++i) bigger[i] = Slots_[(Head_ + i) % Slots_.size()];
    Slots_ = std::move(bigger);
    Head_ = 0;
  }
  return Slots_[(Head_ + Count_++) % Slots_.size()];
}

HostEvent& THostEventQueue::Push(HostEventKind kind, HostWindow window, HostTime time) {
  HostEvent& e = Slot();
  e = HostEvent{};
  e.kind = kind;
  e.window = window;
  e.time = time;
  return e;
}

bool THostEventQueue::Pop(HostEvent& e) {
  if (Count_ == 0) return false;
  e = Slots_[Head_];
  Head_ = (Head_ + 1) % Slots_.size();
  --Count_;
  return true;
}

void THostEventQueue::Forget(HostWindow window) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < Count_; ++i) {
    const HostEvent& e = Slots_[(Head_ + i) % Slots_.size()];
    if (e.window != window) Slots_[(Head_ + kept++) % Slots_.size()] = e;
  }
  Count_ = kept;
}

void PushText(THostEventQueue& queue, HostWindow window, std::string_view text, HostTime time) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = Utf8SequenceLength(text.data() + at, text.size() - at);
    HostEvent& h = queue.Push(HostEventKind::Text, window, time);
    std::memcpy(h.text, text.data() + at, n);
    at += n;
  }
}

void PushMoved(THostEventQueue& queue, HostWindow window, HostRect& bounds, int x, int y,
               HostTime time) {
  bounds.x = x;
  bounds.y = y;
  HostEvent& e = queue.Push(HostEventKind::Moved, window, time);
  e.x = x;
  e.y = y;
}

void ExitOnLostConnection(const char* display, const char* why) {
  if (why != nullptr) {
    std::fprintf(stderr, "%s: lost the connection to the %s (%s)\n", program_invocation_short_name,
                 display, why);
  } else {
    std::fprintf(stderr, "%s: lost the connection to the %s\n", program_invocation_short_name,
                 display);
  }
  std::exit(1);
}

}  // namespace platform
