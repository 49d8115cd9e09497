#include "orvane/hexview/HexSearch.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

#include <limits>
#include <random>
#include <string>
#include <vector>

namespace orvane::hexview {
namespace {

const std::uint8_t *bytesOf(const std::string &s) {
  return reinterpret_cast<const std::uint8_t *>(s.data());
}

qint64 find(const std::string &data, const std::string &pattern, qint64 start, qint64 end,
            bool ignoreCase) {
  return FindPattern(bytesOf(data), static_cast<qint64>(data.size()), bytesOf(pattern),
                     static_cast<qint64>(pattern.size()), start, end, ignoreCase);
}

constexpr qint64 kLargest = std::numeric_limits<qint64>::max();

struct FindCase {
  const char *name;
  std::string data;
  std::string pattern;
  qint64 start;
  qint64 end;
  bool ignoreCase;
  qint64 expected;
};

constexpr qint64 kMaxOffset = std::numeric_limits<qint64>::max();
constexpr qint64 kMinOffset = std::numeric_limits<qint64>::min();

void PrintTo(const FindCase &c, std::ostream *out) { *out << c.name; }

class FindPatternCases : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindPatternCases, FindsFirstMatchInsideTheRange) {
  const FindCase &c = GetParam();
  EXPECT_EQ(find(c.data, c.pattern, c.start, c.end, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Search, FindPatternCases,
    ::testing::Values(
        FindCase{"AtStart", "abcabc", "abc", 0, 5, false, 0},
        FindCase{"NextAfterStart", "abcabc", "abc", 1, 5, false, 3},
        FindCase{"MatchEndingOnEnd", "xxxab", "ab", 0, 4, false, 3},
        FindCase{"MatchPassingEnd", "xxxab", "ab", 0, 3, false, -1},
        FindCase{"StartPastLastFit", "xxxab", "ab", 4, 4, false, -1},
        FindCase{"EndLimitedToData", "xxxab", "ab", 0, 1000, false, 3},
        FindCase{"ZeroLength", "abc", "", 0, 2, false, -1},
        FindCase{"PatternLongerThanData", "ab", "abc", 0, 1, false, -1},
        FindCase{"NegativeStartFromZero", "abc", "a", -5, 2, false, 0},
        FindCase{"StartNearLargestPosition", "abcabc", "bc", kLargest - 1, 5, false, -1},
        FindCase{"StartNearLargestPositionFolded", "abcabc", "bc", kLargest - 1, kLargest, true,
                 -1},
        FindCase{"StartPastEnd", "abcabc", "c", 4, 3, false, -1},
        FindCase{"CaseMatters", "xABx", "ab", 0, 3, false, -1},
        FindCase{"FoldedUpper", "xxABx", "ab", 0, 4, true, 2},
        FindCase{"FoldedMixed", "xAbx", "ab", 0, 3, true, 1},
        FindCase{"FoldedLower", "xxxab", "ab", 0, 4, true, 3},
        FindCase{"UnpreparedUpperFindsNothing", "AB Ab ab", "AB", 0, 7, true, -1},
        FindCase{"FoldedNonLetters", "12-34", "-3", 0, 4, true, 2},
        FindCase{"FoldedAccentedLetter", "x\xC4\xD6", "\xE4\xF6", 0, 2, true, 1},
        FindCase{"FoldedCodePageExtra", "ab\x8A", "\x9A", 0, 2, true, 2},
        FindCase{"AllSameBytes", std::string(10, '\xFF'), "\xFF\xFF", 2, 9, false, 2},
        // Limits at the ends of the offset range find nothing and overflow nothing.
        FindCase{"StartAtLargestOffset", "abc", "bc", kMaxOffset, kMaxOffset, false, -1},
        FindCase{"FoldedStartAtLargestOffset", "abc", "bc", kMaxOffset, kMaxOffset, true, -1},
        FindCase{"EndAtSmallestOffset", "abc", "a", 0, kMinOffset, false, -1},
        FindCase{"StartAtSmallestOffset", "abc", "bc", kMinOffset, kMaxOffset, false, 1}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

// The fast paths must agree with the plain byte-by-byte scan everywhere,
// including around the 64-byte blocks of the folded scan.
TEST(FindPattern, AgreesWithPlainScanOnRandomData) {
  std::mt19937 random(1234);
  const std::string alphabet = "aAbB\x8A\x9A\xFF";
  const auto &lower = [](std::uint8_t b) -> std::uint8_t {
    if (b >= 'A' && b <= 'Z')
      return static_cast<std::uint8_t>(b + 32);
    return b == 0x8A ? 0x9A : b;
  };
  for (int round = 0; round < 300; ++round) {
    std::string data(static_cast<std::size_t>(random() % 300), ' ');
    for (char &c : data)
      c = alphabet[random() % alphabet.size()];
    std::string pattern(static_cast<std::size_t>(1 + random() % 4), ' ');
    for (char &c : pattern)
      c = alphabet[random() % alphabet.size()];
    const bool ignoreCase = round % 2 == 1;
    const qint64 size = static_cast<qint64>(data.size());
    const qint64 start = size ? static_cast<qint64>(random() % size) : 0;
    const qint64 end = size ? static_cast<qint64>(random() % size) : 0;

    qint64 expected = -1;
    const qint64 length = static_cast<qint64>(pattern.size());
    for (qint64 p = start; expected < 0 && p + length - 1 <= end; ++p) {
      bool match = true;
      for (qint64 i = 0; i < length && match; ++i) {
        const auto b = static_cast<std::uint8_t>(data[static_cast<std::size_t>(p + i)]);
        match = (ignoreCase ? lower(b) : b) == static_cast<std::uint8_t>(pattern[i]);
      }
      if (match)
        expected = p;
    }
    ASSERT_EQ(find(data, pattern, start, end, ignoreCase), expected)
        << "round " << round << " start " << start << " end " << end;
  }
}

TEST(PrepareSearch, LowerCasesOnlyWhenAsked) {
  const QByteArray text("AbZ\xC4\x8A\x9F-1");
  EXPECT_EQ(PrepareSearch(text, true, true), QByteArray("abz\xE4\x9A\xFF-1"));
  EXPECT_EQ(PrepareSearch(text, false, true), text);
  EXPECT_EQ(PrepareSearch(QByteArray(), true, true), QByteArray());
}

TEST(PrepareSearch, PreparedPatternFindsEveryCase) {
  const std::string data = "AB Ab ab";
  const QByteArray pattern = PrepareSearch("AB", true, true);
  const std::string p = pattern.toStdString();
  EXPECT_EQ(find(data, p, 0, 7, true), 0);
  EXPECT_EQ(find(data, p, 1, 7, true), 3);
  EXPECT_EQ(find(data, p, 4, 7, true), 6);
}

struct HexTextCase {
  const char *name;
  QString text;
  bool swap;
  QByteArray expected;
};

void PrintTo(const HexTextCase &c, std::ostream *out) { *out << c.name; }

class HexTextCases : public ::testing::TestWithParam<HexTextCase> {};

TEST_P(HexTextCases, TakesDigitPairs) {
  const HexTextCase &c = GetParam();
  EXPECT_EQ(HexTextToBytes(c.text, c.swap).toHex(' '), c.expected.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Search, HexTextCases,
    ::testing::Values(HexTextCase{"SeparatorsSkipped", "41 42-43", false, "\x41\x42\x43"},
                      HexTextCase{"NoCompletePair", "G1", false, ""},
                      HexTextCase{"Empty", "", false, ""},
                      HexTextCase{"LastDigitDropped", "abc", false, "\xAB"},
                      HexTextCase{"MixedCase", "fFaA", false, "\xFF\xAA"},
                      HexTextCase{"PairAcrossJunk", "4zz1", false, "\x41"},
                      HexTextCase{"SwappedNibbles", "12 f0", true, "\x21\x0F"}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

} // namespace
} // namespace orvane::hexview
