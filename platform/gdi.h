#pragma once

#include "platform/constants.h"
#include "platform/types.h"
