#include "SettingsTestSupport.h"

#include <QFileInfo>
#include <algorithm>

using namespace rindle::testing;
using rindle::IspEngine;

namespace {

// One save and its load, through the engine's own operations and file names.
struct FileOperation {
  const char *name;
  void (IspEngine::*save)();
  void (IspEngine::*load)();
  bool eeprom;
};

const FileOperation kOperations[] = {
    {"HEX", &IspEngine::SaveHexFile, &IspEngine::LoadHexFile, false},
    {"BIN", &IspEngine::SaveBinFile, &IspEngine::LoadBinFile, false},
    {"ROM", &IspEngine::SaveRomFile, &IspEngine::LoadRomFile, false},
    {"EEPROM HEX", &IspEngine::SaveEepromHexFile, &IspEngine::LoadEepromHexFile, true},
    {"EEPROM BIN", &IspEngine::SaveEepromBinFile, &IspEngine::LoadEepromBinFile, true},
};

void Select(IspEngine &e, std::uint16_t device) {
  e.Device.DeviceIndex = device;
  e.SelectDevice();
}

} // namespace

using EngineFiles = EngineTest;

TEST_F(EngineFiles, EachOperationUsesItsFileAndItsArea) {
  for (const auto &op : kOperations) {
    auto source = newEngine();
    Select(*source, rindle::device::kMega8);
    for (std::size_t i = 0; i < source->Buffer.cells.size(); ++i)
      source->Buffer.cells[i] = std::uint8_t(i * 7 + i / 251);
    source->ProgramFileName = path(QStringLiteral("flash ") + op.name);
    source->EepromFileName = path(QStringLiteral("eeprom ") + op.name);
    (*source.*op.save)();
    ASSERT_EQ(source->ResultText, "OK") << op.name;
    // The other file name is left alone.
    EXPECT_FALSE(QFileInfo::exists(op.eeprom ? source->ProgramFileName : source->EepromFileName))
        << op.name;

    auto back = newEngine();
    Select(*back, rindle::device::kMega8);
    back->ProgramFileName = source->ProgramFileName;
    back->EepromFileName = source->EepromFileName;
    back->ResultText.clear();
    (*back.*op.load)();
    EXPECT_EQ(back->ResultText, "OK") << op.name;
    const std::size_t first = op.eeprom ? 8192 : 0, size = op.eeprom ? 512 : 8192;
    for (std::size_t i = 0; i < back->Buffer.cells.size(); ++i) {
      const bool inArea = i >= first && i < first + size;
      ASSERT_EQ(back->Buffer.cells[i], inArea ? source->Buffer.cells[i] : 0xFF)
          << op.name << " cell " << i;
    }
  }
}

TEST_F(EngineFiles, HexSavesStopAbove64KiB) {
  const struct {
    std::uint16_t device;
    const char *result;
  } cases[] = {
      {rindle::device::kMega128, "Use BIN or ROM format for saving files > 64K"},
      {rindle::device::kMega64, "OK"},
      {rindle::device::kMega644, "OK"},
  };
  for (const auto &c : cases) {
    auto e = newEngine();
    Select(*e, c.device);
    e->ProgramFileName = path("image.hex");
    QFile::remove(e->ProgramFileName);
    e->SaveHexFile();
    EXPECT_EQ(e->ResultText, c.result) << c.device;
    EXPECT_EQ(QFileInfo::exists(e->ProgramFileName), e->ResultText == "OK") << c.device;
  }
}

TEST_F(EngineFiles, At89S8253EepromFilesCarryTheUserSignature) {
  auto e = newEngine();
  Select(*e, rindle::device::kAt89S8253);
  ASSERT_EQ(e->Device.EepromSize, 2112);
  std::fill_n(e->Buffer.cells.begin() + 12288, 2112, 0x5A);
  e->EepromFileName = path("s8253.bin");
  e->SaveEepromBinFile();
  EXPECT_EQ(e->ResultText, "OK");
  EXPECT_EQ(ReadAll(e->EepromFileName), QByteArray(2112, 0x5A));
}
