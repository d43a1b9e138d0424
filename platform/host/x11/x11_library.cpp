#include "platform/host/x11/x11_library.h"

#include <dlfcn.h>

#include <iterator>

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

void* Open(const char* file, std::string& error) {
  // Bound lazily, as the dynamic linker binds a linked library's own calls: binding all
  // of libxcb's at once costs the start more than the few it makes.
  void* library = dlopen(file, RTLD_LAZY | RTLD_LOCAL);
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

bool LoadX11Libraries(std::string& error, const char* xcb) {
  // The libraries in the list's order, the core one's file as asked.
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
#define KLOP_RESOLVE(name) &&Resolve(opened[at], files[at], #name, f.name##_, error)
#define KLOP_LIBRARY(tag, file, functions)                               \
  if (resolved) {                                                        \
    opened[at] = Open(files[at], error);                                 \
    resolved = opened[at] != nullptr functions(KLOP_RESOLVE);            \
    ++at;                                                                \
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
