#include "platform/host/host.h"

#include <cstdio>
#include <cstdlib>

#include "platform/host/window_seam.h"

namespace platform {

namespace {
Host* g_host = nullptr;
const TWindowSeam* g_windowSeam = nullptr;
}  // namespace

void InstallHost(Host& host) {
  g_host = &host;
}

bool HasHost() {
  return g_host != nullptr;
}

Host& CurrentHost() {
  if (g_host == nullptr) {
    std::fputs("platform: no host installed\n", stderr);
    std::abort();
  }
  return *g_host;
}

void InstallWindowSeam(const TWindowSeam* seam) {
  g_windowSeam = seam;
}

const TWindowSeam* WindowSeam() {
  return g_windowSeam;
}

}  // namespace platform
