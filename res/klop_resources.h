// The game's resources, compiled from res/klop.rc into the program.
#pragma once

#include "platform/resources/resource_table.h"

namespace klop {

// The ten resources, names in upper case.
const platform::ResourceTable& ResourceTable();

// The program's module, through which the platform's loaders find the resources.
HINSTANCE Module();

}  // namespace klop
