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

// A library's file, and how to resolve its functions into a TFunctions.
struct TLibrary {
  const char* File;
  bool (*Resolve)(void* library, const char* file, TFunctions& f, std::string& error);
};

#define KLOP_RESOLVE(name) &&ResolveHostFunction(library, file, #name, f.name##_, error)
#define KLOP_LIBRARY(tag, path, functions)                                                 \
  TLibrary{path, [](void* library, const char* file, TFunctions& f, std::string& error) { \
             return true functions(KLOP_RESOLVE);                                          \
           }},
constexpr TLibrary kStartLibraries[] = {KLOP_X11_LIBRARIES(KLOP_LIBRARY)};
constexpr TLibrary kKeyboardLibraries[] = {KLOP_X11_KEYBOARD_LIBRARIES(KLOP_LIBRARY)};
#undef KLOP_LIBRARY
#undef KLOP_RESOLVE

// Opens the libraries in the list's order (the first from `first` when not null), their
// calls bound lazily, as the dynamic linker binds a linked library's own: binding all of
// libxcb's at once costs the start more than the few it makes. On failure closes what
// it opened.
template <std::size_t N>
bool Open(const TLibrary (&libraries)[N], const char* first, TFunctions& f, std::string& error) {
  void* opened[N] = {};
  for (std::size_t i = 0; i < N; ++i) {
    const char* file = i == 0 && first != nullptr ? first : libraries[i].File;
    opened[i] = OpenHostLibrary(file, RTLD_LAZY | RTLD_LOCAL, error);
    if (opened[i] == nullptr || !libraries[i].Resolve(opened[i], file, f, error)) {
      for (void* library : opened) {
        if (library != nullptr) dlclose(library);
      }
      return false;
    }
  }
  return true;
}

}  // namespace

#define KLOP_COMMIT(name) klop_##name = f.name##_;

bool LoadX11Libraries(std::string& error, const char* xcb) {
  TFunctions f;
  if (!Open(kStartLibraries, xcb, f, error)) return false;
  KLOP_X11_START_FUNCTIONS(KLOP_COMMIT)
  return true;
}

bool LoadX11KeyboardLibraries(std::string& error) {
  TFunctions f;
  if (!Open(kKeyboardLibraries, nullptr, f, error)) return false;
  KLOP_X11_KEYBOARD_FUNCTIONS(KLOP_COMMIT)
  return true;
}

#undef KLOP_COMMIT

}  // namespace platform::x11
