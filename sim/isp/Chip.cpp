#include "sim/isp/Chip.h"

#include <algorithm>

namespace sim::isp {

std::uint32_t AddressMask(std::uint32_t size) {
  std::uint32_t mask = 1;
  while (mask < size)
    mask <<= 1;
  return mask - 1;
}

Chip::Chip(const ChipModel &model)
    : model_(&model), flash_(model.flashSize, 0xFF), eeprom_(model.eepromSize, 0xFF),
      userSignature_(model.userSignatureSize, 0xFF), calibration_(model.calibration),
      flashPage_(model.flashPageSize, 0xFF), eepromPage_(model.eepromPageSize, 0xFF),
      eepromPageLoaded_(model.eepromPageSize, false) {
  for (int i = 0; i < 3; ++i)
    if (model.fuses[i].present)
      setFuse(static_cast<FuseIndex>(i), model.fuses[i].factory);
  setLockByte(0xFF);
}

std::span<std::uint8_t> Chip::memory(Memory which) {
  switch (which) {
  case Memory::Flash: return flash_;
  case Memory::Eeprom: return eeprom_;
  case Memory::UserSignature: return userSignature_;
  }
  return {};
}

std::span<const std::uint8_t> Chip::memory(Memory which) const {
  return const_cast<Chip *>(this)->memory(which);
}

void Chip::setFuse(FuseIndex which, std::uint8_t value) {
  const FuseModel &f = model_->fuses[which];
  fuses_[which] =
      f.present ? static_cast<std::uint8_t>((value & ~f.fixedMask) | (f.fixedBits & f.fixedMask))
                : 0xFF;
}

void Chip::setSyncOnAttempt(int n) {
  // A reset already active counts as the first attempt.
  syncOnAttempt_ = std::max(n, 1);
  resetAttempts_ = inReset_ ? 1 : 0;
  edgesToLose_ = inReset_ && syncOnAttempt_ > 1 ? 1 : 0;
}

void Chip::addBadRead(Memory which, std::uint32_t address, std::uint8_t mask) {
  badReads_.push_back({which, address, mask});
}

void Chip::eraseAll() {
  std::fill(flash_.begin(), flash_.end(), 0xFF);
  if (!eepromKept())
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
  std::fill(userSignature_.begin(), userSignature_.end(), 0xFF);
  std::fill(flashPage_.begin(), flashPage_.end(), 0xFF);
  std::fill(eepromPage_.begin(), eepromPage_.end(), 0xFF);
  std::fill(eepromPageLoaded_.begin(), eepromPageLoaded_.end(), false);
  setLockByte(0xFF);
}

// --- Pins --------------------------------------------------------------

void Chip::setPins(bool rst, bool sck, bool mosi, std::uint64_t now) {
  const bool activeHigh = model_->resetActiveHigh();
  const bool resetNow = rst == activeHigh;
  if (!pinsKnown_) {
    pinsKnown_ = true;
    rst_ = rst;
    sck_ = sck;
    if (resetNow)
      onResetAsserted(now);
    return;
  }
  const bool resetBefore = rst_ == activeHigh;
  rst_ = rst;
  if (resetNow && !resetBefore)
    onResetAsserted(now);
  else if (!resetNow && resetBefore)
    onResetReleased();
  if (sck == sck_)
    return;
  sck_ = sck;
  if (!inReset_)
    return;
  if (sck) {
    onRisingEdge(mosi, now);
  } else if (shiftPending_) {
    // The answer moves on at the falling edge, so the next bit is already
    // on MISO while SCK is low.
    shiftPending_ = false;
    if (byteDone_) {
      byteDone_ = false;
      outShift_ = outNext_;
    } else {
      outShift_ = static_cast<std::uint8_t>(outShift_ << 1);
    }
  }
}

void Chip::powerOff() {
  onResetReleased();
  pinsKnown_ = false;
}

void Chip::onResetAsserted(std::uint64_t now) {
  inReset_ = true;
  programming_ = false;
  readyAt_ = now + model_->timing.resetSettle;
  ++counters_.resets;
  ++resetAttempts_;
  serialDisabled_ = false;
  for (int i = 0; i < 3; ++i)
    if (model_->fuses[i].present && ((~fuses_[i] & model_->fuses[i].ispKillers) != 0 ||
                                     (fuses_[i] & model_->fuses[i].ispEnablers) != 0))
      serialDisabled_ = true;
  edgesToLose_ = resetAttempts_ < syncOnAttempt_ ? 1 : 0;
  inShift_ = 0;
  bitCount_ = 0;
  byteIndex_ = 0;
  byteDone_ = false;
  shiftPending_ = false;
  outShift_ = 0xFF;
  outNext_ = 0xFF;
  stream_ = Stream::None;
  std::fill(flashPage_.begin(), flashPage_.end(), 0xFF);
  std::fill(eepromPage_.begin(), eepromPage_.end(), 0xFF);
  std::fill(eepromPageLoaded_.begin(), eepromPageLoaded_.end(), false);
}

void Chip::onResetReleased() {
  inReset_ = false;
  programming_ = false;
  stream_ = Stream::None;
  outShift_ = 0xFF;
}

void Chip::onRisingEdge(bool mosi, std::uint64_t now) {
  if (now < readyAt_ || serialDisabled_)
    return;
  if (edgesToLose_ > 0) {
    --edgesToLose_;
    return;
  }
  if (bitCount_ == 0 && byteIndex_ == 0 && stream_ == Stream::None)
    startFrame(now);
  inShift_ = static_cast<std::uint8_t>((inShift_ << 1) | (mosi ? 1 : 0));
  shiftPending_ = true;
  if (++bitCount_ == 8) {
    bitCount_ = 0;
    byteDone_ = true;
    onByte(inShift_, now);
  }
}

void Chip::startFrame(std::uint64_t now) {
  ignoring_ = now < busyUntil_;
  frameLength_ = model_->family == Family::At89S8252 ? 3 : 4;
}

// --- Framing -----------------------------------------------------------

void Chip::onByte(std::uint8_t b, std::uint64_t now) {
  if (stream_ != Stream::None) {
    const bool writing = stream_ == Stream::WriteFlash || stream_ == Stream::WriteEeprom ||
                         stream_ == Stream::WriteUser;
    if (writing)
      streamData_[streamPos_] = b;
    ++streamPos_;
    if (streamPos_ < streamLength_) {
      outNext_ = writing || ignoring_ ? 0xFF : streamData_[streamPos_];
      return;
    }
    if (writing && !ignoring_)
      finishStream(now);
    stream_ = Stream::None;
    outNext_ = 0xFF;
    return;
  }

  frame_[byteIndex_++] = b;
  if (byteIndex_ == 1 && model_->family == Family::At89S8253) {
    switch (b) {
    case 0x30:
    case 0x50:
    case 0xB0:
    case 0xD0:
    case 0x32:
    case 0x52:
      frameLength_ = 3; // page header, the page's bytes follow
      break;
    default: break;
    }
  }
  if (byteIndex_ < frameLength_) {
    if (ignoring_ && byteIndex_ == 3 && answerWhileBusy(outNext_)) {
      ignoring_ = false;
      return;
    }
    outNext_ = ignoring_ ? 0xFF : answerFor(byteIndex_);
    return;
  }

  ++counters_.instructions;
  ++counters_.byFirstByte[frame_[0]];
  byteIndex_ = 0;
  const bool echo = model_->isAvr() && model_->variant != ByteVariant::At90S1200 && programming_;
  outNext_ = echo ? b : 0xFF;
  if (ignoring_) {
    ++counters_.ignoredBusy;
    if (frameLength_ == 3 && model_->family == Family::At89S8253) {
      // The page's bytes still arrive; they are clocked through unused.
      stream_ = Stream::ReadFlash;
      streamLength_ = frame_[0] == 0xB0 || frame_[0] == 0xD0 ? 32 : 64;
      streamPos_ = 0;
      streamData_.assign(static_cast<std::size_t>(streamLength_), 0xFF);
      outNext_ = 0xFF;
    }
    return;
  }
  execute(now);
  if (stream_ != Stream::None)
    outNext_ =
        stream_ == Stream::ReadFlash || stream_ == Stream::ReadEeprom || stream_ == Stream::ReadUser
            ? streamData_[0]
            : 0xFF;
}

std::uint8_t Chip::answerFor(int byteIndex) {
  switch (model_->family) {
  case Family::At89S51: return answerAt89S51(byteIndex);
  case Family::At89S8252: return answerAt89S8252(byteIndex);
  case Family::At89S8253: return answerAt89S8253(byteIndex);
  case Family::AvrByteMode:
  case Family::AvrPageMode: return answerAvr(byteIndex);
  }
  return 0xFF;
}

void Chip::execute(std::uint64_t now) {
  if (!programming_) {
    if (frame_[0] == 0xAC && frame_[1] == 0x53) {
      programming_ = true;
      ++counters_.enables;
    } else {
      unknown();
    }
    return;
  }
  switch (model_->family) {
  case Family::At89S51: executeAt89S51(now); break;
  case Family::At89S8252: executeAt89S8252(now); break;
  case Family::At89S8253: executeAt89S8253(now); break;
  case Family::AvrByteMode:
  case Family::AvrPageMode: executeAvr(now); break;
  }
}

// --- Memory, fuses, locks -------------------------------------------------

std::uint8_t Chip::readMemory(Memory which, std::uint32_t address) {
  const auto data = memory(which);
  if (address >= data.size())
    return 0xFF;
  if (which != Memory::UserSignature && readsLocked()) {
    ++counters_.refusedByLock;
    return 0x00;
  }
  std::uint8_t value = data[address];
  for (const BadRead &bad : badReads_)
    if (bad.memory == which && bad.address == address)
      value ^= bad.mask;
  return value;
}

void Chip::programByte(Memory which, std::uint32_t address, std::uint8_t value) {
  auto data = memory(which);
  if (address >= data.size())
    return;
  if (which == Memory::Eeprom)
    data[address] = value;
  else
    data[address] &= value;
}

void Chip::writeFuse(FuseIndex which, std::uint8_t value, std::uint64_t now) {
  if (!model_->fuses[which].present) {
    unknown();
    return;
  }
  if (model_->isAvr() && writesLocked()) {
    ++counters_.refusedByLock;
    return;
  }
  setFuse(which, value);
  ++counters_.fuseWrites;
  busyFor(model_->timing.fuseWrite, now);
}

void Chip::programLockBits(std::uint8_t programMask, std::uint64_t now) {
  lock_ = static_cast<std::uint8_t>(lock_ & ~(programMask & model_->lockMask));
  ++counters_.lockWrites;
  busyFor(model_->timing.lockWrite, now);
}

void Chip::erase(std::uint64_t now) {
  eraseAll();
  ++counters_.erases;
  busyFor(model_->timing.erase, now);
}

void Chip::busyFor(std::uint32_t ticks, std::uint64_t now) {
  busyUntil_ = now + ticks;
  pending_.valid = false;
}

bool Chip::eepromKept() const {
  const EesaveBit &e = model_->eesave;
  return e.present && (fuses_[e.fuse] & e.mask) == 0;
}

bool Chip::writesLocked() const {
  return model_->isAvr() ? (lock_ & 0x03) != 0x03 : (lock_ & 0x01) == 0;
}

bool Chip::readsLocked() const { return (lock_ & 0x02) == 0; }

} // namespace sim::isp
