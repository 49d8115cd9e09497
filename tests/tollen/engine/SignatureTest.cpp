// The signature report of every device, the fuse and lock state it brings
// back, and the device check's signature-only read.

#include <gtest/gtest.h>

#include <map>

#include "common/testing/ScriptedPrompter.h"
#include "tests/tollen/engine/QuietView.h"
#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

// The report each device gives with its own chip (factory state) on the
// cable.
std::string ExpectedReport(std::uint16_t index) {
  switch (index) {
  case device::kAt89S51:
    return "Signature Bytes & Lock Bits Info\rFor  AT89S51\r\rByte-1         1E\r"
           "Byte-2         51\rByte-3         06\r\rLock Bit-1    OFF\rLock Bit-2    OFF\r"
           "Lock Bit-3    OFF";
  case device::kAt89S52:
    return "Signature Bytes & Lock Bits Info\rFor  AT89S52\r\rByte-1         1E\r"
           "Byte-2         52\rByte-3         06\r\rLock Bit-1    OFF\rLock Bit-2    OFF\r"
           "Lock Bit-3    OFF";
  case device::kAt89S53:
  case device::kAt89S8252: return "Signature Data not available in ISP mode";
  default: break;
  }
  static const std::map<std::uint16_t, std::pair<const char *, const char *>> kAvr{
      {device::kAt90S1200, {"AT90S1200", "1E 90 01"}},
      {device::kAt90S2313, {"AT90S2313", "1E 91 01"}},
      {device::kAt90S4433, {"AT90S4433", "1E 92 03"}},
      {device::kAt90S8515, {"AT90S8515", "1E 93 01"}},
      {device::kAt90S8535, {"AT90S8535", "1E 93 03"}},
      {device::kAtMega8, {"ATMEGA8", "1E 93 07"}},
      {device::kAtTiny26, {"ATtiny26", "1E 91 09"}}};
  const auto &[name, sig] = kAvr.at(index);
  const std::string b(sig);
  return "Signature Bytes Info\rFor  " + std::string(name) + "\r\rByte-1         " +
         b.substr(0, 2) + "\rByte-2         " + b.substr(3, 2) + "\rByte-3         " +
         b.substr(6, 2) + "\r\r";
}

class SignatureOfEveryDevice : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(SignatureOfEveryDevice, ReportsItsOwnChip) {
  Rig rig(GetParam());
  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.ResultText.toStdString(), ExpectedReport(GetParam()));
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

INSTANTIATE_TEST_SUITE_P(Tollen, SignatureOfEveryDevice, ::testing::ValuesIn(AllDevices()),
                         DeviceCaseName);

TEST(Signature, At89S8252TouchesNoPort) {
  Rig rig(device::kAt89S8252);
  rig.bench.setLogging(true);
  rig.engine.ReadSignature();
  EXPECT_TRUE(rig.bench.log().empty());
}

TEST(Signature, At89S51LockBitsComeBackIntoTheChoices) {
  Rig rig(device::kAt89S51);
  rig.chip().setLockByte(0xFA); // LB1 and LB3 programmed
  rig.engine.LockBits = 0x02;
  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.LockBits, 0x05);
  EXPECT_TRUE(rig.engine.ResultText.endsWith(
      QStringLiteral("\rLock Bit-1    ON\rLock Bit-2    OFF\rLock Bit-3    ON")));
}

TEST(Signature, AtMega8BringsFusesCalibrationAndLockByte) {
  Rig rig(device::kAtMega8);
  rig.chip().setFuse(sim::isp::kFuseLow, 0xE4);
  rig.chip().setFuse(sim::isp::kFuseHigh, 0xC9);
  rig.chip().setLockByte(0xFD); // LB2 programmed
  rig.chip().calibration() = {0xA1, 0xA2, 0xA3, 0xA4};
  rig.engine.LockBits = 0x01;
  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.FuseLow, 0xE4);
  EXPECT_EQ(rig.engine.FuseHigh, 0xC9);
  EXPECT_EQ(rig.engine.LockByte, 0xFD);
  EXPECT_EQ(rig.engine.LockBits, 0x02);
  EXPECT_EQ(rig.engine.CalibrationBytes, (std::array<std::uint8_t, 4>{0xA1, 0xA2, 0xA3, 0xA4}));
  EXPECT_EQ(rig.engine.ReadSignatureValue, 0x1E9307);
}

TEST(Signature, At90S8535BringsFstrtAndLockBits) {
  Rig rig(device::kAt90S8535);
  rig.chip().setFuse(sim::isp::kFuseLow, 0xFE); // FSTRT programmed
  rig.engine.LockBits = 0x03;
  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.LockBits, 0x04);
}

TEST(Signature, AnotherChipGivesTheMismatchReport) {
  Rig rig(device::kAtMega8, false);
  rig.bench.insertChip("ATtiny26");
  rig.engine.LockBits = 0x01;
  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.ResultText,
            "Device Signature did not match.\rSignature read from the "
            "device,\r\rByte-1         1E\rByte-2         91\rByte-3         "
            "09\r");
  EXPECT_EQ(rig.engine.LockBits, 0x01) << "nothing more read";
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

TEST(Signature, SignatureOnlyReadsTheBytesAndLeavesTheResult) {
  Rig rig(device::kAt90S2313);
  rig.engine.SignatureOnly = true;
  rig.engine.ResultText = "before";
  rig.engine.ReadSignature();
  EXPECT_EQ(rig.engine.ResultText, "before");
  EXPECT_EQ(rig.engine.ReadSignatureValue, 0x1E9101);
  EXPECT_FALSE(rig.bench.bufferEnabled());
}

// The main window's fields after a Signature that found no chip: the bytes
// of the chip read before are not shown as this one's.
TEST(SignatureFields, AChipThatDoesNotAnswerShowsNoBytes) {
  Rig rig(device::kAtMega8);
  common::ScriptedPrompter prompter;
  QuietView view;
  MainCommands commands(rig.engine, prompter, view);
  commands.InitForm1();
  commands.cmdSignatureClick();
  ASSERT_EQ(commands.SigText, "1E 93 07");
  ASSERT_NE(commands.CalibText, "00 00 00 00");
  rig.bench.removeChip();
  commands.cmdSignatureClick();
  ASSERT_EQ(prompter.shown.back().text, "No response from uC . . .");
  EXPECT_EQ(commands.SigText, "00 00 00");
  EXPECT_EQ(commands.CalibText, "00 00 00 00");
}

} // namespace
} // namespace tollen::testing
