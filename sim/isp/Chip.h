#pragma once

#include "sim/isp/ChipModels.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace sim::isp {

enum class Memory { Flash, Eeprom, UserSignature };

// Address bits a memory of this size decodes: sizes that are not a power of
// two (the 12 KiB AT89S chips) decode the next power of two.
std::uint32_t AddressMask(std::uint32_t size);

// A target chip as seen from its RST, SCK, MOSI and MISO pins.
//
// Serial interface: while reset is active (high on the AT89S chips, low on
// the AVRs) and the reset settle time has passed, the chip samples MOSI on
// every rising SCK edge and shifts its answer out on MISO at every falling
// edge, so the bit for the next rising edge is on MISO from the falling edge
// before it (SPI mode 0): it reads the same while SCK is still low and while
// SCK is high. Bytes are framed from the first counted edge after reset; an
// instruction is 4 bytes (3 on the AT89S53/AT89S8252), the AT89S8253 page
// instructions are a 3-byte header followed by the page's bytes.
//
// Answers: programming enable answers 0x69 in byte 4 on the AT89S51/52 and
// AT89S8253, and echoes 0x53 in byte 3 on the AVRs (not the AT90S1200). In
// programming mode the AVRs echo every byte one byte later and put read data
// in byte 4; the AT89S chips send 0xFF outside their answer bytes. Before
// programming mode is on only the enable instruction is understood.
//
// Writes: flash and the AT89S8253 user signature can only clear bits (the
// stored byte becomes old AND new; chip erase sets them again); EEPROM bytes
// are replaced. A write, page write, erase, fuse or lock write keeps the chip
// busy for the model's data-sheet time: an instruction starting earlier is
// ignored and every byte it clocks out reads 0xFF, with two exceptions that
// let a programmer poll instead of waiting:
// - "Poll RDY/BSY" (F0 00 00 xx) on the page-mode AVRs answers in byte 4
//   with bit 0 set while busy and 0x00 when ready;
// - on the AT90S, a read of the flash location being written answers 0x7F,
//   of the EEPROM location 0xFF, until the write is done.
// Unknown instructions are ignored.
//
// Lock bits (0 = programmed):
// - AT89S family: LB1 disables flash and EEPROM writes, LB2 also disables
//   their reads, LB3 has no effect on serial programming. The AT89S8253 user
//   signature is never locked.
// - AVR: LB1 or LB2 disables flash and EEPROM writes and fuse writes; LB2 also
//   disables flash and EEPROM reads.
// Protected reads answer 0x00; an AT90S with both lock bits programmed
// answers 00 01 02 for its signature. Chip erase clears flash, EEPROM, the
// user signature and the lock bits, and keeps fuses and calibration bytes;
// the EEPROM is kept too while the EESAVE fuse bit is programmed.
//
// Fuse bits that disable serial programming (RSTDISBL, DWEN programmed, or
// the AT89S8253's SPIEN left unprogrammed; see FuseModel::ispKillers and
// ispEnablers) take effect at the next reset: from then on the
// chip ignores its serial interface, as a real one would be lost to ISP.
class Chip {
public:
  explicit Chip(const ChipModel &model);

  const ChipModel &model() const { return *model_; }

  // --- Pins. Levels are electrical (true = high) as they reach the chip.
  void setPins(bool rst, bool sck, bool mosi, std::uint64_t now);
  // True while the chip drives MISO (reset active, powered, serial
  // programming not disabled by a fuse).
  bool drivesMiso() const { return inReset_ && !serialDisabled_; }
  bool miso() const { return (outShift_ & 0x80) != 0; }
  // Power off forgets the serial state; pins are re-read at the next setPins.
  void powerOff();

  // --- Contents and counters, for tests to read and prepare.
  std::span<std::uint8_t> memory(Memory which);
  std::span<const std::uint8_t> memory(Memory which) const;
  std::span<std::uint8_t> flash() { return memory(Memory::Flash); }
  std::span<std::uint8_t> eeprom() { return memory(Memory::Eeprom); }
  std::span<std::uint8_t> userSignature() { return memory(Memory::UserSignature); }
  std::span<const std::uint8_t> flash() const { return memory(Memory::Flash); }
  std::span<const std::uint8_t> eeprom() const { return memory(Memory::Eeprom); }
  std::span<const std::uint8_t> userSignature() const { return memory(Memory::UserSignature); }
  std::uint8_t fuse(FuseIndex which) const { return fuses_[which]; }
  // Stores the value as the chip would keep it (fixed bits forced).
  void setFuse(FuseIndex which, std::uint8_t value);
  std::uint8_t lockByte() const { return lock_; } // 0 bit = programmed
  // Bits the chip does not have read 1.
  void setLockByte(std::uint8_t value) {
    lock_ = static_cast<std::uint8_t>(value | ~model_->lockMask);
  }
  std::array<std::uint8_t, 4> &calibration() { return calibration_; }
  const std::array<std::uint8_t, 4> &calibration() const { return calibration_; }
  bool inReset() const { return inReset_; }
  bool inProgrammingMode() const { return programming_; }
  // A programmed RSTDISBL or DWEN fuse bit took effect at the last reset: the
  // serial interface ignores everything until the fuse is changed otherwise.
  bool serialDisabled() const { return serialDisabled_; }
  std::uint64_t busyUntil() const { return busyUntil_; }

  struct Counters {
    std::uint64_t resets = 0;         // reset assertions seen
    std::uint64_t enables = 0;        // programming enables accepted
    std::uint64_t instructions = 0;   // complete instructions framed
    std::uint64_t ignoredBusy = 0;    // instructions ignored while busy
    std::uint64_t ignoredUnknown = 0; // instructions not understood
    std::uint64_t erases = 0;
    std::uint64_t flashWrites = 0;  // byte writes or page writes
    std::uint64_t eepromWrites = 0; // byte writes or page writes
    std::uint64_t userSignatureWrites = 0;
    std::uint64_t fuseWrites = 0;
    std::uint64_t lockWrites = 0;
    std::uint64_t refusedByLock = 0;              // reads or writes a lock bit stopped
    std::array<std::uint64_t, 256> byFirstByte{}; // instructions by first byte
  };
  const Counters &counters() const { return counters_; }
  void resetCounters() { counters_ = Counters{}; }

  // --- Faults.
  // The chip synchronises only on the n-th reset: after each of the first
  // n - 1 reset assertions it misses the first SCK edge, so its bytes are out
  // of step with the programmer's and it does not recognise the enable.
  void setSyncOnAttempt(int n);
  // Reads of this location answer the stored value XOR mask.
  void addBadRead(Memory which, std::uint32_t address, std::uint8_t mask = 0x01);
  void clearBadReads() { badReads_.clear(); }

  // What a chip erase does to the memories and lock bits, without the busy
  // time, for setting up a test.
  void eraseAll();

private:
  struct BadRead {
    Memory memory;
    std::uint32_t address;
    std::uint8_t mask;
  };

  void onResetAsserted(std::uint64_t now);
  void onResetReleased();
  void onRisingEdge(bool mosi, std::uint64_t now);
  void onByte(std::uint8_t b, std::uint64_t now);
  void startFrame(std::uint64_t now);
  std::uint8_t answerFor(int byteIndex); // output for frame byte byteIndex (0-based)
  void execute(std::uint64_t now);
  void executeAt89S51(std::uint64_t now);
  void executeAt89S8252(std::uint64_t now);
  void executeAt89S8253(std::uint64_t now);
  void executeAvr(std::uint64_t now);
  void executeAvrAc(std::uint64_t now);
  void finishStream(std::uint64_t now);
  std::uint8_t answerAt89S51(int byteIndex);
  std::uint8_t answerAt89S8252(int byteIndex);
  std::uint8_t answerAt89S8253(int byteIndex);
  std::uint8_t answerAvr(int byteIndex);
  // Byte 4 of a poll the chip answers while busy; false for anything else.
  bool answerWhileBusy(std::uint8_t &out);
  bool eepromKept() const;

  std::uint8_t readMemory(Memory which, std::uint32_t address);
  void programByte(Memory which, std::uint32_t address, std::uint8_t value);
  void writeFuse(FuseIndex which, std::uint8_t value, std::uint64_t now);
  void programLockBits(std::uint8_t clearMask, std::uint64_t now); // 1 bits get programmed
  void erase(std::uint64_t now);
  void busyFor(std::uint32_t ticks, std::uint64_t now);
  bool writesLocked() const;
  bool readsLocked() const;
  void unknown() { ++counters_.ignoredUnknown; }
  std::uint32_t avrFlashWordAddress() const;

  const ChipModel *model_;
  std::vector<std::uint8_t> flash_;
  std::vector<std::uint8_t> eeprom_;
  std::vector<std::uint8_t> userSignature_;
  std::array<std::uint8_t, 3> fuses_{0xFF, 0xFF, 0xFF};
  std::uint8_t lock_ = 0xFF;
  std::array<std::uint8_t, 4> calibration_{};

  // Pins as last seen.
  bool rst_ = false;
  bool sck_ = false;
  bool pinsKnown_ = false;

  // Serial interface.
  bool inReset_ = false;
  bool programming_ = false;
  bool serialDisabled_ = false;
  std::uint64_t readyAt_ = 0;
  int edgesToLose_ = 0;
  int syncOnAttempt_ = 1;
  int resetAttempts_ = 0;
  std::uint8_t inShift_ = 0;
  int bitCount_ = 0;
  bool byteDone_ = false;
  bool shiftPending_ = false;
  std::uint8_t outShift_ = 0xFF;
  std::uint8_t outNext_ = 0xFF;
  std::array<std::uint8_t, 4> frame_{};
  int byteIndex_ = 0;
  int frameLength_ = 4;
  bool ignoring_ = false;
  std::uint8_t lastByte_ = 0xFF;

  // AT89S8253 page stream.
  enum class Stream { None, ReadFlash, WriteFlash, ReadEeprom, WriteEeprom, ReadUser, WriteUser };
  Stream stream_ = Stream::None;
  std::uint32_t streamBase_ = 0;
  int streamPos_ = 0;
  int streamLength_ = 0;
  std::vector<std::uint8_t> streamData_;

  // AVR page buffers; 0xFF where nothing was loaded.
  std::vector<std::uint8_t> flashPage_;
  std::vector<std::uint8_t> eepromPage_;
  std::vector<bool> eepromPageLoaded_;

  std::uint64_t busyUntil_ = 0;
  // The AT90S byte write in progress, for data polling.
  struct PendingWrite {
    bool valid = false;
    Memory memory = Memory::Flash;
    std::uint32_t address = 0;
  };
  PendingWrite pending_;
  Counters counters_;
  std::vector<BadRead> badReads_;
};

} // namespace sim::isp
