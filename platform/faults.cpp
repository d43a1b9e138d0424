#include "platform/faults.h"

#include <array>
#include <cstddef>

namespace platform {
namespace {

struct TRefusal {
  unsigned calls = 0;     // since the last reset
  unsigned refuseAt = 0;  // the call number to refuse; 0 for none
  bool andLater = false;  // and every call after it
};

constexpr std::size_t kOperations = static_cast<std::size_t>(TOperation::LoadLibraryA) + 1;
std::array<TRefusal, kOperations> g_refusals{};
int g_platformCalls = 0;  // nesting of TPlatformCalls

TRefusal& Of(TOperation op) {
  return g_refusals[static_cast<std::size_t>(op)];
}

}  // namespace

void RefuseForTesting(TOperation op, unsigned nth, bool andLater) {
  TRefusal& r = Of(op);
  r.refuseAt = r.calls + (nth == 0 ? 1 : nth);
  r.andLater = andLater;
}

void StopRefusingForTesting(TOperation op) {
  Of(op).refuseAt = 0;
  Of(op).andLater = false;
}

unsigned CallsForTesting(TOperation op) {
  return Of(op).calls;
}

TPlatformCalls::TPlatformCalls() {
  ++g_platformCalls;
}

TPlatformCalls::~TPlatformCalls() {
  --g_platformCalls;
}

bool RefuseThisCall(TOperation op) {
  if (g_platformCalls > 0) return false;
  TRefusal& r = Of(op);
  ++r.calls;
  if (r.refuseAt == 0) return false;
  return r.calls == r.refuseAt || (r.andLater && r.calls > r.refuseAt);
}

void ResetFaults() {
  g_refusals = {};
}

}  // namespace platform
