// Klop!: the program on the desktop.
#include <cstdio>
#include <memory>
#include <string>

#include "app/entry.h"
#include "platform/host/desktop_host.h"
#include "program/app.h"
#include "res/klop_resources.h"

int main(int argc, char** argv) {
  std::string error;
  std::unique_ptr<platform::Host> host = platform::MakeDesktopHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "klop: %s\n", error.c_str());
    return 1;
  }
  return RunProcess(*host, klop::Module(), argc, argv, ProgramMain);
}
