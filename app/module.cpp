#include "app/module.h"

TModule::TModule(const char* name, HINSTANCE instance)
    : Name(name ? name : ""), Instance(instance) {}

TModule::TModule(const char* fileName)
    : Name(fileName ? fileName : ""), Instance(::LoadLibraryA(fileName)), Owned(true) {
  if (Instance == nullptr) throw TXInvalidModule();
}

TModule::~TModule() {
  if (Owned && Instance != nullptr) ::FreeLibrary(Instance);
}
