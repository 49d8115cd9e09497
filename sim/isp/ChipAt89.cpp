// The AT89S chips' serial instructions: the AT89S51/52 four-byte set, the
// AT89S53/8252 three-byte set and the AT89S8253 page streams.
#include "sim/isp/Chip.h"

namespace sim::isp {

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
  case 0x20: return readMemory(Memory::Flash, address);
  case 0x28: return frame_[1] < model_->signatureCount ? model_->signature[frame_[1]] : 0xFF;
  case 0x24: {
    const auto programmed = static_cast<std::uint8_t>(~lock_ & 0x07);
    return static_cast<std::uint8_t>(programmed << 2);
  }
  default: return 0xFF;
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
  case 0x24: break;
  default: unknown();
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
      const auto program = static_cast<std::uint8_t>(((b2 & 0x80) ? 0 : 1) | ((b2 & 0x40) ? 0 : 2) |
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
  case 0x24: return static_cast<std::uint8_t>(0xF8 | (lock_ & 0x07));
  case 0x21: return fuses_[kFuseLow];
  default: return 0xFF;
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
  case 0x30: begin(Stream::ReadFlash, Memory::Flash, flashPage, 64); break;
  case 0x50: begin(Stream::WriteFlash, Memory::Flash, flashPage, 64); break;
  case 0xB0: begin(Stream::ReadEeprom, Memory::Eeprom, eepromPage, 32); break;
  case 0xD0: begin(Stream::WriteEeprom, Memory::Eeprom, eepromPage, 32); break;
  case 0x32: begin(Stream::ReadUser, Memory::UserSignature, 0, 64); break;
  case 0x52: begin(Stream::WriteUser, Memory::UserSignature, 0, 64); break;
  case 0x28:
  case 0x24:
  case 0x21: break;
  default: unknown();
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

} // namespace sim::isp
