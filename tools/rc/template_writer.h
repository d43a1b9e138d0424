// Writes menus and dialogs in the platform's template formats.
#pragma once

#include <vector>

#include "tools/rc/byte_writer.h"
#include "tools/rc/script.h"

namespace klop::rc {

// `items` must not be empty at any level (the parser sees to it).
TBytes EncodeMenu(const std::vector<TMenuItem>& items);
TBytes EncodeDialog(const TDialog& dialog);

}  // namespace klop::rc
