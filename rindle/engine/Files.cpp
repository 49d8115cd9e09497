#include "rindle/engine/IspEngine.h"

#include "rindle/data/DataFiles.h"

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

} // namespace rindle
