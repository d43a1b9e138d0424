// What the platform's fuzz targets share: a fresh headless host for every input.
#pragma once

#include "fuzz_check.h"
#include "platform/host/headless.h"

namespace klop_fuzz {

// Destroys what the last input left, installs a new headless host and answers it.
platform::THeadlessHost& FreshHost();

}  // namespace klop_fuzz
