#include "platform/host/wayland/wl_library.h"

#include <dlfcn.h>

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

void* Open(const char* file, std::string& error) {
  void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    // dlerror names the file first.
    const char* why = dlerror();
    error = std::string("cannot load ") + (why != nullptr ? why : file);
  }
  return library;
}

template <typename F>
bool Resolve(void* library, const char* file, const char* name, F& slot, std::string& error) {
  slot = reinterpret_cast<F>(dlsym(library, name));
  if (slot == nullptr) error = std::string("cannot load ") + file + ": it has no " + name;
  return slot != nullptr;
}

}  // namespace

bool LoadWaylandLibraries(std::string& error, const char* client) {
  void* clientLibrary = Open(client, error);
  if (clientLibrary == nullptr) return false;
  TFunctions f;
  const bool resolved = true
#define KLOP_RESOLVE_CLIENT(name) &&Resolve(clientLibrary, client, #name, f.name##_, error)
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
