#include "rindle/engine/IspEngine.h"

#include <span>

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

constexpr SerialLockoutBit Rstdisbl(FuseField byte, std::uint8_t bit) {
  return {byte, bit, true, "RSTDISBL", "the RESET pin becomes an I/O pin"};
}
constexpr SerialLockoutBit Dwen(FuseField byte, std::uint8_t bit) {
  return {byte, bit, true, "DWEN", "the RESET pin becomes the one-wire debug line"};
}

// The bits of each device that can end serial programming, by the chips'
// fuse layouts. SPIEN, which every AVR here keeps fixed, is not among them.
std::span<const SerialLockoutBit> LockoutCandidates(std::uint16_t deviceIndex) {
  using enum FuseField;
  static constexpr SerialLockoutBit kHigh7[] = {Rstdisbl(FuseHigh, 7)};
  static constexpr SerialLockoutBit kHigh7And6[] = {Rstdisbl(FuseHigh, 7), Dwen(FuseHigh, 6)};
  static constexpr SerialLockoutBit kTiny2313[] = {Rstdisbl(FuseHigh, 0), Dwen(FuseHigh, 7)};
  static constexpr SerialLockoutBit kTiny13[] = {Rstdisbl(FuseHigh, 0), Dwen(FuseHigh, 3)};
  static constexpr SerialLockoutBit kTiny26[] = {Rstdisbl(FuseHigh, 4)};
  static constexpr SerialLockoutBit kFuseByte4[] = {Rstdisbl(FuseLow, 4)};
  static constexpr SerialLockoutBit kExtended0[] = {Rstdisbl(FuseExtended, 0)};
  static constexpr SerialLockoutBit kUserSpien[] = {
      {FuseLow, 0, false, "SPIEN", "serial programming is switched off"}};
  switch (deviceIndex & 0xFF) {
  case device::kAt89S8253: return kUserSpien;
  case device::kMega8: return kHigh7;
  case device::kMega48:
  case device::kMega88:
  case device::kMega168:
  case device::kTiny25:
  case device::kTiny45:
  case device::kTiny85: return kHigh7And6;
  case device::kMega169: return kExtended0;
  case device::kTiny12:
  case device::kTiny15: return kFuseByte4;
  case device::kTiny13: return kTiny13;
  case device::kTiny26: return kTiny26;
  case device::kTiny2313: return kTiny2313;
  default: return {};
  }
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

std::vector<SerialLockoutBit> SerialLockoutBits(std::uint16_t deviceIndex, const FuseState &fuses) {
  std::vector<SerialLockoutBit> found;
  for (const SerialLockoutBit &b : LockoutCandidates(deviceIndex)) {
    const bool programmed = (FuseByte(fuses, b.byte) & (1u << b.bit)) == 0;
    if (programmed == b.endsWhenProgrammed) {
      found.push_back(b);
    }
  }
  return found;
}

void IspEngine::SelectDevice() {
  Device.FlashPageSize = 0;
  Device.FlashPageCount = 0;
  Device.FuseCount = 0;
  Device.CalibrationCount = 0;
  Device.EepromPageSize = 0;
  Device.EepromPageCount = 0;
  Device.EepromSize = 0;

  const DeviceEntry *entry = CurrentDevice();
  if (entry == nullptr) {
    return;
  }
  Device.FlashSize = entry->flashSize;
  Device.EepromSize = entry->eepromSize;
  Device.ExpectedSignature = entry->expectedSignature;
  Device.FlashPageSize = entry->flashPageSize;
  Device.FlashPageCount = entry->flashPageCount;
  Device.EepromPageSize = entry->eepromPageSize;
  Device.EepromPageCount = entry->eepromPageCount;
  Device.FuseCount = entry->fuseCount;
  Device.CalibrationCount = entry->calibrationCount;
  Fuses = ApplyForcedFuses(*entry, Fuses);
}

IspFamily IspEngine::Family() const {
  const DeviceEntry *entry = CurrentDevice();
  return entry != nullptr ? entry->family : IspFamily::At89S51;
}

} // namespace rindle
