#include "sim/isp/Chip.h"

#include <algorithm>

namespace sim::isp {

namespace {

// Address bits a memory of this size decodes: sizes that are not a power of
// two (the 12 KiB AT89S chips) decode the next power of two.
std::uint32_t AddressMask(std::uint32_t size) {
  std::uint32_t mask = 1;
  while (mask < size)
    mask <<= 1;
  return mask - 1;
}

} // namespace

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
  case Memory::Flash:
    return flash_;
  case Memory::Eeprom:
    return eeprom_;
  case Memory::UserSignature:
    return userSignature_;
  }
  return {};
}

std::span<const std::uint8_t> Chip::memory(Memory which) const {
  return const_cast<Chip *>(this)->memory(which);
}

void Chip::setFuse(FuseIndex which, std::uint8_t value) {
  const FuseModel &f = model_->fuses[which];
  fuses_[which] = f.present ? static_cast<std::uint8_t>((value & ~f.fixedMask) |
                                                        (f.fixedBits & f.fixedMask))
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
    if (model_->fuses[i].present && (~fuses_[i] & model_->fuses[i].ispKillers) != 0)
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
    case 0x30: case 0x50: case 0xB0: case 0xD0: case 0x32: case 0x52:
      frameLength_ = 3; // page header, the page's bytes follow
      break;
    default:
      break;
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
    outNext_ = stream_ == Stream::ReadFlash || stream_ == Stream::ReadEeprom ||
                       stream_ == Stream::ReadUser
                   ? streamData_[0]
                   : 0xFF;
}

std::uint8_t Chip::answerFor(int byteIndex) {
  switch (model_->family) {
  case Family::At89S51:
    return answerAt89S51(byteIndex);
  case Family::At89S8252:
    return answerAt89S8252(byteIndex);
  case Family::At89S8253:
    return answerAt89S8253(byteIndex);
  case Family::AvrByteMode:
  case Family::AvrPageMode:
    return answerAvr(byteIndex);
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
  case Family::At89S51:
    executeAt89S51(now);
    break;
  case Family::At89S8252:
    executeAt89S8252(now);
    break;
  case Family::At89S8253:
    executeAt89S8253(now);
    break;
  case Family::AvrByteMode:
  case Family::AvrPageMode:
    executeAvr(now);
    break;
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

// --- AT89S51 / AT89S52 ---------------------------------------------------

std::uint8_t Chip::answerAt89S51(int byteIndex) {
  if (byteIndex != 3)
    return 0xFF;
  const std::uint8_t op = frame_[0];
  if (op == 0xAC && frame_[1] == 0x53)
    return 0x69;
  if (!programming_)
    return 0xFF;
  const std::uint32_t address = ((frame_[1] << 8) | frame_[2]) & AddressMask(model_->flashSize);
  switch (op) {
  case 0x20:
    return readMemory(Memory::Flash, address);
  case 0x28:
    return frame_[1] < model_->signatureCount ? model_->signature[frame_[1]] : 0xFF;
  case 0x24: {
    const auto programmed = static_cast<std::uint8_t>(~lock_ & 0x07);
    return static_cast<std::uint8_t>(programmed << 2);
  }
  default:
    return 0xFF;
  }
}

void Chip::executeAt89S51(std::uint64_t now) {
  const std::uint8_t op = frame_[0], b2 = frame_[1];
  switch (op) {
  case 0xAC:
    if (b2 == 0x53) {
      ++counters_.enables;
    } else if ((b2 & 0xE0) == 0x80) {
      erase(now);
    } else if (b2 >= 0xE1 && b2 <= 0xE3) {
      programLockBits(static_cast<std::uint8_t>(1u << (b2 - 0xE1)), now);
    } else {
      unknown();
    }
    break;
  case 0x40: {
    if (writesLocked()) {
      ++counters_.refusedByLock;
      break;
    }
    const std::uint32_t address = ((b2 << 8) | frame_[2]) & AddressMask(model_->flashSize);
    programByte(Memory::Flash, address, frame_[3]);
    ++counters_.flashWrites;
    busyFor(model_->timing.flashWrite, now);
    break;
  }
  case 0x20:
  case 0x28:
  case 0x24:
    break;
  default:
    unknown();
  }
}

// --- AT89S53 / AT89S8252 -------------------------------------------------

namespace {

struct ThreeByteAddress {
  Memory memory;
  std::uint32_t address;
  int operation; // 1 read, 2 write, other: not a memory instruction
};

ThreeByteAddress DecodeThreeByte(const ChipModel &model, std::uint8_t op, std::uint8_t low) {
  if (op == 0xAC)
    return {Memory::Flash, 0, 0};
  if (model.eepromSize > 0 && (op & 0x04) != 0) {
    // AT89S8252: bit 2 selects the EEPROM, A10..A8 in bits 5..3.
    return {Memory::Eeprom, static_cast<std::uint32_t>(((op >> 3) & 0x07) << 8 | low), op & 0x03};
  }
  std::uint32_t address = static_cast<std::uint32_t>(((op >> 3) & 0x1F) << 8 | low);
  if (model.eepromSize == 0)
    address |= static_cast<std::uint32_t>((op >> 2) & 1) << 13; // AT89S53: A13 in bit 2
  return {Memory::Flash, address, op & 0x03};
}

} // namespace

std::uint8_t Chip::answerAt89S8252(int byteIndex) {
  if (byteIndex != 2 || !programming_)
    return 0xFF;
  const ThreeByteAddress a = DecodeThreeByte(*model_, frame_[0], frame_[1]);
  return a.operation == 1 ? readMemory(a.memory, a.address) : 0xFF;
}

void Chip::executeAt89S8252(std::uint64_t now) {
  const std::uint8_t op = frame_[0], b2 = frame_[1];
  if (op == 0xAC) {
    if (b2 == 0x53) {
      ++counters_.enables;
    } else if ((b2 & 0x1F) == 0x1F) {
      // Bits 7, 6, 5 = LB1, LB2, LB3; a 0 programs the bit.
      const auto program = static_cast<std::uint8_t>(((b2 & 0x80) ? 0 : 1) |
                                                      ((b2 & 0x40) ? 0 : 2) |
                                                      ((b2 & 0x20) ? 0 : 4));
      programLockBits(program, now);
    } else if ((b2 & 0x07) == 0x04) {
      erase(now);
    } else {
      unknown();
    }
    return;
  }
  const ThreeByteAddress a = DecodeThreeByte(*model_, op, b2);
  if (a.operation == 1)
    return;
  if (a.operation != 2) {
    unknown();
    return;
  }
  if (writesLocked()) {
    ++counters_.refusedByLock;
    return;
  }
  programByte(a.memory, a.address, frame_[2]);
  if (a.memory == Memory::Eeprom) {
    ++counters_.eepromWrites;
    busyFor(model_->timing.eepromWrite, now);
  } else {
    ++counters_.flashWrites;
    busyFor(model_->timing.flashWrite, now);
  }
}

// --- AT89S8253 -----------------------------------------------------------

std::uint8_t Chip::answerAt89S8253(int byteIndex) {
  if (byteIndex != 3 || frameLength_ != 4)
    return 0xFF;
  const std::uint8_t op = frame_[0];
  if (op == 0xAC && frame_[1] == 0x53)
    return 0x69;
  if (!programming_)
    return 0xFF;
  switch (op) {
  case 0x28: {
    const int k = frame_[2] - 0x30;
    return k >= 0 && k < 3 ? model_->signature[static_cast<std::size_t>(k)] : 0xFF;
  }
  case 0x24:
    return static_cast<std::uint8_t>(0xF8 | (lock_ & 0x07));
  case 0x21:
    return fuses_[kFuseLow];
  default:
    return 0xFF;
  }
}

void Chip::executeAt89S8253(std::uint64_t now) {
  const std::uint8_t op = frame_[0], b2 = frame_[1];
  const std::uint32_t address = static_cast<std::uint32_t>((b2 << 8) | frame_[2]);
  auto begin = [&](Stream kind, Memory which, std::uint32_t base, int length) {
    stream_ = kind;
    streamBase_ = base;
    streamPos_ = 0;
    streamLength_ = length;
    streamData_.assign(static_cast<std::size_t>(length), 0xFF);
    if (kind == Stream::ReadFlash || kind == Stream::ReadEeprom || kind == Stream::ReadUser)
      for (int i = 0; i < length; ++i)
        streamData_[static_cast<std::size_t>(i)] =
            readMemory(which, base + static_cast<std::uint32_t>(i));
  };
  const std::uint32_t flashPage = address & AddressMask(model_->flashSize) & ~63u;
  const std::uint32_t eepromPage = address & AddressMask(model_->eepromSize) & ~31u;
  switch (op) {
  case 0xAC:
    if (b2 == 0x53)
      ++counters_.enables;
    else if ((b2 & 0xE0) == 0x80)
      erase(now);
    else if ((b2 & 0xF0) == 0x10)
      writeFuse(kFuseLow, b2, now);
    else if ((b2 & 0xF8) == 0xE0)
      programLockBits(static_cast<std::uint8_t>(~b2 & 0x07), now);
    else
      unknown();
    break;
  case 0x30:
    begin(Stream::ReadFlash, Memory::Flash, flashPage, 64);
    break;
  case 0x50:
    begin(Stream::WriteFlash, Memory::Flash, flashPage, 64);
    break;
  case 0xB0:
    begin(Stream::ReadEeprom, Memory::Eeprom, eepromPage, 32);
    break;
  case 0xD0:
    begin(Stream::WriteEeprom, Memory::Eeprom, eepromPage, 32);
    break;
  case 0x32:
    begin(Stream::ReadUser, Memory::UserSignature, 0, 64);
    break;
  case 0x52:
    begin(Stream::WriteUser, Memory::UserSignature, 0, 64);
    break;
  case 0x28:
  case 0x24:
  case 0x21:
    break;
  default:
    unknown();
  }
}

void Chip::finishStream(std::uint64_t now) {
  Memory which = Memory::Flash;
  std::uint32_t ticks = model_->timing.flashWrite;
  std::uint64_t *counter = &counters_.flashWrites;
  if (stream_ == Stream::WriteEeprom) {
    which = Memory::Eeprom;
    ticks = model_->timing.eepromWrite;
    counter = &counters_.eepromWrites;
  } else if (stream_ == Stream::WriteUser) {
    which = Memory::UserSignature;
    counter = &counters_.userSignatureWrites;
  }
  if (which != Memory::UserSignature && writesLocked()) {
    ++counters_.refusedByLock;
    return;
  }
  for (int i = 0; i < streamLength_; ++i)
    programByte(which, streamBase_ + static_cast<std::uint32_t>(i),
                streamData_[static_cast<std::size_t>(i)]);
  ++*counter;
  busyFor(ticks, now);
}

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
  const std::uint8_t echo =
      model_->variant == ByteVariant::At90S1200 ? 0xFF : frame_[static_cast<std::size_t>(byteIndex - 1)];
  if (byteIndex != 3)
    return echo;
  const bool paged = model_->family == Family::AvrPageMode;
  const ByteVariant v = model_->variant;
  const bool byteFuses = v == ByteVariant::At90S4433 || v == ByteVariant::At90S8535 ||
                         v == ByteVariant::Tiny;
  switch (op) {
  case 0x20:
  case 0x28:
    return readMemory(Memory::Flash, avrFlashWordAddress() * 2 + (op == 0x28 ? 1 : 0));
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
  case 0xF0:
    return model_->readyPoll ? 0x00 : echo;
  default:
    return echo;
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
  case 0xAC:
    executeAvrAc(now);
    return;
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
  case 0x30:
    return;
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
  default:
    unknown();
  }
}

} // namespace sim::isp
