// The AVRs' serial instructions, byte-mode (AT90S, ATtiny12/15) and
// page-mode (ATmega and the other ATtiny); their write times are the data
// sheets' (ChipModels.cpp).
#include "sim/isp/Chip.h"

#include <algorithm>

namespace sim::isp {

// --- AVR -------------------------------------------------------------------

std::uint32_t Chip::avrFlashWordAddress() const {
  return static_cast<std::uint32_t>((frame_[1] << 8) | frame_[2]) &
         AddressMask(model_->flashSize / 2);
}

std::uint8_t Chip::answerAvr(int byteIndex) {
  const std::uint8_t op = frame_[0], b2 = frame_[1], b3 = frame_[2];
  if (!programming_) {
    // Only the enable is understood; its echo is the sign of being in step.
    const bool echoes = model_->variant != ByteVariant::At90S1200;
    return byteIndex == 2 && echoes && op == 0xAC && b2 == 0x53 ? 0x53 : 0xFF;
  }
  const std::uint8_t echo = model_->variant == ByteVariant::At90S1200
                                ? 0xFF
                                : frame_[static_cast<std::size_t>(byteIndex - 1)];
  if (byteIndex != 3)
    return echo;
  const bool paged = model_->family == Family::AvrPageMode;
  const ByteVariant v = model_->variant;
  const bool byteFuses =
      v == ByteVariant::At90S4433 || v == ByteVariant::At90S8535 || v == ByteVariant::Tiny;
  switch (op) {
  case 0x20:
  case 0x28: return readMemory(Memory::Flash, avrFlashWordAddress() * 2 + (op == 0x28 ? 1 : 0));
  case 0xA0:
    return readMemory(Memory::Eeprom,
                      static_cast<std::uint32_t>((b2 << 8) | b3) & AddressMask(model_->eepromSize));
  case 0x30: {
    const int k = b3 & 0x03;
    if (k >= model_->signatureCount)
      return 0xFF;
    if (model_->at90s() && (lock_ & 0x03) == 0)
      return static_cast<std::uint8_t>(k); // locked: 00 01 02
    return model_->signature[static_cast<std::size_t>(k)];
  }
  case 0x38: {
    const int k = paged ? b3 : 0;
    return (paged || b3 == 0) && k < model_->calibrationCount
               ? calibration_[static_cast<std::size_t>(k)]
               : 0xFF;
  }
  case 0x50:
    if (byteFuses)
      return fuses_[kFuseLow];
    if (paged && b2 == 0x00)
      return fuses_[kFuseLow];
    if (paged && b2 == 0x08 && model_->fuses[kFuseExtended].present)
      return fuses_[kFuseExtended];
    return echo;
  case 0x58: {
    const bool lb1 = (lock_ & 0x01) != 0, lb2 = (lock_ & 0x02) != 0; // true = unprogrammed
    if (v == ByteVariant::At90S4433 || v == ByteVariant::Tiny)
      return static_cast<std::uint8_t>(0xF9 | (lb1 ? 0x02 : 0) | (lb2 ? 0x04 : 0));
    if (v == ByteVariant::At90S8535) // 1 2 SPIEN x x x x FSTRT
      return static_cast<std::uint8_t>(0x1E | (lb1 ? 0x80 : 0) | (lb2 ? 0x40 : 0) |
                                       (fuses_[kFuseLow] & 0x21));
    if (paged && b2 == 0x08 && model_->fuses[kFuseHigh].present)
      return fuses_[kFuseHigh];
    if (paged && b2 == 0x00)
      return lock_;
    return echo;
  }
  case 0xF0: return model_->readyPoll ? 0x00 : echo;
  default: return echo;
  }
}

bool Chip::answerWhileBusy(std::uint8_t &out) {
  if (!programming_ || !model_->isAvr())
    return false;
  const std::uint8_t op = frame_[0];
  if (op == 0xF0 && model_->readyPoll) {
    out = 0xFF; // bit 0: busy
    return true;
  }
  if (!pending_.valid)
    return false;
  if (pending_.memory == Memory::Flash && (op == 0x20 || op == 0x28) &&
      avrFlashWordAddress() * 2 + (op == 0x28 ? 1 : 0) == pending_.address) {
    out = 0x7F;
    return true;
  }
  const std::uint32_t eepromAddress =
      static_cast<std::uint32_t>((frame_[1] << 8) | frame_[2]) & AddressMask(model_->eepromSize);
  if (pending_.memory == Memory::Eeprom && op == 0xA0 && eepromAddress == pending_.address) {
    out = 0xFF;
    return true;
  }
  return false;
}

void Chip::executeAvrAc(std::uint64_t now) {
  const std::uint8_t b2 = frame_[1], b4 = frame_[3];
  auto lockFromBits21 = [&] {
    // Byte 2 bit 1 = LB1, bit 2 = LB2; a 0 programs the bit.
    return static_cast<std::uint8_t>(((b2 & 0x02) ? 0 : 1) | ((b2 & 0x04) ? 0 : 2));
  };
  if (b2 == 0x53) {
    ++counters_.enables;
    return;
  }
  if ((b2 & 0xE0) == 0x80) {
    erase(now);
    return;
  }
  switch (model_->variant) {
  case ByteVariant::None: // page mode
    if (b2 == 0xA0)
      writeFuse(kFuseLow, b4, now);
    else if (b2 == 0xA8)
      writeFuse(kFuseHigh, b4, now);
    else if (b2 == 0xA4)
      writeFuse(kFuseExtended, b4, now);
    else if ((b2 & 0xE0) == 0xE0)
      programLockBits(static_cast<std::uint8_t>(~b4), now);
    else
      unknown();
    return;
  case ByteVariant::At90S:
  case ByteVariant::At90S1200:
    if ((b2 & 0xE0) == 0xE0)
      programLockBits(lockFromBits21(), now);
    else
      unknown();
    return;
  case ByteVariant::At90S4433:
  case ByteVariant::At90S8535:
  case ByteVariant::Tiny: {
    // Each has its own fuse write; their lock bit writes look alike.
    const ByteVariant v = model_->variant;
    const bool fuseWrite = v == ByteVariant::At90S4433   ? (b2 & 0xE0) == 0xA0
                           : v == ByteVariant::At90S8535 ? (b2 & 0xFE) == 0xBE
                                                         : b2 == 0xA0;
    if (fuseWrite)
      writeFuse(kFuseLow, v == ByteVariant::Tiny ? b4 : b2, now); // the AT90S take it in byte 2
    else if ((b2 & 0xF9) == 0xF9)
      programLockBits(lockFromBits21(), now);
    else
      unknown();
    return;
  }
  }
}

void Chip::executeAvr(std::uint64_t now) {
  const std::uint8_t op = frame_[0], b3 = frame_[2], b4 = frame_[3];
  const bool paged = model_->family == Family::AvrPageMode;
  const ByteVariant v = model_->variant;
  const std::uint32_t eepromAddress =
      static_cast<std::uint32_t>((frame_[1] << 8) | b3) & AddressMask(model_->eepromSize);
  switch (op) {
  case 0xAC: executeAvrAc(now); return;
  case 0x40:
  case 0x48: {
    const std::uint32_t high = op == 0x48 ? 1 : 0;
    if (paged) {
      const std::uint32_t word = b3 & (model_->flashPageSize / 2u - 1u);
      flashPage_[word * 2 + high] = b4;
      return;
    }
    if (writesLocked()) {
      ++counters_.refusedByLock;
      return;
    }
    const std::uint32_t address = avrFlashWordAddress() * 2 + high;
    programByte(Memory::Flash, address, b4);
    ++counters_.flashWrites;
    busyFor(model_->timing.flashWrite, now);
    if (model_->at90s())
      pending_ = {true, Memory::Flash, address};
    return;
  }
  case 0x4C: {
    if (!paged) {
      unknown();
      return;
    }
    if (writesLocked()) {
      ++counters_.refusedByLock;
    } else {
      const std::uint32_t base = avrFlashWordAddress() * 2 & ~(model_->flashPageSize - 1u);
      for (std::uint32_t i = 0; i < model_->flashPageSize; ++i)
        programByte(Memory::Flash, base + i, flashPage_[i]);
      ++counters_.flashWrites;
      busyFor(model_->timing.flashWrite, now);
    }
    std::fill(flashPage_.begin(), flashPage_.end(), 0xFF);
    return;
  }
  case 0xC0:
    if (writesLocked()) {
      ++counters_.refusedByLock;
      return;
    }
    programByte(Memory::Eeprom, eepromAddress, b4);
    ++counters_.eepromWrites;
    busyFor(model_->timing.eepromWrite, now);
    if (model_->at90s())
      pending_ = {true, Memory::Eeprom, eepromAddress};
    return;
  case 0xC1:
    if (model_->eepromPageSize == 0) {
      unknown();
      return;
    }
    eepromPage_[b3 & (model_->eepromPageSize - 1u)] = b4;
    eepromPageLoaded_[b3 & (model_->eepromPageSize - 1u)] = true;
    return;
  case 0xC2: {
    if (model_->eepromPageSize == 0) {
      unknown();
      return;
    }
    if (writesLocked()) {
      ++counters_.refusedByLock;
    } else {
      const std::uint32_t base = eepromAddress & ~(model_->eepromPageSize - 1u);
      for (std::uint32_t i = 0; i < model_->eepromPageSize; ++i)
        if (eepromPageLoaded_[i])
          programByte(Memory::Eeprom, base + i, eepromPage_[i]);
      ++counters_.eepromWrites;
      busyFor(model_->timing.eepromWrite, now);
    }
    std::fill(eepromPage_.begin(), eepromPage_.end(), 0xFF);
    std::fill(eepromPageLoaded_.begin(), eepromPageLoaded_.end(), false);
    return;
  }
  case 0x20:
  case 0x28:
  case 0xA0:
  case 0x30: return;
  case 0x38:
    if (model_->calibrationCount == 0)
      unknown();
    return;
  case 0xF0:
    if (!model_->readyPoll)
      unknown();
    return;
  case 0x50:
  case 0x58:
    if (!paged && v != ByteVariant::At90S4433 && v != ByteVariant::At90S8535 &&
        v != ByteVariant::Tiny)
      unknown();
    return;
  default: unknown();
  }
}

} // namespace sim::isp
