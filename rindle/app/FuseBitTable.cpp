#include "rindle/app/FuseBitTable.h"

namespace rindle {

namespace {

constexpr DeviceFuseLayout kNoFuses{catalogue_detail::kNone, catalogue_detail::kNone,
                                    catalogue_detail::kNone, false};

} // namespace

const DeviceFuseLayout &FuseLayoutFor(std::uint16_t deviceIndex) {
  const DeviceEntry *entry = FindDevice(deviceIndex);
  return entry != nullptr ? entry->fuseLayout : kNoFuses;
}

std::string_view FuseBitCaptionName(const FuseBit &bit) { return bit.exists() ? bit.name : "-"; }

} // namespace rindle
