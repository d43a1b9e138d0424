// Libraries: a table of the ones that tests added, looked up by name ignoring case.
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include "platform/faults.h"
#include "platform/resources/resources.h"

namespace platform {
namespace {

struct TLibrary {
  std::string name;
  std::vector<std::pair<std::string, FARPROC>> exports;
  int loads = 0;
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::map<std::string, std::unique_ptr<TLibrary>>& Libraries() {
  static std::map<std::string, std::unique_ptr<TLibrary>> libraries;
  return libraries;
}

TLibrary* Loaded(HMODULE module) {
  for (auto& [key, lib] : Libraries()) {
    if (reinterpret_cast<HMODULE>(lib.get()) == module && lib->loads > 0) return lib.get();
  }
  return nullptr;
}

}  // namespace

void AddLibraryForTesting(const std::string& name,
                          std::vector<std::pair<std::string, FARPROC>> exports) {
  auto lib = std::make_unique<TLibrary>();
  lib->name = name;
  lib->exports = std::move(exports);
  Libraries()[Lower(name)] = std::move(lib);
}

int LibraryLoadsForTesting(const std::string& name) {
  auto it = Libraries().find(Lower(name));
  return it == Libraries().end() ? 0 : it->second->loads;
}

void ResetLibraries() {
  Libraries().clear();
}

}  // namespace platform

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (platform::RefuseThisCall(platform::TOperation::LoadLibraryA)) return nullptr;
  if (fileName == nullptr) return nullptr;
  auto it = platform::Libraries().find(platform::Lower(fileName));
  if (it == platform::Libraries().end()) return nullptr;
  ++it->second->loads;
  // The handle only names the library; nobody reads through it.
  return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  platform::TLibrary* lib = platform::Loaded(module);
  if (lib == nullptr || procName == nullptr || IS_INTRESOURCE(procName)) return nullptr;
  for (const auto& [name, proc] : lib->exports) {
    if (name == procName) return proc;
  }
  return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
  platform::TLibrary* lib = platform::Loaded(module);
  if (lib == nullptr) return FALSE;
  --lib->loads;
  return TRUE;
}
