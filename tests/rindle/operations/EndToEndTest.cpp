// Every device against its simulated chip: program, verify, read back,
// erase and blank check, signature report, lock bits and fuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "Rig.h"

namespace rindle::optest {
namespace {

class EveryDevice : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(EveryDevice, ProgramThenVerifyAndReadGiveTheImage) {
  Rig rig(GetParam());
  IspEngine &e = rig.engine;
  e.SaveOscCalToFlash = false; // the image stays as written
  const std::vector<std::uint8_t> image = RandomImage(rig.imageSize(), 1000u + GetParam());
  std::ranges::copy(image, rig.buffer().begin());
  e.ApplyDefaultFuses();

  rig.Run(&IspEngine::ProgramChip);
  ASSERT_EQ(e.ResultText.toStdString(), "OK");

  // The chip holds exactly the image.
  const std::uint32_t flash = rig.flashSize();
  EXPECT_EQ(Bytes(rig.chip().flash()), Slice(image, 0, flash));
  const std::size_t eeprom = rig.chip().eeprom().size();
  EXPECT_EQ(Bytes(rig.chip().eeprom()), Slice(image, flash, eeprom));
  EXPECT_EQ(Bytes(rig.chip().userSignature()),
            Slice(image, flash + eeprom, rig.chip().userSignature().size()));

  e.ResultText.clear();
  rig.Run(&IspEngine::VerifyChip);
  EXPECT_EQ(e.ResultText.toStdString(), "OK");

  std::ranges::fill(rig.buffer(), 0x5A);
  rig.Run(&IspEngine::ReadChip);
  EXPECT_EQ(e.ResultText.toStdString(), "");
  EXPECT_EQ(Bytes(rig.buffer().first(image.size())), image);
  // Nothing past the device's areas is touched.
  if (image.size() < rig.buffer().size()) {
    EXPECT_EQ(rig.buffer()[image.size()], 0x5A);
  }
}

TEST_P(EveryDevice, BlankCheckAfterEraseIsOk) {
  Rig rig(GetParam());
  IspEngine &e = rig.engine;
  std::ranges::fill(rig.chip().flash(), 0x00);
  std::ranges::fill(rig.chip().eeprom(), 0x12);
  std::ranges::fill(rig.chip().userSignature(), 0x34);

  rig.Run(&IspEngine::BlankCheckChip);
  EXPECT_NE(e.ResultText.toStdString(), "OK");

  rig.Run(&IspEngine::EraseChip);
  ASSERT_EQ(e.ResultText.toStdString(), "OK");
  EXPECT_EQ(rig.chip().counters().erases, 1u);
  rig.Run(&IspEngine::BlankCheckChip);
  EXPECT_EQ(e.ResultText.toStdString(), "OK");
}

// The report of every device, with the bytes each simulated chip carries.
const std::map<std::uint16_t, std::string> kSignatureReports = {
    {device::kAt89S51, "Signature info for  AT89S51\r\rSignature     1E  51  06"},
    {device::kAt89S52, "Signature info for  AT89S52\r\rSignature     1E  52  06"},
    {device::kAt89S53, "Signature info not available in serial mode"},
    {device::kAt89S8252, "Signature info not available in serial mode"},
    {device::kAt89S8253, "Signature info for  AT89S8253\r\rSignature     1E  73"},
    {device::kAt90S1200, "Signature info for  AT90S1200\r\rSignature     1E  90  01"},
    {device::kAt90S2313, "Signature info for  AT90S2313\r\rSignature     1E  91  01"},
    {device::kAt90S4433, "Signature info for  AT90S4433\r\rSignature     1E  92  03"},
    {device::kAt90S8515, "Signature info for  AT90S8515\r\rSignature     1E  93  01"},
    {device::kAt90S8535, "Signature info for  AT90S8535\r\rSignature     1E  93  03"},
    {device::kMega8, "Signature info for  ATMEGA8\r\rSignature     1E  93  07"},
    {device::kMega16, "Signature info for  ATMEGA16\r\rSignature     1E  94  03"},
    {device::kMega32, "Signature info for  ATMEGA32\r\rSignature     1E  95  02"},
    {device::kMega48, "Signature info for  ATMEGA48\r\rSignature     1E  92  05"},
    {device::kMega64, "Signature info for  ATMEGA64\r\rSignature     1E  96  02"},
    {device::kMega88, "Signature info for  ATMEGA88\r\rSignature     1E  93  0A"},
    {device::kMega128, "Signature info for  ATMEGA128\r\rSignature     1E  97  02"},
    {device::kMega162, "Signature info for  ATMEGA162\r\rSignature     1E  94  04"},
    {device::kMega164, "Signature info for  ATMEGA164\r\rSignature     1E  94  00"},
    {device::kMega165, "Signature info for  ATMEGA165\r\rSignature     1E  94  07"},
    {device::kMega168, "Signature info for  ATMEGA168\r\rSignature     1E  94  06"},
    {device::kMega169, "Signature info for  ATMEGA169\r\rSignature     1E  94  05"},
    {device::kMega324, "Signature info for  ATMEGA324\r\rSignature     1E  95  00"},
    {device::kMega644, "Signature info for  ATMEGA644\r\rSignature     1E  96  00"},
    {device::kMega8515, "Signature info for  ATMEGA8515\r\rSignature     1E  93  06"},
    {device::kMega8535, "Signature info for  ATMEGA8535\r\rSignature     1E  93  08"},
    {device::kTiny12, "Signature info for  ATTINY12\r\rSignature     1E  90  05"},
    {device::kTiny13, "Signature info for  ATTINY13\r\rSignature     1E  90  07"},
    {device::kTiny15, "Signature info for  ATTINY15\r\rSignature     1E  90  06"},
    {device::kTiny25, "Signature info for  ATTINY25\r\rSignature     1E  91  08"},
    {device::kTiny26, "Signature info for  ATTINY26\r\rSignature     1E  91  09"},
    {device::kTiny45, "Signature info for  ATTINY45\r\rSignature     1E  92  06"},
    {device::kTiny85, "Signature info for  ATTINY85\r\rSignature     1E  93  0B"},
    {device::kTiny2313, "Signature info  ATTINY2313\r\rSignature     1E 91 0A"},
};

TEST_P(EveryDevice, SignatureReport) {
  Rig rig(GetParam());
  IspEngine &e = rig.engine;
  e.ReadSignatureValue = -1;
  rig.bench.setLogging(true);
  e.ReadSignature();
  EXPECT_EQ(e.ResultText.toStdString(), kSignatureReports.at(GetParam()));
  EXPECT_EQ(e.ReadSignatureValue, e.Device.ExpectedSignature);
  if (e.Family() == IspFamily::At89S8252) {
    EXPECT_TRUE(rig.bench.log().empty()) << "no port access at all";
  } else {
    EXPECT_FALSE(rig.bench.bufferEnabled()) << "the target is released";
  }
  const auto &cal = rig.chip().calibration();
  for (int k = 0; k < e.Device.CalibrationCount; ++k) {
    EXPECT_EQ(e.CalibrationBytes[static_cast<std::size_t>(k)], cal[static_cast<std::size_t>(k)])
        << "calibration byte " << k;
  }
}

// Lock bits and fuses asked for, and what the chip must hold afterwards.
struct Asked {
  std::uint16_t lockBits;
  std::uint8_t lock;                    // the chip's lock byte (0 = programmed)
  std::array<int, 3> fuses{-1, -1, -1}; // the chip's fuse bytes; -1 = not checked
};

Asked AskFor(const Rig &rig) {
  const IspEngine &e = rig.engine;
  const FuseState &f = e.Fuses;
  const std::uint16_t index = e.Device.DeviceIndex;
  const std::uint8_t lockMask = rig.bench.chip()->model().lockMask;
  switch (e.Family()) {
  case IspFamily::At89S51:
  case IspFamily::At89S8252: return {0x05, 0xFA};
  case IspFamily::At89S8253:
    // The user fuses are the low nibble; the chip keeps the high one at 1.
    return {0x05, 0xFA, {0xF0 | (f.FuseLow & 0x0F), -1, -1}};
  case IspFamily::AvrByteMode:
    if (index == device::kAt90S8535) {
      return {0x05, 0xFE, {0xDE, -1, -1}}; // FSTRT programmed, SPIEN fixed
    }
    if (index == device::kAt90S4433 || index == device::kTiny12 || index == device::kTiny15) {
      return {0x01, 0xFE, {f.FuseLow, -1, -1}};
    }
    return {0x01, 0xFE};
  case IspFamily::AvrPageMode: break;
  }
  Asked a{0x01, static_cast<std::uint8_t>(((f.LockByte & 0xFC) | 0x02) | ~lockMask)};
  const int values[] = {f.FuseLow, f.FuseHigh, f.FuseExtended};
  for (int k = 0; k < e.Device.FuseCount; ++k) {
    a.fuses[static_cast<std::size_t>(k)] = values[k];
  }
  return a;
}

TEST_P(EveryDevice, WriteLockBitsLeavesTheChipAsAsked) {
  Rig rig(GetParam());
  IspEngine &e = rig.engine;
  sim::isp::Chip &chip = rig.chip();
  ProgramEveryFuseBit(chip);
  e.ApplyDefaultFuses();
  e.Fuses.LockByte = 0xF3; // two boot lock bits, where the device has them
  e.SelectDevice();        // keeps what the device cannot take
  const Asked asked = AskFor(rig);
  e.Fuses.LockBits = asked.lockBits;

  rig.Run(&IspEngine::WriteLockBits);
  ASSERT_EQ(e.ResultText.toStdString(), "OK");
  EXPECT_EQ(chip.lockByte(), asked.lock);
  for (int k = 0; k < 3; ++k) {
    if (asked.fuses[static_cast<std::size_t>(k)] >= 0) {
      EXPECT_EQ(chip.fuse(static_cast<sim::isp::FuseIndex>(k)),
                asked.fuses[static_cast<std::size_t>(k)])
          << "fuse byte " << k;
    }
  }

  // The signature read brings the same state back into the engine.
  const FuseState written = e.Fuses;
  e.Fuses = FuseState{0, 0x00, 0x00, 0x00, 0x00};
  e.ReadSignature();
  const std::uint16_t index = GetParam();
  if (e.Family() == IspFamily::At89S8252 || index == device::kAt90S1200 ||
      index == device::kAt90S2313 || index == device::kAt90S8515) {
    return; // these give no lock or fuse state back
  }
  EXPECT_EQ(e.Fuses.LockBits, written.LockBits);
  if (asked.fuses[0] >= 0) {
    EXPECT_EQ(e.Fuses.FuseLow, asked.fuses[0]);
  }
  if (asked.fuses[1] >= 0) {
    EXPECT_EQ(e.Fuses.FuseHigh, asked.fuses[1]);
  }
}

INSTANTIATE_TEST_SUITE_P(Devices, EveryDevice, ::testing::ValuesIn(AllDevices()), RowName);

} // namespace
} // namespace rindle::optest
