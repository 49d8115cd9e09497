#include "isp/core/DeviceCatalogue.h"

#include <cctype>

namespace rindle {

namespace {

void Apply(FuseState &fuses, const FuseRuleStep &step) {
  std::uint16_t &value = FuseByte(fuses, step.field);
  switch (step.op) {
  case FuseOp::Assign: value = step.value; break;
  case FuseOp::Or: value = static_cast<std::uint16_t>(value | step.value); break;
  case FuseOp::AndNot: value = static_cast<std::uint16_t>(value & ~step.value); break;
  }
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

} // namespace

std::uint16_t &FuseByte(FuseState &fuses, FuseField field) {
  switch (field) {
  case FuseField::FuseLow: return fuses.FuseLow;
  case FuseField::FuseHigh: return fuses.FuseHigh;
  case FuseField::FuseExtended: return fuses.FuseExtended;
  case FuseField::LockByte: break;
  }
  return fuses.LockByte;
}

std::uint16_t FuseByte(const FuseState &fuses, FuseField field) {
  return FuseByte(const_cast<FuseState &>(fuses), field);
}

FuseState ApplyForcedFuses(const DeviceEntry &entry, FuseState fuses) {
  for (const FuseRuleStep &step : entry.ForcedAtSelection()) {
    Apply(fuses, step);
  }
  return fuses;
}

bool FusesUnprogrammed(const DeviceEntry &entry, const FuseState &fuses) {
  const std::uint8_t named = entry.defaults.applyWhen;
  if (named == kNoFuseBytes) {
    return false;
  }
  const FuseState fresh = ApplyForcedFuses(entry, FuseState{});
  const FuseState now = ApplyForcedFuses(entry, fuses);
  const auto same = [&](FuseByteSet byte, std::uint16_t FuseState::*field) {
    return (named & byte) == 0 || now.*field == fresh.*field;
  };
  return same(kLowFuse, &FuseState::FuseLow) && same(kHighFuse, &FuseState::FuseHigh) &&
         same(kExtendedFuse, &FuseState::FuseExtended);
}

std::vector<SerialLockoutBit> SerialLockoutBits(const DeviceEntry &entry, const FuseState &fuses) {
  std::vector<SerialLockoutBit> found;
  // A lost RESET pin first, then the debug line, then SPIEN.
  for (const SerialLockout *kind : {&kResetPinLost, &kResetPinDebugs, &kSerialSwitchedOff}) {
    for (FuseField field : {FuseField::FuseLow, FuseField::FuseHigh, FuseField::FuseExtended}) {
      const FuseByteLayout &bits = *entry.fuseLayout.Byte(field);
      for (std::uint8_t b = 8; b-- > 0;) {
        const FuseBit &bit = bits[b];
        if (bit.lockout != kind)
          continue;
        const bool programmed = (FuseByte(fuses, field) & (1u << b)) == 0;
        if (programmed == kind->endsWhenProgrammed)
          found.push_back({field, b, kind->endsWhenProgrammed,
                           bit.hidden ? bit.hiddenName : bit.name, kind->effect});
      }
    }
  }
  return found;
}

std::vector<SerialLockoutBit> SerialLockoutBits(std::uint16_t deviceIndex, const FuseState &fuses) {
  const DeviceEntry *entry = FindDevice(deviceIndex);
  return entry != nullptr ? SerialLockoutBits(*entry, fuses) : std::vector<SerialLockoutBit>{};
}

const DeviceEntry *FindDevice(std::string_view name) {
  const std::string_view wanted = Trimmed(name);
  if (wanted.empty())
    return nullptr;
  for (const DeviceEntry &entry : kDeviceList)
    if (entry.isDevice && (SameName(entry.Name(), wanted) || SameName(entry.dataSheetName, wanted)))
      return &entry;
  return nullptr;
}

std::uint16_t RowOf(const DeviceEntry &entry) {
  return static_cast<std::uint16_t>(&entry - kDeviceList.data());
}

} // namespace rindle
