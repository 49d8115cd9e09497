#include "orvane/hexview/OffsetFormat.h"
#include "orvane/hexview/HexViewError.h"

#include <gtest/gtest.h>

#include <ostream>

namespace orvane::hexview {
namespace {

struct FormatCase {
  const char *name;
  QString format;
  qint64 offset;
  qint64 lastRowOffset;
  QString expected;
};

void PrintTo(const FormatCase &c, std::ostream *out) { *out << c.name; }

class OffsetFormatCases : public ::testing::TestWithParam<FormatCase> {};

// Rows of 10 bytes in columns of 2.
TEST_P(OffsetFormatCases, FormatsOffsets) {
  const FormatCase &c = GetParam();
  EXPECT_EQ(OffsetFormat::parse(c.format).format(c.offset, c.lastRowOffset, 10, 2), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, OffsetFormatCases,
    ::testing::Values(FormatCase{"ComputedFirstRow", "-!10:0x|", 0, 0xFFFA, "0x0000"},
                      FormatCase{"ComputedLastRow", "-!10:0x|", 0xFFFA, 0xFFFA, "0xFFFA"},
                      FormatCase{"ComputedShortData", "-!10:0x|", 0x0A, 0x14, "0x0A"},
                      FormatCase{"ComputedWidensPastFourDigits", "-!10:0x|", 0x0A, 0x10000,
                                 "0x0000A"},
                      FormatCase{"FixedMinimum", "8!10:|h", 0x1F, 0x20, "0000001Fh"},
                      FormatCase{"FixedShorterThanNumber", "2!10:|", 0x123, 0x123, "123"},
                      FormatCase{"FixedWidest", "40!2:|", 5, 5, QString(61, u'0') + "101"},
                      FormatCase{"Decimal", "-!0A:|", 90, 990, "090"},
                      FormatCase{"Binary", "-!2:b|", 5, 7, "b101"},
                      FormatCase{"UnitsOfFourBytes", "4%-!10:|", 0x40, 0x80, "10"},
                      FormatCase{"UnitsOfRows", "r%-!0A:row |", 30, 990, "row 03"},
                      FormatCase{"UnitsOfColumns", "c%-!10:|", 20, 20, "A"}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

struct ErrorCase {
  const char *name;
  QString format;
  QString message;
};

void PrintTo(const ErrorCase &c, std::ostream *out) { *out << c.name; }

class OffsetFormatErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(OffsetFormatErrors, RaisesTheTextOfTheFault) {
  const ErrorCase &c = GetParam();
  try {
    OffsetFormat::parse(c.format);
    FAIL() << "no error for " << c.format.toStdString();
  } catch (const HexViewError &error) {
    EXPECT_EQ(error.text(), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, OffsetFormatErrors,
    ::testing::Values(
        ErrorCase{"NoBar", "-!10:0x", "Missing char in offset format: -!10:0x"},
        ErrorCase{"NoColon", "-!10", "Missing char in offset format: -!10"},
        ErrorCase{"NoBang", "10:0x|", "Missing char in offset format: 10:0x|"},
        ErrorCase{"Empty", "", "Missing char in offset format: "},
        ErrorCase{"RadixOne", "-!1:|", "Invalid radix in offset format (1h), allowed: 02h..10h"},
        ErrorCase{"RadixSeventeen", "-!11:|",
                  "Invalid radix in offset format (11h), allowed: 02h..10h"},
        ErrorCase{"UnitThree", "3%-!10:|", "Invalid bytes per unit value 3, allowed: 1,2,4,8"},
        ErrorCase{"UnitSixteen", "10%-!10:|", "Invalid bytes per unit value 16, allowed: 1,2,4,8"},
        ErrorCase{"DigitsWiderThanBinary", "41!2:|",
                  "Invalid digit count in offset format (41h), allowed: 00h..40h"},
        ErrorCase{"DigitsOfGigabytes", "7FFFFFFF!10:|",
                  "Invalid digit count in offset format (7FFFFFFFh), allowed: 00h..40h"}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

} // namespace
} // namespace orvane::hexview
