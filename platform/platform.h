// The substitute platform API: everything the game and its framework call.
#pragma once

#include "platform/constants.h"
#include "platform/gdi.h"
#include "platform/resource_table.h"
#include "platform/resources.h"
#include "platform/types.h"
#include "platform/window.h"
