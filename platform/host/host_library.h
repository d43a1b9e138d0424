// The display's client libraries, which a host opens when it is chosen, so that a
// process maps only the libraries of the display it shows on.
#pragma once

#include <string>

namespace platform {

// dlopen(file, flags); null, and why in `error` (the file named first), when it fails.
void* OpenHostLibrary(const char* file, int flags, std::string& error);

// The address of function `name` in `library` (opened from `file`); null, and why in
// `error`, when it has none.
void* HostLibraryFunction(void* library, const char* file, const char* name, std::string& error);

// The same into the function pointer `slot`; false when it has none.
template <typename F>
bool ResolveHostFunction(void* library, const char* file, const char* name, F& slot,
                         std::string& error) {
  slot = reinterpret_cast<F>(HostLibraryFunction(library, file, name, error));
  return slot != nullptr;
}

}  // namespace platform
