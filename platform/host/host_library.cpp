#include "platform/host/host_library.h"

#include <dlfcn.h>

namespace platform {

void* OpenHostLibrary(const char* file, int flags, std::string& error) {
  void* library = dlopen(file, flags);
  if (library == nullptr) {
    // dlerror names the file first.
    const char* why = dlerror();
    error = std::string("cannot load ") + (why != nullptr ? why : file);
  }
  return library;
}

void* HostLibraryFunction(void* library, const char* file, const char* name, std::string& error) {
  void* function = dlsym(library, name);
  if (function == nullptr) error = std::string("cannot load ") + file + ": it has no " + name;
  return function;
}

}  // namespace platform
