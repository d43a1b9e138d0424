#include "platform/host/x11/x11_library.h"

#include <dlfcn.h>

#include <iterator>

#include "platform/host/host_library.h"

#define KLOP_DEFINE(name) decltype(klop_##name) klop_##name = nullptr;
KLOP_X11_FUNCTIONS(KLOP_DEFINE)
#undef KLOP_DEFINE

namespace platform::x11 {
namespace {

struct TFunctions {
#define KLOP_MEMBER(name) decltype(klop_##name) name##_ = nullptr;
  KLOP_X11_FUNCTIONS(KLOP_MEMBER)
#undef KLOP_MEMBER
};

}  // namespace

bool LoadX11Libraries(std::string& error, const char* xcb) {
  // The libraries in the list's order, the core one's file as asked. Their calls are
  // bound lazily, as the dynamic linker binds a linked library's own: binding all of
  // libxcb's at once costs the start more than the few it makes.
  const char* files[] = {
#define KLOP_FILE(tag, file, functions) file,
      KLOP_X11_LIBRARIES(KLOP_FILE)
#undef KLOP_FILE
  };
  files[0] = xcb;
  void* opened[std::size(files)] = {};
  TFunctions f;
  std::size_t at = 0;
  bool resolved = true;
#define KLOP_RESOLVE(name) &&ResolveHostFunction(opened[at], files[at], #name, f.name##_, error)
#define KLOP_LIBRARY(tag, file, functions)                                  \
  if (resolved) {                                                           \
    opened[at] = OpenHostLibrary(files[at], RTLD_LAZY | RTLD_LOCAL, error); \
    resolved = opened[at] != nullptr functions(KLOP_RESOLVE);               \
    ++at;                                                                   \
  }
  KLOP_X11_LIBRARIES(KLOP_LIBRARY)
#undef KLOP_LIBRARY
#undef KLOP_RESOLVE
  if (!resolved) {
    for (void* library : opened) {
      if (library != nullptr) dlclose(library);
    }
    return false;
  }
#define KLOP_COMMIT(name) klop_##name = f.name##_;
  KLOP_X11_FUNCTIONS(KLOP_COMMIT)
#undef KLOP_COMMIT
  return true;
}

}  // namespace platform::x11
