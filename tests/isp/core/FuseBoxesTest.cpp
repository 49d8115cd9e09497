// The fuse dialog's boxes: names and places, bytes in and out.

#include <gtest/gtest.h>

#include "isp/core/FuseBoxes.h"

namespace rindle {
namespace {

using Column = FuseBoxes::Column;

TEST(FuseBoxes, EveryBoxHasItsOwnPlaceNamedAfterColumnAndBit) {
  FuseBoxes boxes;
  for (std::size_t i = 0; i < FuseBoxes::kBoxCount; ++i) {
    const Column column = FuseBoxes::ColumnOf(i);
    const int bit = FuseBoxes::BitOf(i);
    EXPECT_EQ(FuseBoxes::IndexOf(column, bit), i);
    EXPECT_EQ(&boxes.at(column, bit), &boxes.boxes()[i]);
  }
  EXPECT_EQ(boxes.at(Column::BootLock, 5).name, "chkBL5");
  EXPECT_EQ(boxes.at(Column::BootLock, 2).caption, " BLB01");
  EXPECT_EQ(boxes.at(Column::Extended, 0).name, "chkEF0");
  EXPECT_EQ(boxes.at(Column::High, 7).name, "chkHF7");
  EXPECT_EQ(boxes.at(Column::Low, 3).name, "chkLF3");
  EXPECT_EQ(FuseBoxes::RowOf(FuseBoxes::IndexOf(Column::Low, 7)), 0);
  EXPECT_EQ(FuseBoxes::RowOf(FuseBoxes::IndexOf(Column::Low, 0)), 7);
  EXPECT_THROW(FuseBoxes::IndexOf(Column::BootLock, 1), std::out_of_range);
  EXPECT_THROW(FuseBoxes::IndexOf(Column::High, 8), std::out_of_range);
}

TEST(FuseBoxes, ABitTheDeviceLacksIsADisabledDash) {
  FuseBoxes boxes;
  boxes.ShowBit(Column::High, 5, QStringLiteral("SPIEN"), false);
  boxes.ShowBit(Column::Low, 7, QStringLiteral("BODLEVEL"), true);
  boxes.ShowBit(Column::Low, 6, QString(), true);
  EXPECT_EQ(boxes.at(Column::High, 5).caption, " SPIEN");
  EXPECT_FALSE(boxes.at(Column::High, 5).enabled);
  EXPECT_EQ(boxes.at(Column::Low, 7).caption, " BODLEVEL");
  EXPECT_TRUE(boxes.at(Column::Low, 7).enabled);
  EXPECT_EQ(boxes.at(Column::Low, 6).caption, " -");
  EXPECT_FALSE(boxes.at(Column::Low, 6).enabled);
}

struct BytesCase {
  const char *name;
  FuseBoxes::Bytes in;
  std::uint16_t lockBits;
  FuseBoxes::Bytes out;
};
void PrintTo(const BytesCase &c, std::ostream *os) { *os << c.name; }
class FuseBytes : public ::testing::TestWithParam<BytesCase> {};

// What the boxes show comes back as the same bytes, except the lock byte:
// bits 7 and 6 are 0 and bits 1 and 0 follow the chosen lock bits.
TEST_P(FuseBytes, ComeBackFromTheBoxesTheyWereShownIn) {
  FuseBoxes boxes;
  boxes.Refresh(GetParam().in);
  EXPECT_EQ(boxes.at(Column::Low, 0).checked, (GetParam().in.low & 1) == 0);
  const FuseBoxes::Bytes out = boxes.Build(GetParam().lockBits);
  EXPECT_EQ(out.lock, GetParam().out.lock);
  EXPECT_EQ(out.extended, GetParam().out.extended);
  EXPECT_EQ(out.high, GetParam().out.high);
  EXPECT_EQ(out.low, GetParam().out.low);
}

INSTANTIATE_TEST_SUITE_P(
    Rindle, FuseBytes,
    ::testing::Values(
        BytesCase{"Blank", {0xFF, 0xFF, 0xFF, 0xFF}, 0, {0x3F, 0xFF, 0xFF, 0xFF}},
        BytesCase{"Mega8Factory", {0xFF, 0xFF, 0xD9, 0xE1}, 0, {0x3F, 0xFF, 0xD9, 0xE1}},
        BytesCase{"BootLockProgrammed", {0x2B, 0xFD, 0x00, 0x5A}, 0, {0x2B, 0xFD, 0x00, 0x5A}},
        BytesCase{"BothLockBitsChosen", {0xFF, 0xFF, 0xFF, 0xFF}, 0x03, {0x3C, 0xFF, 0xFF, 0xFF}},
        BytesCase{"OnlyLockBit2Chosen", {0xC3, 0xFF, 0xFF, 0xFF}, 0x02, {0x01, 0xFF, 0xFF, 0xFF}}),
    [](const auto &param) { return std::string(param.param.name); });

} // namespace
} // namespace rindle
