// A fuzz driver's own checks: a failed one stops the run with a readable line, which
// libFuzzer then reports as a finding with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace klop_fuzz {

inline void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace klop_fuzz
