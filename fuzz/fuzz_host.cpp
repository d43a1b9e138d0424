#include "fuzz_host.h"

#include <memory>

#include "platform/platform.h"

namespace klop_fuzz {

platform::THeadlessHost& FreshHost() {
  static std::unique_ptr<platform::THeadlessHost> host;
  if (host) platform::ResetForTesting();  // its windows go while their host still exists
  host = std::make_unique<platform::THeadlessHost>();
  platform::InstallHost(*host);
  platform::ResetForTesting();
  return *host;
}

}  // namespace klop_fuzz
