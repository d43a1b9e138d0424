#include "platform/host/host.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
Host* g_host = nullptr;
}

void InstallHost(Host& host) { g_host = &host; }

bool HasHost() { return g_host != nullptr; }

Host& CurrentHost() {
  if (g_host == nullptr) {
    std::fputs("platform: no host installed\n", stderr);
    std::abort();
  }
  return *g_host;
}

}  // namespace platform
