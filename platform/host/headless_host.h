// The headless host under the name test code knows it by.
#pragma once

#include "platform/host/headless.h"

namespace platform {

class HeadlessHost : public THeadlessHost {
 public:
  using THeadlessHost::THeadlessHost;
};

}  // namespace platform
