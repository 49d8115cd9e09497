// The main window's commands without widgets: the fuse boxes against the
// bytes, the lock-bit boxes per device, and the fill dialog's checks.

#include <gtest/gtest.h>

#include <QDir>

#include "common/testing/ScriptedPrompter.h"
#include "sim/isp/Bench.h"
#include "tests/tollen/engine/QuietView.h"
#include "tollen/engine/MainCommands.h"

namespace tollen {
namespace {

using NoWindows = tollen::testing::QuietView;

struct Commands : ::testing::Test {
  sim::isp::Bench bench{"ATmega8"};
  TollenEngine engine{bench, bench};
  common::ScriptedPrompter prompter;
  NoWindows view;
  MainCommands commands{engine, prompter, view};

  void Select(int row) { commands.cboTypeChange(row); }
};

using Column = rindle::FuseBoxes::Column;

TEST_F(Commands, FuseBoxesShowTheBytesAndGiveThemBackUnchanged) {
  Select(device::kAtMega8);
  engine.FuseLow = 0xE1;
  engine.FuseHigh = 0xD9;
  engine.LockByte = 0x2B; // BLB11 and BLB01 programmed
  engine.LockBits = 0x02;
  commands.RefreshConfigBits();
  commands.SetupConfigInfo(FindDevice(device::kAtMega8)->record->fuseLayout);
  // 0xE1: BODLEVEL, BODEN, SUT1 and CKSEL0 unprogrammed.
  const bool lowChecked[8] = {false, true, true, true, true, false, false, false}; // bit 0..7
  for (std::size_t bit = 0; bit < 8; ++bit) {
    EXPECT_EQ(commands.Fuses.at(Column::Low, int(bit)).checked, lowChecked[bit]) << "bit " << bit;
  }
  EXPECT_TRUE(commands.Fuses.at(Column::High, 5).checked);
  EXPECT_FALSE(commands.Fuses.at(Column::High, 5).enabled);
  commands.UpdateConfigFuseBytes();
  EXPECT_EQ(engine.FuseLow, 0xE1);
  EXPECT_EQ(engine.FuseHigh, 0xD9);
  EXPECT_EQ(engine.LockByte, 0x29) << "bits 7, 6 cleared; LB2 from the lock bits, LB1 not";
}

TEST_F(Commands, NoLockBitsAndNoBootLockGiveLockByte3F) {
  engine.LockBits = 0;
  engine.LockByte = 0x00;
  commands.RefreshConfigBits();
  for (int bit = 2; bit <= 5; ++bit) {
    commands.Fuses.at(Column::BootLock, bit).checked = false;
  }
  commands.UpdateConfigFuseBytes();
  EXPECT_EQ(engine.LockByte, 0x3F);
}

TEST_F(Commands, S4433LayoutHasOnlyItsLowFuseBits) {
  commands.SetupConfigInfo(FindDevice(device::kAt90S4433)->record->fuseLayout);
  EXPECT_EQ(commands.Fuses.at(Column::Low, 5).caption, " SPIEN");
  EXPECT_FALSE(commands.Fuses.at(Column::Low, 5).enabled);
  EXPECT_EQ(commands.Fuses.at(Column::Low, 4).caption, " BODLEVEL");
  EXPECT_TRUE(commands.Fuses.at(Column::Low, 4).enabled);
  EXPECT_EQ(commands.Fuses.at(Column::Low, 7).caption, " -");
  for (std::size_t i = 0; i < rindle::FuseBoxes::kBoxCount; ++i) {
    if (rindle::FuseBoxes::ColumnOf(i) != Column::Low) {
      EXPECT_FALSE(commands.Fuses.boxes()[i].enabled)
          << commands.Fuses.boxes()[i].name.toStdString();
    }
  }
}

TEST_F(Commands, FillReachesTheDevicesLastCellAndNoFurther) {
  Select(device::kAt89S51); // 4096 cells
  commands.FillOkClick(QStringLiteral("0000"), QStringLiteral("1000"), QStringLiteral("00"));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].caption, "FILL BUFFER");
  EXPECT_EQ(prompter.shown[0].text, "Error Address Out of Range");
  EXPECT_EQ(prompter.shown[0].icon, common::Prompter::Icon::Warning);
  EXPECT_FALSE(commands.BufferEdited);
  EXPECT_EQ(engine.Cells.cells[0xFFF], 0xFF);

  commands.FillOkClick(QStringLiteral("0000"), QStringLiteral("0FFF"), QStringLiteral("00"));
  EXPECT_EQ(prompter.shown.size(), 1u) << "no message";
  EXPECT_TRUE(commands.BufferEdited);
  EXPECT_EQ(engine.Cells.cells[0xFFF], 0x00);
  EXPECT_EQ(engine.Cells.cells[0x1000], 0xFF);
}

TEST_F(Commands, AFillThatKeepsTheChecksumKeepsTheFileName) {
  Select(device::kAtMega8);
  const QString file = QDir::tempPath() + QStringLiteral("/a.hex");
  engine.ProgramFileName = file;
  struct FillView : NoWindows {
    MainCommands *c = nullptr;
    QString data = QStringLiteral("FF");
    void ShowFillDialog() override { c->FillOkClick(c->FillStart, c->FillEnd, data); }
  } fillView;
  MainCommands own(engine, prompter, fillView);
  fillView.c = &own;
  own.cboTypeChange(device::kAtMega8);
  own.FillBufferClick(); // FF over FF: same checksum
  EXPECT_TRUE(own.BufferEdited);
  EXPECT_EQ(engine.ProgramFileName, file);
  fillView.data = QStringLiteral("00"); // now the checksum changes
  own.FillBufferClick();
  EXPECT_TRUE(engine.ProgramFileName.isEmpty());
  EXPECT_EQ(own.StatusText, "  Tollen - 3.0a");
}

} // namespace
} // namespace tollen
