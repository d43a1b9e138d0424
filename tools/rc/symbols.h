// The symbolic names a script may use in expressions (window, dialog and control
// styles, the standard dialog ids), with the platform's own values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace klop::rc {

std::optional<std::int64_t> BuiltinSymbol(std::string_view name);

}  // namespace klop::rc
