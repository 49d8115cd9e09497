#include "orvane/core/LoaderBuffer.h"

#include "TestFiles.h"
#include "tests/CaseName.h"
#include <QStringList>
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct LineCase {
  const char *line;
  int result;
  const char *conversionError; // "" when none
};

void PrintTo(const LineCase &c, std::ostream *os) { *os << "\"" << c.line << "\" -> " << c.result; }

class ProcessLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ProcessLineTest, Result) {
  LoaderBuffer b;
  b.FileBufferReset();
  const LineCase c = GetParam();
  QString error;
  EXPECT_EQ(b.ProcessLine(c.line, &error), c.result) << c.line;
  EXPECT_EQ(error, QString::fromLatin1(c.conversionError)) << c.line;
  if (c.result != kLineTaken) {
    // A line in error stores nothing.
    EXPECT_EQ(b.HighestAddress, 0);
    EXPECT_TRUE(
        std::all_of(b.ImageArea.begin(), b.ImageArea.end(), [](auto v) { return v == 0xFF; }));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessLineTest,
    testing::Values(
        // Not records.
        LineCase{"", kLineTaken, ""}, LineCase{"junk", kLineTaken, ""},
        LineCase{" :00000001FF", kLineTaken, ""},
        // End records: the checksum sits at characters 10-11 whatever the count.
        LineCase{":00000001FF", kLineTaken, ""}, LineCase{":00000001ff", kLineTaken, ""},
        LineCase{":02000001FD", kLineTaken, ""}, LineCase{":0000000100", kLineInError, ""},
        // Data records with a bad checksum, other record types.
        LineCase{":0100000055AB", kLineInError, ""},
        LineCase{":0400000300001234B3", kLineInError, ""},
        // Address records set where the data after them go: a sound one is
        // taken whatever its value; only data can lie beyond the image.
        LineCase{":020000020000FC", kLineTaken, ""}, LineCase{":020000040000FA", kLineTaken, ""},
        LineCase{":020000021000EC", kLineTaken, ""}, LineCase{":020000040001F9", kLineTaken, ""},
        LineCase{":020000021000ED", kLineInError, ""}, LineCase{":0100000210ED", kLineInError, ""},
        LineCase{":0200000210X0EC", kLineInError, ""},
        LineCase{":04000005000000CD2A", kLineInError, ""},
        // Past the end of the image: 0xFFF8 + 16 > 0x10000.
        LineCase{":10FFF800A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A9", kLineInError, ""},
        LineCase{":02FFFF001234BA", kLineInError, ""},
        // Fields that are not numbers; a field cut short is read as far as it goes.
        LineCase{":0G000000", kLineNotANumber, "'$0G' is not a valid integer value"},
        LineCase{":", kLineNotANumber, "'$' is not a valid integer value"},
        LineCase{":0", kLineNotANumber, "'$' is not a valid integer value"},
        LineCase{":01000", kLineNotANumber, "'$' is not a valid integer value"},
        LineCase{":01000000", kLineNotANumber, "'$' is not a valid integer value"},
        LineCase{":010000005", kLineNotANumber, "'$' is not a valid integer value"},
        LineCase{":01000000ZZ00", kLineNotANumber, "'$ZZ' is not a valid integer value"},
        LineCase{":00000001", kLineNotANumber, "'$' is not a valid integer value"},
        LineCase{":01 0000055AA", kLineNotANumber, "'$ 000' is not a valid integer value"},
        LineCase{":0100x00055AA", kLineNotANumber, "'$00x0' is not a valid integer value"}),
    // The line itself names the case; the place in the table tells apart lines
    // that differ only in characters a name cannot hold.
    [](const auto &p) {
      return std::to_string(p.index) + "_" + testnames::caseName(p.param.line);
    });

TEST(LoaderBuffer, StoresDataAndTracksTheHighestAddress) {
  LoaderBuffer b;
  b.FileBufferReset();
  EXPECT_EQ(b.ProcessLine(":0100000055AA"), kLineTaken);
  EXPECT_EQ(b.ImageArea[0], 0x55);
  EXPECT_EQ(b.HighestAddress, 0);
  EXPECT_EQ(b.ProcessLine(":03002000010203D7"), kLineTaken);
  EXPECT_EQ(b.HighestAddress, 0x22);
  // A lower record does not lower it; an empty data record changes nothing.
  EXPECT_EQ(b.ProcessLine(":0100100077"
                          "78"),
            kLineTaken);
  EXPECT_EQ(b.ProcessLine(":00004000C0"), kLineTaken);
  EXPECT_EQ(b.HighestAddress, 0x22);
  EXPECT_EQ(b.ImageArea[0x10], 0x77);
  EXPECT_EQ(b.ImageArea[0x20], 0x01);
  EXPECT_EQ(b.ImageArea[0x22], 0x03);
  EXPECT_EQ(b.ImageArea[0x23], 0xFF);
  // The record that ends exactly at the top of the image is taken.
  EXPECT_EQ(b.ProcessLine(":10FFF0005A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A61"), kLineTaken);
  EXPECT_EQ(b.HighestAddress, 0xFFFF);
  EXPECT_EQ(b.ImageArea[0xFFFF], 0x5A);
}

// The base of the last address record moves the data records after it: a
// segment (02) of 0x0800 puts address 0 at 0x8000, a linear one (04) of 1
// at 0x10000, beyond the image.
struct BaseCase {
  const char *name;
  std::vector<const char *> lines;
  std::vector<int> results;
  int firstStored; // where the last data record's first byte went; -1: none
  std::int32_t highest;
};
void PrintTo(const BaseCase &c, std::ostream *os) { *os << c.name; }
class AddressBaseTest : public testing::TestWithParam<BaseCase> {};

TEST_P(AddressBaseTest, DataGoesToBasePlusAddress) {
  const BaseCase &c = GetParam();
  LoaderBuffer b;
  b.FileBufferReset();
  std::vector<int> results;
  for (const char *line : c.lines)
    results.push_back(b.ProcessLine(line));
  EXPECT_EQ(results, c.results);
  EXPECT_EQ(b.HighestAddress, c.highest);
  const auto stored = std::find(b.ImageArea.begin(), b.ImageArea.end(), 0x5A);
  if (c.firstStored < 0)
    EXPECT_EQ(stored, b.ImageArea.end());
  else
    EXPECT_EQ(stored - b.ImageArea.begin(), c.firstStored);
}

INSTANTIATE_TEST_SUITE_P(
    Records, AddressBaseTest,
    testing::Values(
        BaseCase{"Segment0800", {":020000020800F4", ":020000005A5A4A"}, {0, 0}, 0x8000, 0x8001},
        BaseCase{
            "SegmentPlusAddress", {":020000020800F4", ":021000005A5A3A"}, {0, 0}, 0x9000, 0x9001},
        BaseCase{"LinearZero", {":020000040000FA", ":020010005A5A3A"}, {0, 0}, 0x10, 0x11},
        BaseCase{"LinearOne", {":020000040001F9", ":020000005A5A4A"}, {0, kLineBeyondImage}, -1, 0},
        // The last byte of the record would be 0x10000.
        BaseCase{"StraddlesTheTop",
                 {":020000020FFFEE", ":02000F005A5A3B"},
                 {0, kLineBeyondImage},
                 -1,
                 0},
        BaseCase{"EndsAtTheTop", {":020000020FFFEE", ":02000E005A5A3C"}, {0, 0}, 0xFFFE, 0xFFFF},
        // The highest base there is: no address wraps back into the image.
        BaseCase{"LinearFFFF", {":02000004FFFFFC", ":01FFFF005AA7"}, {0, kLineBeyondImage}, -1, 0},
        // A record without data stores nothing wherever its base puts it.
        BaseCase{"EmptyRecordAbove", {":020000040001F9", ":0000000000"}, {0, 0}, -1, 0},
        // A later base replaces the earlier one.
        BaseCase{"BaseReplaced",
                 {":020000040001F9", ":020000020000FC", ":020004005A5A46"},
                 {0, 0, 0},
                 4,
                 5},
        // A broken address record leaves the base as it was.
        BaseCase{"BrokenRecordKeepsTheBase",
                 {":020000020800F4", ":020000021000ED", ":020000005A5A4A"},
                 {0, kLineInError, 0},
                 0x8000,
                 0x8001}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(LoaderBuffer, ResetFillsBothAreas) {
  LoaderBuffer b;
  EXPECT_EQ(b.ImageArea[123], 0x00); // before the first load
  b.CopyArea[9] = 1;
  b.FileBufferReset();
  EXPECT_TRUE(
      std::all_of(b.ImageArea.begin(), b.ImageArea.end(), [](auto v) { return v == 0xFF; }));
  EXPECT_TRUE(std::all_of(b.CopyArea.begin(), b.CopyArea.end(), [](auto v) { return v == 0xFF; }));
}

TEST(Writeline, MatchesRecordsOfAnotherToolchain) {
  struct Case {
    int address;
    std::vector<std::uint8_t> bytes;
    const char *line;
  } cases[] = {
      {0x0000, {0x02, 0x00, 0x06}, ":03000000020006F5"},
      {0x009A, {0x75, 0x82, 0x00, 0x22}, ":04009A007582002249"},
      {0x009E,
       {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x81, 0x42, 0x24, 0x18, 0x24, 0x42, 0x81,
        0x00},
       ":10009E00010204081020408081422418244281006D"},
      {0x0010, std::vector<std::uint8_t>(16, 0xFF), ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0"},
      {0x1234, {}, ":00123400BA"},
      {0xFFFC, {0xDE, 0xAD, 0xBE, 0xEF}, ":04FFFC00DEADBEEFC9"},
  };
  for (const Case &c : cases) {
    LoaderBuffer b;
    std::copy(c.bytes.begin(), c.bytes.end(), b.ImageArea.begin() + c.address);
    EXPECT_EQ(writeline(c.address, static_cast<int>(c.bytes.size()), b.ImageArea),
              QString::fromLatin1(c.line));
  }
}

QStringList lines(const QByteArray &text) {
  EXPECT_TRUE(text.endsWith("\r\n"));
  return QString::fromLatin1(text.chopped(2)).split(QStringLiteral("\r\n"));
}

TEST(HexFileText, RecordsOfSixteenThenTheRestThenTheEnd) {
  LoaderBuffer b;
  for (int i = 0; i < kImageSize; ++i)
    b.ImageArea[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 13 + 5);

  EXPECT_EQ(lines(HexFileText(b.ImageArea, 0)), QStringList{":00000001FF"});
  EXPECT_EQ(
      lines(HexFileText(b.ImageArea, 20)),
      (QStringList{writeline(0, 16, b.ImageArea), writeline(16, 4, b.ImageArea), ":00000001FF"}));
  EXPECT_TRUE(lines(HexFileText(b.ImageArea, 20))[1].startsWith(QStringLiteral(":04001000")));

  const QStringList chip = lines(HexFileText(b.ImageArea, 4096));
  ASSERT_EQ(chip.size(), 257);
  EXPECT_TRUE(chip[255].startsWith(QStringLiteral(":100FF000")));
  EXPECT_EQ(chip[256], QStringLiteral(":00000001FF"));

  // A count beyond the image writes the image and no more.
  const QStringList all = lines(HexFileText(b.ImageArea, 70000));
  ASSERT_EQ(all.size(), 4097);
  EXPECT_TRUE(all[4095].startsWith(QStringLiteral(":10FFF000")));

  // What is written reads back to the same bytes.
  LoaderBuffer back;
  back.FileBufferReset();
  for (const QString &l : all)
    ASSERT_EQ(back.ProcessLine(l.toLatin1()), kLineTaken);
  EXPECT_EQ(back.ImageArea, b.ImageArea);
}

TEST(LoaderBuffer, SaveCountStaysWithinTheImage) {
  LoaderBuffer b;
  const std::pair<int, int> cases[] = {{0, 0}, {20, 20}, {65536, 65536}, {65537, 65536}, {-5, 0}};
  for (auto [count, expected] : cases) {
    b.TransferCount = count;
    EXPECT_EQ(b.SaveCount(), expected) << count;
  }
}

} // namespace
} // namespace orvane
