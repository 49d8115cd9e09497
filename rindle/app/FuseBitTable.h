#pragma once

#include <cstdint>
#include <string_view>

#include "isp/core/DeviceCatalogue.h"

namespace rindle {

// The fuse dialog's layout of the device in a row of the device list, as the
// device's record holds it. Rows without fuses (the older AT89S and AT90S
// chips, separators, rows past the list) give a layout with every bit absent
// and the boot lock disabled.
const DeviceFuseLayout &FuseLayoutFor(std::uint16_t deviceIndex);

// The caption of a fuse box: one blank and the bit's name, or " -".
std::string_view FuseBitCaptionName(const FuseBit &bit);

} // namespace rindle
