#include "rindle/engine/IspEngine.h"

#include "rindle/data/DataFiles.h"
#include "rindle/data/FileTexts.h"

namespace rindle {

void IspEngine::LoadHexFile() { ResultText = files::LoadProgramHex(Buffer.all(), ProgramFileName); }

void IspEngine::LoadBinFile() { ResultText = files::LoadProgramBin(Buffer.all(), ProgramFileName); }

void IspEngine::LoadRomFile() { ResultText = files::LoadProgramRom(Buffer.all(), ProgramFileName); }

void IspEngine::LoadEepromHexFile() {
  ResultText = files::LoadEepromHex(Buffer.all(), Device.FlashSize, EepromFileName);
}

void IspEngine::LoadEepromBinFile() {
  ResultText = files::LoadEepromBin(Buffer.all(), Device.FlashSize, EepromFileName);
}

void IspEngine::SaveHexFile() {
  ResultText = files::SaveProgramHex(Buffer.all(), Device.FlashSize, ProgramFileName);
}

void IspEngine::SaveBinFile() {
  ResultText = files::SaveProgramBin(Buffer.all(), Device.FlashSize, ProgramFileName);
}

void IspEngine::SaveRomFile() {
  ResultText = files::SaveProgramRom(Buffer.all(), Device.FlashSize, ProgramFileName);
}

void IspEngine::SaveEepromHexFile() {
  ResultText =
      files::SaveEepromHex(Buffer.all(), Device.FlashSize, Device.EepromSize, EepromFileName);
}

void IspEngine::SaveEepromBinFile() {
  ResultText =
      files::SaveEepromBin(Buffer.all(), Device.FlashSize, Device.EepromSize, EepromFileName);
}

// From the catalogue: at start-up the program file is read before the
// stored device is selected.
files::ElfTarget IspEngine::ElfDevice() const {
  const DeviceEntry *entry = CurrentDevice();
  if (entry == nullptr)
    return {};
  const std::string_view name = entry->Name();
  return {QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())), entry->flashSize,
          entry->eepromSize, entry->fuseCount};
}

void IspEngine::LoadElfFile() {
  const files::ElfRead read = files::ReadElfFile(ProgramFileName);
  if (!read.ok()) {
    ResultText = files::ElfNotLoaded(ProgramFileName, read.refusal);
    return;
  }
  TakeElfImage(read.image);
}

void IspEngine::TakeElfImage(const files::ElfImage &image) {
  const files::ElfTarget target = ElfDevice();
  if (const QString refusal = files::ElfRefusal(image, target); !refusal.isEmpty()) {
    ResultText = files::ElfNotLoaded(ProgramFileName, refusal);
    return;
  }
  files::TakeElfFlash(image, Buffer.all(), target.flashSize);
  TakeElfEeprom(image);
  TakeElfFuses(image);
  ResultText = files::kOk;
}

void IspEngine::TakeElfEeprom(const files::ElfImage &image) {
  if (image.eeprom.empty())
    return;
  const files::ElfTarget target = ElfDevice();
  files::TakeElfEeprom(image, Buffer.all(), target.flashSize, target.eepromSize);
  EepromFileName.clear();
}

void IspEngine::TakeElfFuses(const files::ElfImage &image) {
  if (!image.HasFuses() && !image.lock)
    return;
  const FuseField fields[] = {FuseField::FuseLow, FuseField::FuseHigh, FuseField::FuseExtended};
  for (std::size_t i = 0; i < image.fuses.size(); ++i)
    if (image.fuses[i])
      FuseByte(Fuses, fields[i]) = *image.fuses[i];
  if (image.lock) {
    Fuses.LockByte = *image.lock;
    // LB1 and LB2 are asked for through the lock boxes: a set bit programs.
    Fuses.LockBits = static_cast<std::uint16_t>((Fuses.LockBits & ~3u) | (~*image.lock & 3u));
  }
  if (const DeviceEntry *entry = CurrentDevice())
    Fuses = ApplyForcedFuses(*entry, Fuses);
}

} // namespace rindle
