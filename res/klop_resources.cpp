#include "res/klop_resources.h"

namespace klop {

HINSTANCE Module() {
  return platform::RegisterModule(ResourceTable());
}

}  // namespace klop
