#include "platform/host/wayland/wl_library.h"

#include <dlfcn.h>

#include "platform/host/host_library.h"

#define KLOP_DEFINE(name) decltype(klop_##name) klop_##name = nullptr;
KLOP_WL_CLIENT_FUNCTIONS(KLOP_DEFINE)
#undef KLOP_DEFINE

namespace platform::wl {
namespace {

struct TFunctions {
#define KLOP_MEMBER(name) decltype(klop_##name) name##_ = nullptr;
  KLOP_WL_CLIENT_FUNCTIONS(KLOP_MEMBER)
#undef KLOP_MEMBER
};

}  // namespace

bool LoadWaylandLibraries(std::string& error, const char* client) {
  void* clientLibrary = OpenHostLibrary(client, RTLD_NOW | RTLD_LOCAL, error);
  if (clientLibrary == nullptr) return false;
  TFunctions f;
  const bool resolved = true
#define KLOP_RESOLVE_CLIENT(name) \
  &&ResolveHostFunction(clientLibrary, client, #name, f.name##_, error)
      KLOP_WL_CLIENT_FUNCTIONS(KLOP_RESOLVE_CLIENT);
#undef KLOP_RESOLVE_CLIENT
  if (!resolved) {
    dlclose(clientLibrary);
    return false;
  }
#define KLOP_COMMIT(name) klop_##name = f.name##_;
  KLOP_WL_CLIENT_FUNCTIONS(KLOP_COMMIT)
#undef KLOP_COMMIT
  return true;
}

}  // namespace platform::wl
