// A loaded program image: the program itself, whose resources are loaded by name, or
// a library loaded at run time.
#pragma once

#include <string>

#include "app/errors.h"
#include "platform/platform.h"

class TModule {
 public:
  // A library that cannot be loaded.
  class TXInvalidModule : public TXBase {
   public:
    TXInvalidModule() : TXBase(kIdInvalidModule) {}
  };

  // A module already loaded, such as the program's own; not freed by this object.
  TModule(const char* name, HINSTANCE instance);
  // Loads the library `fileName`; raises TXInvalidModule when it cannot be loaded.
  explicit TModule(const char* fileName);
  virtual ~TModule();
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;

  HINSTANCE GetInstance() const { return Instance; }
  const std::string& GetName() const { return Name; }
  // An exported function, cast to its real type; null when the module has none.
  template <typename F>
  F GetFunction(const char* name) const {
    // Through the one function type that converts to every other without a warning.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(Instance, name)));
  }

 protected:
  void SetInstance(HINSTANCE instance) { Instance = instance; }

 private:
  std::string Name;
  HINSTANCE Instance;
  bool Owned = false;  // loaded by this object, freed with it
};
