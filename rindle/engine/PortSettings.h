#pragma once

// Moved to the ISP library both programmers share; kept so that older
// include lines still build.
#include "rindle/isp/PortSettings.h"
