// Klop!: the program in the browser. The page's host, at the whole-number scale nearest
// the page's device pixel ratio; when the program ends the page says so, with its code.
#include <memory>
#include <utility>

#include "app/entry.h"
#include "platform/host/scaled_host.h"
#include "platform/host/web/web_host.h"
#include "program/app.h"
#include "res/klop_resources.h"

extern "C" void klop_page_ended(int code);

int main(int argc, char** argv) {
  std::unique_ptr<platform::Host> host = platform::MakeWebHost();
  const int scale = host->DesktopScale();
  host = platform::MakeScaledHost(std::move(host), scale);
  const int code = RunProcess(*host, klop::Module(), argc, argv, ProgramMain);
  klop_page_ended(code);
  return code;
}
