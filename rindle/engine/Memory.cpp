#include <algorithm>
#include <array>
#include <span>

#include "common/HexText.h"
#include "rindle/engine/ChipAccess.h"
#include "isp/core/Instructions.h"

namespace rindle {

namespace chip {

Layout LayoutOf(const IspEngine &engine) {
  Layout layout;
  const auto cells = static_cast<std::int64_t>(IspBuffer::kCells);
  if (engine.Family() == IspFamily::At89S8253) {
    layout.eeprom = isp::at89s8253::kEepromBytes;
    layout.userSignature = isp::at89s8253::kUserSignatureBytes;
  } else {
    layout.eeprom = engine.Device.EepromSize;
  }
  const std::int64_t room = cells - layout.eeprom - layout.userSignature;
  layout.flash =
      static_cast<std::uint32_t>(std::clamp<std::int64_t>(engine.Device.FlashSize, 0, room));
  return layout;
}

} // namespace chip

namespace {

namespace hex = common::hex;
using chip::Layout;
using chip::LayoutOf;
using isp::ProgressPoint;

constexpr char kCr = '\r';
constexpr std::uint32_t kProgressBytes = 64;

enum class Area : std::uint8_t { Flash, Eeprom, UserSignature };

// How a loop ended.
enum class End : std::uint8_t { Completed, Stopped };

// Reads one byte of an area. The page-streamed AT89S8253 readers send the
// page header at the first byte of each page, so they must be called for
// consecutive offsets from a page start.
using ByteReader = std::uint8_t (*)(IspEngine &, std::uint32_t offset);

std::uint8_t Answer(const IspEngine &e, std::size_t slot) {
  return static_cast<std::uint8_t>(e.ResponseBytes[slot]);
}

std::uint8_t ReadFlash89S51(IspEngine &e, std::uint32_t a) {
  isp::at89s51::ReadFlash(e.InstructionBytes, a);
  e.Transfer4();
  return Answer(e, isp::at89s51::kAnswerSlot);
}

std::uint8_t ReadFlash89S8252(IspEngine &e, std::uint32_t a) {
  isp::at89s8252::ReadFlash(e.InstructionBytes, a);
  e.Transfer3();
  return Answer(e, isp::at89s8252::kAnswerSlot);
}

std::uint8_t ReadEeprom89S8252(IspEngine &e, std::uint32_t a) {
  isp::at89s8252::ReadEeprom(e.InstructionBytes, a);
  e.Transfer3();
  return Answer(e, isp::at89s8252::kAnswerSlot);
}

std::uint8_t StreamByte(IspEngine &e) {
  e.ShiftByte();
  return Answer(e, 0);
}

std::uint8_t ReadFlash89S8253(IspEngine &e, std::uint32_t a) {
  if (a % isp::at89s8253::kFlashPageBytes == 0) {
    isp::at89s8253::ReadFlashPage(e.InstructionBytes, a);
    e.Transfer3();
  }
  return StreamByte(e);
}

std::uint8_t ReadEeprom89S8253(IspEngine &e, std::uint32_t a) {
  if (a % isp::at89s8253::kEepromPageBytes == 0) {
    isp::at89s8253::ReadEepromPage(e.InstructionBytes, a);
    e.Transfer3();
  }
  return StreamByte(e);
}

// The header's address slots keep what the last EEPROM page left there.
std::uint8_t ReadUserSignature89S8253(IspEngine &e, std::uint32_t offset) {
  if (offset == 0) {
    isp::at89s8253::ReadUserSignature(e.InstructionBytes);
    e.Transfer3();
  }
  return StreamByte(e);
}

// Even byte addresses are a word's low byte.
std::uint8_t ReadFlashAvr(IspEngine &e, std::uint32_t a) {
  if (a % 2 == 0) {
    isp::avr::ReadFlashLow(e.InstructionBytes, a / 2);
  } else {
    isp::avr::ReadFlashHigh(e.InstructionBytes, a / 2);
  }
  e.Transfer4();
  return Answer(e, isp::avr::kAnswerSlot);
}

std::uint8_t ReadEepromAvr(IspEngine &e, std::uint32_t a) {
  isp::avr::ReadEeprom(e.InstructionBytes, a);
  e.Transfer4();
  return Answer(e, isp::avr::kAnswerSlot);
}

bool IsAvr(IspFamily family) {
  return family == IspFamily::AvrByteMode || family == IspFamily::AvrPageMode;
}

// One area as the read, verify and blank-check walk covers it.
struct WalkArea {
  Area area;
  std::uint32_t size;
  std::uint32_t unit;     // bytes per step: a page, an AVR word or a byte
  std::uint32_t interval; // progress interval in bytes, 0 = none
  ByteReader read;
};

// At most three areas per device.
struct WalkPlan {
  std::array<WalkArea, 3> areas{};
  std::size_t count = 0;
  void Add(const WalkArea &a) {
    if (a.size > 0) {
      areas[count++] = a;
    }
  }
};

WalkPlan PlanWalk(const IspEngine &e, const Layout &layout) {
  WalkPlan plan;
  switch (e.Family()) {
  case IspFamily::At89S51:
    plan.Add({Area::Flash, layout.flash, 1, kProgressBytes, ReadFlash89S51});
    break;
  case IspFamily::At89S8252:
    plan.Add({Area::Flash, layout.flash, 1, kProgressBytes, ReadFlash89S8252});
    plan.Add({Area::Eeprom, layout.eeprom, 1, kProgressBytes, ReadEeprom89S8252});
    break;
  case IspFamily::At89S8253:
    plan.Add({Area::Flash, layout.flash, isp::at89s8253::kFlashPageBytes, kProgressBytes,
              ReadFlash89S8253});
    plan.Add({Area::Eeprom, layout.eeprom, isp::at89s8253::kEepromPageBytes, kProgressBytes,
              ReadEeprom89S8253});
    plan.Add({Area::UserSignature, layout.userSignature, isp::at89s8253::kUserSignatureBytes, 0,
              ReadUserSignature89S8253});
    break;
  case IspFamily::AvrByteMode:
    // Flash goes by words; these chips' EEPROM reads report every 32 bytes.
    plan.Add({Area::Flash, layout.flash, 2, kProgressBytes, ReadFlashAvr});
    plan.Add({Area::Eeprom, layout.eeprom, 1, kProgressBytes / 2, ReadEepromAvr});
    break;
  case IspFamily::AvrPageMode:
    plan.Add({Area::Flash, layout.flash, 2, kProgressBytes, ReadFlashAvr});
    plan.Add({Area::Eeprom, layout.eeprom, 1, kProgressBytes, ReadEepromAvr});
    break;
  }
  return plan;
}

std::uint32_t BufferBase(const Layout &layout, Area area) {
  switch (area) {
  case Area::Flash: return 0;
  case Area::Eeprom: return layout.EepromBase();
  case Area::UserSignature: break;
  }
  return layout.UserSignatureBase();
}

// Progress positions run over flash and then EEPROM; the user signature has
// no progress point.
std::int64_t PositionBase(const Layout &layout, Area area) {
  return area == Area::Flash ? 0 : layout.flash;
}

// Enters programming mode and walks every area of the device, handing each
// byte read to visit(area, offset, value), which answers false to end the
// operation. Stopped also covers no answer and a cancel.
template <class Visit>
End Walk(IspEngine &e, const Layout &layout, Visit &&visit) {
  e.EnterProgramming();
  if (!e.ChipResponded) {
    return End::Stopped;
  }
  const WalkPlan plan = PlanWalk(e, layout);
  for (std::size_t k = 0; k < plan.count; ++k) {
    const WalkArea &a = plan.areas[k];
    ProgressPoint progress(e.Hooks(), a.interval);
    const std::int64_t position = PositionBase(layout, a.area);
    for (std::uint32_t unit = 0; unit < a.size; unit += a.unit) {
      if (!progress.Go(position + unit)) {
        return End::Stopped;
      }
      const std::uint32_t end = std::min(unit + a.unit, a.size);
      for (std::uint32_t offset = unit; offset < end; ++offset) {
        if (!visit(a.area, offset, a.read(e, offset))) {
          return End::Stopped;
        }
      }
      progress.Handled(a.unit);
    }
  }
  return End::Completed;
}

// ---- Reports ----

QString Mismatch(const char *head, std::uint32_t address, const char *readLabel, std::uint8_t read,
                 const char *progLabel, std::uint8_t prog) {
  return QLatin1String(head) + hex::AtLeast(address, 4) + kCr + QLatin1String(readLabel) +
         hex::Text(read, 2) + kCr + QLatin1String(progLabel) + hex::Text(prog, 2);
}

QString V1(std::uint32_t address, std::uint8_t read, std::uint8_t prog) {
  return Mismatch("Verify Error @ Address  ", address, "Data Read  =  ", read,
                  "Prog Data   =  ", prog);
}

QString V2(std::uint32_t address, std::uint8_t read, std::uint8_t prog) {
  return Mismatch("EEPROM Verify Error @ Address  ", address, "Data Read  =  ", read,
                  "Prog Data   =  ", prog);
}

QString V3(std::uint32_t address, std::uint8_t read, std::uint8_t prog) {
  return Mismatch("User Signature Verify Error @ Address  ", address, "Data Read  =  ", read,
                  "Prog Data   =  ", prog);
}

QString V4(std::uint32_t address, std::uint8_t read, std::uint8_t prog) {
  const bool high = address % 2 != 0;
  return Mismatch("Verify Error @ Address  ", address,
                  high ? "Data Read MSB  =  " : "Data Read LSB  =  ", read,
                  high ? "Prog Data  MSB  =  " : "Prog Data  LSB  =  ", prog);
}

QString V5(std::uint32_t address, std::uint8_t read, std::uint8_t prog) {
  return Mismatch("EEPROM Verify Error @ Address  ", address, "Data Read =  ", read,
                  "Prog Data  =  ", prog);
}

QString NotBlank(const char *head, const QString &address, const char *readLabel,
                 std::uint8_t read) {
  return QLatin1String(head) + address + kCr + kCr + QLatin1String(readLabel) + hex::Text(read, 2);
}

// The report of a read-back that differs, for VerifyChip (programming uses
// it too, but for the AT89S8253 EEPROM, which it reports with V1's text).
QString VerifyReport(const IspEngine &e, const Layout &layout, Area area, std::uint32_t offset,
                     std::uint8_t read, std::uint8_t prog) {
  const std::uint32_t address = BufferBase(layout, area) + offset;
  const IspFamily family = e.Family();
  switch (area) {
  case Area::Flash: return IsAvr(family) ? V4(address, read, prog) : V1(address, read, prog);
  case Area::Eeprom: return IsAvr(family) ? V5(address, read, prog) : V2(address, read, prog);
  case Area::UserSignature: break;
  }
  return V3(address, read, prog);
}

QString ProgramReport(const IspEngine &e, const Layout &layout, Area area, std::uint32_t offset,
                      std::uint8_t read, std::uint8_t prog) {
  if (area == Area::Eeprom && e.Family() == IspFamily::At89S8253) {
    return V1(layout.EepromBase() + offset, read, prog);
  }
  return VerifyReport(e, layout, area, offset, read, prog);
}

QString BlankReport(const IspEngine &e, const Layout &layout, Area area, std::uint32_t offset,
                    std::uint8_t read) {
  const IspFamily family = e.Family();
  switch (area) {
  case Area::Flash:
    if (IsAvr(family)) {
      // Both bytes of a word report the word's address.
      return NotBlank("Blank Check Error @ Address  ", hex::AtLeast(offset & ~1u, 4),
                      offset % 2 != 0 ? "Data Read MSB  =  " : "Data Read LSB  =  ", read);
    }
    return NotBlank("Blank Check Error @ Address  ", hex::AtLeast(offset, 4),
                    "Data Read  =  ", read);
  case Area::Eeprom:
    // Only the AT89S8252 counts EEPROM addresses from the flash end here.
    return NotBlank(
        "EEPROM Blank Check Error @ Address  ",
        hex::AtLeast(family == IspFamily::At89S8252 ? layout.EepromBase() + offset : offset, 4),
        "Data Read  =  ", read);
  case Area::UserSignature: break;
  }
  return NotBlank("User Signature Blank Check Error @ Address  ", hex::Text(offset, 2),
                  "Data Read  =  ", read);
}

// ---- Programming ----

using ByteWriter = void (*)(IspEngine &, std::uint32_t offset, std::uint8_t data);
using PageWriter = void (*)(IspEngine &, std::uint32_t pageOffset,
                            std::span<const std::uint8_t> page);

struct ProgramArea {
  Area area;
  std::uint32_t size;
  std::uint32_t interval; // progress interval in bytes, 0 = none
  ByteReader read;        // the read-back
};

// Writes every non-blank buffer byte of the area, each read back at once
// when AutoVerify is on.
End ProgramBytes(IspEngine &e, const Layout &layout, const ProgramArea &a, ByteWriter write) {
  const std::uint32_t base = BufferBase(layout, a.area);
  const std::int64_t position = PositionBase(layout, a.area);
  ProgressPoint progress(e.Hooks(), a.interval);
  for (std::uint32_t offset = 0; offset < a.size; ++offset) {
    if (!progress.Go(position + offset)) {
      return End::Stopped;
    }
    const std::uint8_t data = e.Buffer.cells[base + offset];
    if (data != kBlankByte) {
      write(e, offset, data);
      if (e.AutoVerify) {
        const std::uint8_t read = a.read(e, offset);
        if (read != data) {
          e.ResultText = ProgramReport(e, layout, a.area, offset, read, data);
          return End::Stopped;
        }
      }
    }
    progress.Handled(1);
  }
  return End::Completed;
}

// Writes the area page by page, skipping all-blank pages when asked, and
// reads each written page back byte by byte when AutoVerify is on.
End ProgramPages(IspEngine &e, const Layout &layout, const ProgramArea &a, std::uint32_t pageSize,
                 bool skipBlank, PageWriter write) {
  if (pageSize == 0) {
    return End::Completed;
  }
  const std::uint32_t base = BufferBase(layout, a.area);
  const std::int64_t position = PositionBase(layout, a.area);
  ProgressPoint progress(e.Hooks(), a.interval);
  const std::span<const std::uint8_t> cells(e.Buffer.cells);
  for (std::uint32_t page = 0; page + pageSize <= a.size; page += pageSize) {
    if (!progress.Go(position + page)) {
      return End::Stopped;
    }
    const auto data = cells.subspan(base + page, pageSize);
    if (!skipBlank || !std::ranges::all_of(data, [](std::uint8_t b) { return b == kBlankByte; })) {
      write(e, page, data);
      if (e.AutoVerify) {
        for (std::uint32_t i = 0; i < pageSize; ++i) {
          const std::uint8_t read = a.read(e, page + i);
          if (read != data[i]) {
            e.ResultText = ProgramReport(e, layout, a.area, page + i, read, data[i]);
            return End::Stopped;
          }
        }
      }
    }
    progress.Handled(pageSize);
  }
  return End::Completed;
}

void Wait(IspEngine &e, std::uint16_t ticks, int times = 1) {
  for (int i = 0; i < times; ++i) {
    e.TickDelay(ticks);
  }
}

// The chip erase of each family with its fixed wait.
struct EraseStep {
  void (*build)(IspSlots &);
  std::size_t bytes;
  std::uint16_t ticks;
  int waits;
};

EraseStep EraseStepOf(IspFamily family) {
  switch (family) {
  case IspFamily::At89S51:
    return {isp::at89s51::ChipErase, 4, isp::at89s51::kEraseWaitTicks, isp::at89s51::kEraseWaits};
  case IspFamily::At89S8252:
    return {isp::at89s8252::ChipErase, 3, isp::at89s8252::kEraseWaitTicks, 1};
  case IspFamily::At89S8253:
    return {isp::at89s8253::ChipErase, 4, isp::at89s8253::kEraseWaitTicks, 1};
  case IspFamily::AvrByteMode:
    return {isp::avrbyte::ChipErase, 4, isp::avrbyte::kEraseWaitTicks, 1};
  case IspFamily::AvrPageMode: break;
  }
  return {isp::avrpage::ChipErase, 4, isp::avrpage::kEraseWaitTicks, 1};
}

void Erase(IspEngine &e) {
  const EraseStep step = EraseStepOf(e.Family());
  step.build(e.InstructionBytes);
  if (step.bytes == 3) {
    e.Transfer3();
  } else {
    e.Transfer4();
  }
  Wait(e, step.ticks, step.waits);
}

void WriteFlash89S51(IspEngine &e, std::uint32_t a, std::uint8_t d) {
  isp::at89s51::WriteFlash(e.InstructionBytes, a, d);
  e.Transfer4();
  e.TickDelay(isp::at89s51::kFlashWriteTicks);
}

void WriteFlash89S8252(IspEngine &e, std::uint32_t a, std::uint8_t d) {
  isp::at89s8252::WriteFlash(e.InstructionBytes, a, d);
  e.Transfer3();
  e.TickDelay(isp::at89s8252::kWriteTicks);
}

void WriteEeprom89S8252(IspEngine &e, std::uint32_t a, std::uint8_t d) {
  isp::at89s8252::WriteEeprom(e.InstructionBytes, a, d);
  e.Transfer3();
  e.TickDelay(isp::at89s8252::kWriteTicks);
}

void StreamPage(IspEngine &e, std::span<const std::uint8_t> page) {
  for (std::uint8_t b : page) {
    isp::at89s8253::PageByte(e.InstructionBytes, b);
    e.ShiftByte();
  }
  e.TickDelay(isp::at89s8253::kPageWriteTicks);
}

void WriteFlashPage89S8253(IspEngine &e, std::uint32_t a, std::span<const std::uint8_t> page) {
  isp::at89s8253::WriteFlashPage(e.InstructionBytes, a);
  e.Transfer3();
  StreamPage(e, page);
}

void WriteEepromPage89S8253(IspEngine &e, std::uint32_t a, std::span<const std::uint8_t> page) {
  isp::at89s8253::WriteEepromPage(e.InstructionBytes, a);
  e.Transfer3();
  StreamPage(e, page);
}

void WriteUserSignature89S8253(IspEngine &e, std::uint32_t, std::span<const std::uint8_t> page) {
  isp::at89s8253::WriteUserSignature(e.InstructionBytes);
  e.Transfer3();
  StreamPage(e, page);
}

// Both bytes of a word go to the word's address, each with its own write.
void WriteFlashAvrByte(IspEngine &e, std::uint32_t a, std::uint8_t d) {
  if (a % 2 == 0) {
    isp::avrbyte::WriteFlashLow(e.InstructionBytes, a / 2, d);
  } else {
    isp::avrbyte::WriteFlashHigh(e.InstructionBytes, a / 2, d);
  }
  e.Transfer4();
  e.TickDelay(isp::avrbyte::kWriteTicks);
}

void WriteEepromAvrByte(IspEngine &e, std::uint32_t a, std::uint8_t d) {
  isp::avr::WriteEeprom(e.InstructionBytes, a, d);
  e.Transfer4();
  e.TickDelay(isp::avrbyte::kWriteTicks);
}

void WriteEepromAvrPageDevice(IspEngine &e, std::uint32_t a, std::uint8_t d) {
  isp::avr::WriteEeprom(e.InstructionBytes, a, d);
  e.Transfer4();
  e.TickDelay(isp::avrpage::kEepromWriteTicks);
}

void WriteFlashPageAvr(IspEngine &e, std::uint32_t a, std::span<const std::uint8_t> page) {
  for (std::uint16_t w = 0; 2u * w + 1 < page.size(); ++w) {
    isp::avrpage::LoadFlashPageLow(e.InstructionBytes, w, page[2u * w]);
    e.Transfer4();
    isp::avrpage::LoadFlashPageHigh(e.InstructionBytes, w, page[2u * w + 1]);
    e.Transfer4();
  }
  isp::avrpage::WriteFlashPage(e.InstructionBytes, a);
  e.Transfer4();
  e.TickDelay(isp::avrpage::kFlashPageWriteTicks);
}

void WriteEepromPageAvr(IspEngine &e, std::uint32_t a, std::span<const std::uint8_t> page) {
  for (std::uint16_t i = 0; i < page.size(); ++i) {
    isp::avrpage::LoadEepromPageByte(e.InstructionBytes, i, page[i]);
    e.Transfer4();
  }
  isp::avrpage::WriteEepromPage(e.InstructionBytes, a);
  e.Transfer4();
  e.TickDelay(isp::avrpage::kEepromWriteTicks);
}

// The family's programming run after the chip erase.
End ProgramAreas(IspEngine &e, const Layout &layout) {
  switch (e.Family()) {
  case IspFamily::At89S51:
    return ProgramBytes(e, layout, {Area::Flash, layout.flash, kProgressBytes, ReadFlash89S51},
                        WriteFlash89S51);
  case IspFamily::At89S8252:
    if (ProgramBytes(e, layout, {Area::Flash, layout.flash, kProgressBytes, ReadFlash89S8252},
                     WriteFlash89S8252) != End::Completed) {
      return End::Stopped;
    }
    return ProgramBytes(e, layout, {Area::Eeprom, layout.eeprom, kProgressBytes, ReadEeprom89S8252},
                        WriteEeprom89S8252);
  case IspFamily::At89S8253: {
    using namespace isp::at89s8253;
    if (ProgramPages(e, layout, {Area::Flash, layout.flash, kFlashPageBytes, ReadFlash89S8253},
                     kFlashPageBytes, true, WriteFlashPage89S8253) != End::Completed ||
        ProgramPages(e, layout, {Area::Eeprom, layout.eeprom, kEepromPageBytes, ReadEeprom89S8253},
                     kEepromPageBytes, true, WriteEepromPage89S8253) != End::Completed) {
      return End::Stopped;
    }
    return ProgramPages(e, layout,
                        {Area::UserSignature, layout.userSignature, 0, ReadUserSignature89S8253},
                        kUserSignatureBytes, true, WriteUserSignature89S8253);
  }
  case IspFamily::AvrByteMode:
    if (ProgramBytes(e, layout, {Area::Flash, layout.flash, kProgressBytes, ReadFlashAvr},
                     WriteFlashAvrByte) != End::Completed) {
      return End::Stopped;
    }
    return ProgramBytes(e, layout, {Area::Eeprom, layout.eeprom, kProgressBytes, ReadEepromAvr},
                        WriteEepromAvrByte);
  case IspFamily::AvrPageMode: break;
  }
  const std::uint32_t flashPage = e.Device.FlashPageSize;
  const std::uint32_t flashBytes =
      std::min(layout.flash, static_cast<std::uint32_t>(flashPage * e.Device.FlashPageCount));
  if (ProgramPages(e, layout, {Area::Flash, flashBytes, flashPage, ReadFlashAvr}, flashPage, true,
                   WriteFlashPageAvr) != End::Completed) {
    return End::Stopped;
  }
  const ProgramArea eeprom{Area::Eeprom, layout.eeprom, kProgressBytes, ReadEepromAvr};
  if (e.Device.EepromPageSize != 0) {
    // Every EEPROM page is written, blank ones too.
    return ProgramPages(e, layout, eeprom, e.Device.EepromPageSize, false, WriteEepromPageAvr);
  }
  return ProgramBytes(e, layout, eeprom, WriteEepromAvrPageDevice);
}

// Enable, erase and (unless EraseOnly) program. Completed only when every
// area was written and read back.
End ProgramRoutine(IspEngine &e) {
  e.EnterProgramming();
  if (!e.ChipResponded) {
    return End::Stopped;
  }
  Erase(e);
  if (e.EraseOnly) {
    return End::Stopped;
  }
  switch (e.Family()) {
  case IspFamily::AvrByteMode:
    // These chips need a fresh programming mode after the erase.
    e.ReleaseTarget();
    e.EnterProgrammingAvr();
    if (!e.ChipResponded) {
      return End::Stopped;
    }
    break;
  case IspFamily::AvrPageMode: e.StoreCalibrationBytes(); break;
  default: break;
  }
  return ProgramAreas(e, LayoutOf(e));
}

} // namespace

void chip::RunProgramRoutine(IspEngine &engine) { ProgramRoutine(engine); }

void IspEngine::ReadChip() {
  ResultText.clear();
  const Layout layout = LayoutOf(*this);
  Walk(*this, layout, [&](Area area, std::uint32_t offset, std::uint8_t value) {
    Buffer.cells[BufferBase(layout, area) + offset] = value;
    return true;
  });
}

void IspEngine::ProgramChip() {
  ResultText.clear();
  if (ProgramRoutine(*this) != End::Completed) {
    return;
  }
  ResultText = QStringLiteral("OK");
  WriteLockBits();
}

void IspEngine::VerifyChip() {
  const Layout layout = LayoutOf(*this);
  const End end = Walk(*this, layout, [&](Area area, std::uint32_t offset, std::uint8_t value) {
    const std::uint8_t expected = Buffer.cells[BufferBase(layout, area) + offset];
    if (value == expected) {
      return true;
    }
    ResultText = VerifyReport(*this, layout, area, offset, value, expected);
    return false;
  });
  if (end == End::Completed) {
    ResultText = QStringLiteral("OK");
  }
}

void IspEngine::BlankCheckChip() {
  const Layout layout = LayoutOf(*this);
  const End end = Walk(*this, layout, [&](Area area, std::uint32_t offset, std::uint8_t value) {
    if (value == kBlankByte) {
      return true;
    }
    ResultText = BlankReport(*this, layout, area, offset, value);
    return false;
  });
  if (end == End::Completed) {
    ResultText = QStringLiteral("OK");
  }
}

} // namespace rindle
