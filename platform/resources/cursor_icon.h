// The images behind cursor and icon handles, for the windowing code and the hosts.
#pragma once

#include "platform/host/host.h"
#include "platform/types.h"

namespace platform {

const CursorShape* CursorShapeOf(HCURSOR cursor);  // nullptr when not a cursor
const CursorShape* IconShapeOf(HICON icon);        // nullptr when not an icon

}  // namespace platform
