// The substitute platform API: everything the game and its framework call.
#pragma once

#include "platform/constants.h"
#include "platform/faults.h"
#include "platform/gdi/gdi.h"
#include "platform/resources/resource_table.h"
#include "platform/resources/resources.h"
#include "platform/types.h"
#include "platform/ui/ui.h"
#include "platform/window/window.h"
