// Fuzz target: the whole program under a storm of input decoded from the bytes.
#include <cstdio>
#include <cstdlib>

#include "fuzz/storm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string report = klop_storm::RunStorm(data, size);
  if (!report.empty()) {
    std::fputs(report.c_str(), stderr);
    std::abort();
  }
  return 0;
}
