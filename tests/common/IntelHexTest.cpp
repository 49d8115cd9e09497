#include "common/IntelHex.h"

#include <QList>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace common::ihex;

// The loader's rules and the ISP programmer's rules, as their readers use them.
const DecodePolicy kLenient{true, false, TypeBit(kData) | TypeBit(kEnd), true};
const DecodePolicy kStrictTypeFirst{false, true, TypeBit(kData) | TypeBit(kSegment), false};
const DecodePolicy kStrict{};

std::vector<std::uint8_t> Pattern(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  std::uint32_t x = 0x9E3779B9;
  for (auto &b : v) {
    x = x * 1664525 + 1013904223;
    b = std::uint8_t(x >> 24);
  }
  return v;
}

TEST(IntelHexEncode, SixteenFFBytesAtAddress10) {
  const std::vector<std::uint8_t> ff(16, 0xFF);
  QByteArray line;
  AppendDataRecord(line, 0x0010, ff);
  EXPECT_EQ(line, ":10001000" + QByteArray(32, 'F') + "F0");
}

TEST(IntelHexEncode, WholeRecordsThenTheRestThenTheEndRecord) {
  const auto image = Pattern(20);
  const QList<QByteArray> lines = Encode(image).split('\n');
  ASSERT_EQ(lines.size(), 4); // three lines and what follows the last line end
  EXPECT_TRUE(lines[0].startsWith(":10000000")) << lines[0].constData();
  EXPECT_TRUE(lines[1].startsWith(":04001000")) << lines[1].constData();
  EXPECT_EQ(lines[1].size(), 1 + 8 + 8 + 2 + 1);
  EXPECT_EQ(lines[2], ":00000001FF\r");
  EXPECT_EQ(lines[3], "");
}

TEST(IntelHexEncode, EmptyImageIsTheEndRecordAlone) {
  EXPECT_EQ(Encode({}), ":00000001FF\r\n");
  EXPECT_EQ(Encode({}, "\n"), ":00000001FF\n");
}

TEST(IntelHexEncode, FullImageDecodesBackByteForByte) {
  const auto image = Pattern(0x10000);
  std::vector<std::uint8_t> back(image.size(), 0);
  int records = 0;
  for (const QByteArray &line : Encode(image).split('\n')) {
    const QByteArray text = line.trimmed();
    if (text.isEmpty())
      continue;
    const Record r = Decode(text, kStrict);
    ASSERT_EQ(r.status, Status::Decoded) << text.constData();
    ASSERT_TRUE(r.checksumOk) << text.constData();
    if (r.type != kData)
      continue;
    ++records;
    for (qsizetype i = 0; i < r.data.size(); ++i)
      back[r.address + std::size_t(i)] = std::uint8_t(r.data[i]);
  }
  EXPECT_EQ(records, 4096);
  EXPECT_EQ(back, image);
}

TEST(IntelHexDecode, DataRecordFieldsAndChecksum) {
  const Record r = Decode(":0300300002337A1E", kStrict);
  ASSERT_EQ(r.status, Status::Decoded);
  EXPECT_EQ(r.type, kData);
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.address, 0x0030);
  EXPECT_EQ(r.data, QByteArray("\x02\x33\x7A", 3));
  EXPECT_TRUE(r.checksumOk);
  EXPECT_FALSE(Decode(":0300300002337A1F", kStrict).checksumOk);
  EXPECT_TRUE(Decode(":0300300002337a1e", kStrict).checksumOk);
}

TEST(IntelHexDecode, AddressRecordValue) {
  const Record r = Decode(":020000021000EC", kStrict);
  ASSERT_EQ(r.status, Status::Decoded);
  EXPECT_TRUE(r.checksumOk);
  EXPECT_EQ(r.type, kSegment);
  EXPECT_EQ(r.value(), 0x1000);
  EXPECT_EQ(Decode(":0100000210ED", kStrict).value(), 0); // not two bytes
}

struct PolicyCase {
  const char *name;
  const char *line;
  const DecodePolicy *policy;
  Status status;
  std::uint8_t type;
  const char *badField; // with BadField
  bool cutShort;
};

void PrintTo(const PolicyCase &c, std::ostream *os) { *os << c.name; }

class IntelHexPolicy : public ::testing::TestWithParam<PolicyCase> {};

TEST_P(IntelHexPolicy, DecodesAsItsRulesSay) {
  const PolicyCase &c = GetParam();
  const Record r = Decode(c.line, *c.policy);
  ASSERT_EQ(r.status, c.status) << c.line;
  if (c.status == Status::BadField) {
    EXPECT_EQ(r.badField, QByteArray(c.badField));
    EXPECT_EQ(r.cutShort, c.cutShort);
  } else {
    EXPECT_EQ(r.type, c.type);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntelHexPolicy,
    ::testing::Values(
        // A cut-off field: read as far as it goes, or refused.
        PolicyCase{"LenientReadsCutOffChecksum", ":000000010", &kLenient, Status::Decoded, kEnd},
        PolicyCase{"StrictRefusesCutOffField", ":00000001F", &kStrict, Status::BadField, 0, "F",
                   true},
        PolicyCase{"LenientRefusesMissingField", ":000000", &kLenient, Status::BadField, 0, "",
                   true},
        PolicyCase{"NotHexNamesTheField", ":0G00000000", &kStrict, Status::BadField, 0, "0G",
                   false},
        PolicyCase{"NotHexInData", ":010000000Z00", &kStrict, Status::BadField, 0, "0Z", false},
        // The type first: other records are passed over unread.
        PolicyCase{"TypeFirstSkipsEndUnread", ":ZZZZZZ01", &kStrictTypeFirst, Status::Skipped,
                   kEnd},
        PolicyCase{"TypeFirstSkipsLinearUnread", ":XX00000400", &kStrictTypeFirst, Status::Skipped,
                   kLinear},
        PolicyCase{"CountFirstRefusesBadCount", ":ZZ00000400", &kLenient, Status::BadField, 0, "ZZ",
                   false},
        PolicyCase{"LenientSkipsLinearAfterItsHeader", ":020000040001F9", &kLenient,
                   Status::Skipped, kLinear},
        // The loader's end record has its checksum right after the type.
        PolicyCase{"EndRecordIgnoresCount", ":02000001FD", &kLenient, Status::Decoded, kEnd},
        PolicyCase{"EndRecordWithCountWantsData", ":02000001FD", &kStrict, Status::BadField, 0, "",
                   true}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

TEST(IntelHexDecode, EndRecordWithoutDataChecksTheSumOverTheHeader) {
  EXPECT_TRUE(Decode(":02000001FD", kLenient).checksumOk);
  EXPECT_FALSE(Decode(":02000001FF", kLenient).checksumOk);
}

} // namespace
