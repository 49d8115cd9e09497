#include "common/HexText.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using common::hex::Parse;

struct ParseCase {
  const char *name;
  const char *text;
  std::optional<std::uint32_t> value;
};

void PrintTo(const ParseCase &c, std::ostream *os) { *os << c.name; }

class HexParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HexParse, ReadsBytesAndWideTextAlike) {
  const ParseCase &c = GetParam();
  EXPECT_EQ(Parse(QByteArrayView(c.text)), c.value) << c.text;
  EXPECT_EQ(Parse(QStringView(QString::fromLatin1(c.text))), c.value) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, HexParse,
                         ::testing::Values(ParseCase{"Zero", "0", 0u},
                                           ParseCase{"LowerCase", "ff", 0xFFu},
                                           ParseCase{"MixedCase", "aB12", 0xAB12u},
                                           ParseCase{"LeadingZeros", "0000001F", 0x1Fu},
                                           ParseCase{"EightDigits", "FFFFFFFF", 0xFFFFFFFFu},
                                           ParseCase{"Empty", "", std::nullopt},
                                           ParseCase{"NineDigits", "123456789", std::nullopt},
                                           ParseCase{"LetterAfterF", "1G", std::nullopt},
                                           ParseCase{"TrailingBlank", "12 ", std::nullopt},
                                           ParseCase{"LeadingBlank", " 12", std::nullopt},
                                           ParseCase{"Sign", "-1", std::nullopt},
                                           ParseCase{"Prefix", "0x1", std::nullopt},
                                           ParseCase{"Colon", "1:", std::nullopt},
                                           ParseCase{"At", "@", std::nullopt}),
                         [](const auto &testCase) { return std::string(testCase.param.name); });

TEST(HexText, WideCharactersWhoseLowByteIsADigitAreNoDigits) {
  // U+0141 and U+0F30 end in the codes of 'A' and '0'.
  EXPECT_EQ(Parse(QStringView(u"1\u0141")), std::nullopt);
  EXPECT_EQ(Parse(QStringView(u"\u0F30")), std::nullopt);
  // Bytes above 0x7F are no digits either, whatever their low bits.
  EXPECT_EQ(Parse(QByteArrayView("\xC1")), std::nullopt);
}

TEST(HexText, FieldReadsOnlyWholeFieldsInsideTheLine) {
  const QByteArrayView line(":10ab");
  EXPECT_EQ(common::hex::Field(line, 1, 2), 0x10u);
  EXPECT_EQ(common::hex::Field(line, 3, 2), 0xABu);
  EXPECT_EQ(common::hex::Field(line, 3, 4), std::nullopt); // runs past the end
  EXPECT_EQ(common::hex::Field(line, 0, 2), std::nullopt); // ':' is no digit
  EXPECT_EQ(common::hex::Field(line, -1, 2), std::nullopt);
  EXPECT_EQ(common::hex::Field(line, 5, 1), std::nullopt);
}

struct FormatCase {
  const char *name;
  std::uint32_t value;
  int digits;
  const char *text;
};

void PrintTo(const FormatCase &c, std::ostream *os) { *os << c.name; }

class HexFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(HexFormat, WritesFixedWidthUpperCase) {
  const FormatCase &c = GetParam();
  EXPECT_EQ(common::hex::Text(c.value, c.digits), QLatin1String(c.text));
  QByteArray bytes("x");
  common::hex::Append(bytes, c.value, c.digits);
  EXPECT_EQ(bytes, QByteArray("x") + c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, HexFormat,
                         ::testing::Values(FormatCase{"PaddedWithZeros", 0x3A, 4, "003A"},
                                           FormatCase{"Letters", 0xABCDEF, 6, "ABCDEF"},
                                           FormatCase{"HighNibblesDropped", 0x1234, 2, "34"},
                                           FormatCase{"OneDigit", 0xF, 1, "F"},
                                           FormatCase{"EightDigits", 0x89ABCDEF, 8, "89ABCDEF"},
                                           FormatCase{"NoDigits", 0x12, 0, ""}),
                         [](const auto &testCase) { return std::string(testCase.param.name); });

class HexAtLeast : public ::testing::TestWithParam<FormatCase> {};

TEST_P(HexAtLeast, PadsButNeverDropsDigits) {
  const FormatCase &c = GetParam();
  EXPECT_EQ(common::hex::AtLeast(c.value, c.digits), QLatin1String(c.text));
}

INSTANTIATE_TEST_SUITE_P(Cases, HexAtLeast,
                         ::testing::Values(FormatCase{"PaddedWithZeros", 0x3A, 4, "003A"},
                                           FormatCase{"WiderValueKeepsAllDigits", 0x1ABCD, 4,
                                                      "1ABCD"},
                                           FormatCase{"ZeroIsOneDigit", 0, 0, "0"},
                                           FormatCase{"ZeroPadded", 0, 6, "000000"},
                                           FormatCase{"FullWidth", 0xF0000000, 2, "F0000000"},
                                           FormatCase{"ExactWidth", 0xBEEF, 4, "BEEF"}),
                         [](const auto &testCase) { return std::string(testCase.param.name); });

} // namespace
