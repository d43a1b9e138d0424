// Refusals on demand, for tests: the platform can be told to refuse a named operation
// on its next call, on its n-th call from now, or from then on, so that a program's
// handling of every refusal can be exercised. A refused call fails the way the
// operation fails by itself (a null handle, 0, -1) and does nothing else.
//
// Only code calls this; no environment variable or file can switch it on.
#pragma once

namespace platform {

enum class TOperation {
  GetDC,
  BeginPaint,
  CreateCompatibleDC,
  LoadBitmapA,
  CreateSolidBrush,
  SetTimer,
  RegisterClassA,
  CreateWindowExA,
  DialogBoxParamA,
  LoadLibraryA,
};

// Refuses the `nth` call of `op` counted from now (1: the next one); with `andLater`,
// every call from that one on. Replaces what was asked for `op` before.
void RefuseForTesting(TOperation op, unsigned nth = 1, bool andLater = false);
// Refuses no more calls of `op`.
void StopRefusingForTesting(TOperation op);
// Calls of `op` made since the last ResetForTesting, refused ones included.
unsigned CallsForTesting(TOperation op);

// For the operations themselves: counts this call and answers whether to refuse it.
// Calls the platform makes for itself (inside TPlatformCalls) are neither counted nor
// refused: a test aims at the program's calls.
bool RefuseThisCall(TOperation op);

// While one exists, the operations called are the platform's own.
class TPlatformCalls {
 public:
  TPlatformCalls();
  ~TPlatformCalls();
  TPlatformCalls(const TPlatformCalls&) = delete;
  TPlatformCalls& operator=(const TPlatformCalls&) = delete;
};

// Forgets every refusal and count (called by ResetForTesting).
void ResetFaults();

}  // namespace platform
