#include "tollen/engine/TollenEngine.h"

#include "isp/core/Instructions.h"
#include "tollen/engine/ReportText.h"

#include <algorithm>

namespace tollen {

namespace isp = rindle::isp;
using isp::CancelCheck;
using isp::ProgressPoint;

namespace {

// Flash loops report, let events run and obey a cancel every this many bytes.
constexpr std::uint32_t kProgressBytes = 128;

// The EEPROM loops' progress point, which some devices do not let cancel.
ProgressPoint EepromPoint(const TollenEngine &engine, const DeviceInfo &d) {
  return ProgressPoint(engine.Hooks(), d.eepromProgressBytes,
                       d.eepromCancels ? CancelCheck::Obey : CancelCheck::Ignore);
}

// Runs `unit` over the addresses 0, step, 2 step ... below `count` of an area
// whose progress positions start at `base`. A cancel at a progress point
// runs `cancelled` and stops; so does a unit that answers false. True when
// the whole area was done.
template <class Unit, class Cancelled>
bool Walk(ProgressPoint point, std::uint32_t base, std::uint32_t count, std::uint32_t step,
          Cancelled cancelled, Unit unit) {
  for (std::uint32_t a = 0; a < count; a += step) {
    if (!point.Go(base + a)) {
      cancelled();
      return false;
    }
    point.Handled(step);
    if (!unit(a)) {
      return false;
    }
  }
  return true;
}

} // namespace

std::uint8_t TollenEngine::ReadByte(const DeviceInfo &d, Area area, std::uint32_t address) {
  auto &s = InstructionBytes;
  switch (d.kind) {
  case DeviceKind::At89FourByte:
    isp::at89s51::ReadFlash(s, address);
    Transfer4();
    return static_cast<std::uint8_t>(ResponseBytes[isp::at89s51::kAnswerSlot]);
  case DeviceKind::At89ThreeByte:
    if (area == Area::Flash) {
      isp::at89s8252::ReadFlash(s, address);
    } else {
      isp::at89s8252::ReadEeprom(s, address);
    }
    Transfer3();
    return static_cast<std::uint8_t>(ResponseBytes[isp::at89s8252::kAnswerSlot]);
  case DeviceKind::AvrByteWise:
  case DeviceKind::AvrPaged:
    if (area == Area::Eeprom) {
      isp::avr::ReadEeprom(s, address);
    } else if (address & 1) {
      isp::avr::ReadFlashHigh(s, address >> 1);
    } else {
      isp::avr::ReadFlashLow(s, address >> 1);
    }
    Transfer4();
    return static_cast<std::uint8_t>(ResponseBytes[isp::avr::kAnswerSlot]);
  }
  return 0;
}

void TollenEngine::WriteByte(const DeviceInfo &d, Area area, std::uint32_t address,
                             std::uint8_t value) {
  auto &s = InstructionBytes;
  switch (d.kind) {
  case DeviceKind::At89FourByte:
    isp::at89s51::WriteFlash(s, address, value);
    Transfer4();
    TickDelay(ticks::k1ms);
    return;
  case DeviceKind::At89ThreeByte:
    if (area == Area::Flash) {
      isp::at89s8252::WriteFlash(s, address, value);
    } else {
      isp::at89s8252::WriteEeprom(s, address, value);
    }
    Transfer3();
    TickDelay(ticks::k2_5ms);
    return;
  case DeviceKind::AvrByteWise:
  case DeviceKind::AvrPaged:
    if (area == Area::Eeprom) {
      isp::avr::WriteEeprom(s, address, value);
    } else if (address & 1) {
      isp::avrbyte::WriteFlashHigh(s, address >> 1, value);
    } else {
      isp::avrbyte::WriteFlashLow(s, address >> 1, value);
    }
    Transfer4();
    // The paged AVRs write only their EEPROM byte by byte, and more slowly.
    TickDelay(d.kind == DeviceKind::AvrPaged ? ticks::k10ms : ticks::k5ms);
    return;
  }
}

QString TollenEngine::DifferenceReport(const DeviceInfo &d, Area area, std::uint32_t address,
                                       std::uint8_t read, std::uint8_t expected,
                                       bool programming) const {
  const std::uint32_t cell = area == Area::Flash ? address : d.flashBytes + address;
  if (!d.IsAvr()) {
    return report::ByteDifference(programming && d.kind == DeviceKind::At89FourByte, cell, read,
                                  expected);
  }
  if (area == Area::Eeprom) {
    return report::AvrEepromDifference(cell, read, expected);
  }
  return report::AvrFlashDifference(address, read, expected);
}

void TollenEngine::Stop(const QString &report) {
  ReleaseTarget();
  ResultText = report;
}

void TollenEngine::ReadChip() { ReadOrVerify(Pass::Read); }

void TollenEngine::VerifyChip() { ReadOrVerify(Pass::Verify); }

void TollenEngine::ReadOrVerify(Pass pass) {
  const DeviceInfo *d = CurrentDevice();
  if (d == nullptr) {
    return;
  }
  EnterProgramming();
  if (!ChipResponded) {
    return;
  }
  if (d->IsAvr() && UpdateProgressBar) {
    UpdateProgressBar(0);
  }
  auto cells = Cells.all();
  // Reads one byte into its cell, or compares it with the cell.
  const auto take = [&](Area area, std::uint32_t address, std::uint32_t cell) {
    const std::uint8_t value = ReadByte(*d, area, address);
    if (pass == Pass::Read) {
      cells[cell] = value;
      return true;
    }
    if (value == cells[cell]) {
      return true;
    }
    Stop(DifferenceReport(*d, area, address, value, cells[cell], false));
    return false;
  };

  const auto release = [this] { ReleaseTarget(); };
  const std::uint32_t flash = d->flashBytes;
  if (!Walk(ProgressPoint(Hooks(), kProgressBytes), 0, flash, 1, release,
            [&](std::uint32_t a) { return take(Area::Flash, a, a); }) ||
      !Walk(EepromPoint(*this, *d), flash, d->eepromBytes, 1, release,
            [&](std::uint32_t e) { return take(Area::Eeprom, e, flash + e); })) {
    return;
  }
  if (pass == Pass::Read) {
    ResultText.clear();
  } else {
    ResultText = QString::fromLatin1(report::kOk);
  }
  ReleaseTarget();
}

bool TollenEngine::EraseForProgramming(const DeviceInfo &d) {
  const auto progressZero = [this] {
    if (UpdateProgressBar) {
      UpdateProgressBar(0);
    }
  };
  switch (d.kind) {
  case DeviceKind::At89FourByte:
    EnterProgramming89();
    if (!ChipResponded) {
      return false;
    }
    isp::at89s51::ChipErase(InstructionBytes);
    Transfer4();
    Wait(isp::at89s51::kEraseWaitTicks, isp::at89s51::kEraseWaits);
    progressZero();
    TickDelay(ticks::k25ms);
    return true;
  case DeviceKind::At89ThreeByte:
    EnterProgramming89Short();
    isp::at89s8252::ChipErase(InstructionBytes);
    Transfer3();
    Wait(ticks::k25ms, 4);
    progressZero();
    return true;
  case DeviceKind::AvrByteWise:
  case DeviceKind::AvrPaged:
    EnterProgrammingAvr();
    if (!ChipResponded) {
      return false;
    }
    isp::avr::ChipErase(InstructionBytes);
    Transfer4();
    TickDelay(d.eraseWaitFirst);
    TickDelay(d.eraseWaitSecond);
    // Out of programming mode and in again after the erase; this second
    // enable's answer is not looked at.
    ReleaseTarget();
    EnterProgrammingAvr();
    return true;
  }
  return false;
}

bool TollenEngine::ProgramByte(const DeviceInfo &d, Area area, std::uint32_t address) {
  const std::uint32_t cell = area == Area::Flash ? address : d.flashBytes + address;
  const std::uint8_t value = Cells.cells[cell];
  if (value == rindle::kBlankByte) {
    return true; // the erase left it blank
  }
  WriteByte(d, area, address, value);
  const std::uint8_t read = ReadByte(d, area, address);
  if (read != value) {
    Stop(DifferenceReport(d, area, address, read, value, true));
    return false;
  }
  return true;
}

bool TollenEngine::ProgramPage(const DeviceInfo &d, std::uint32_t first) {
  const auto page = rindle::CellRange(Cells.all(), first, d.pageBytes);
  if (std::ranges::all_of(page, [](std::uint8_t b) { return b == rindle::kBlankByte; })) {
    return true;
  }
  auto &s = InstructionBytes;
  for (std::uint16_t k = 0; k < d.pageBytes / 2; ++k) {
    isp::avrpage::LoadFlashPageLow(s, k, page[2 * k]);
    Transfer4();
    isp::avrpage::LoadFlashPageHigh(s, k, page[2 * k + 1]);
    Transfer4();
  }
  isp::avrpage::WriteFlashPage(s, first);
  Transfer4();
  TickDelay(isp::avrpage::kFlashPageWriteTicks);
  for (std::uint32_t a = first; a < first + d.pageBytes; ++a) {
    const std::uint8_t read = ReadByte(d, Area::Flash, a);
    if (read != Cells.cells[a]) {
      Stop(DifferenceReport(d, Area::Flash, a, read, Cells.cells[a], true));
      return false;
    }
  }
  return true;
}

void TollenEngine::ProgramChip() {
  const DeviceInfo *d = CurrentDevice();
  if (d == nullptr || !EraseForProgramming(*d)) {
    return;
  }
  const auto release = [this] { ReleaseTarget(); };
  const std::uint32_t step = d->kind == DeviceKind::AvrPaged ? d->pageBytes : 1;
  if (!Walk(ProgressPoint(Hooks(), kProgressBytes), 0, d->flashBytes, step, release,
            [&](std::uint32_t a) {
              return step == 1 ? ProgramByte(*d, Area::Flash, a) : ProgramPage(*d, a);
            })) {
    return;
  }
  // The three-byte AT89S chips with an EEPROM report the flash done.
  if (d->kind == DeviceKind::At89ThreeByte && d->eepromBytes > 0 && UpdateProgressBar) {
    UpdateProgressBar(static_cast<int>(d->flashBytes));
  }
  if (!Walk(EepromPoint(*this, *d), d->flashBytes, d->eepromBytes, 1, release,
            [&](std::uint32_t e) { return ProgramByte(*d, Area::Eeprom, e); })) {
    return;
  }
  ResultText = QString::fromLatin1(report::kOk);
  ReleaseTarget();
  WriteLockBits();
}

} // namespace tollen
