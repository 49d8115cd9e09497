#include "orvane/core/IniFile.h"
#include "orvane/core/LoaderCore.h"

#include "TestFiles.h"
#include "common/testing/ScriptedPrompter.h"
#include "tests/CaseName.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::fixture;
using test::readAll;
using test::Scratch;
using test::writeAll;

bool allFF(const LoaderBuffer &b, int from, int to) {
  return std::all_of(b.ImageArea.begin() + from, b.ImageArea.begin() + to,
                     [](std::uint8_t v) { return v == 0xFF; });
}

class HexLoad : public testing::Test {
protected:
  HexLoad() : core(s.path("orvane"), prompter) {}

  Scratch s;
  common::ScriptedPrompter prompter;
  LoaderCore core;
};

struct FileCase {
  const char *file;
  const char *label;
  std::vector<int> errorLines;
};

void PrintTo(const FileCase &c, std::ostream *os) { *os << c.file; }

class HexFixture : public HexLoad, public testing::WithParamInterface<FileCase> {};

TEST_P(HexFixture, LoadsWithLabelAndMessages) {
  const FileCase c = GetParam();
  EXPECT_TRUE(core.LoadFileToBuffer(fixture(QString::fromLatin1(c.file))));
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QString::fromLatin1(c.label));
  QStringList expected;
  for (int line : c.errorLines)
    expected << QStringLiteral("Error in HEX file at line %1 Ignoring this line.").arg(line);
  EXPECT_EQ(prompter.messages(), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, HexFixture,
                         testing::Values(FileCase{"eof_only.hex", "0 bytes", {}},
                                         FileCase{"one_byte_at_zero.hex", "0 bytes", {}},
                                         FileCase{"range_0000_07FF.hex", "2048 bytes", {}},
                                         FileCase{"only_1000_100F.hex", "4112 bytes", {}},
                                         FileCase{"extended_zero.hex", "34 bytes", {}},
                                         FileCase{"later_wins.hex", "260 bytes", {}},
                                         FileCase{"upper_case.hex", "2741 bytes", {}},
                                         FileCase{"lower_case.hex", "2741 bytes", {}},
                                         FileCase{"bad_checksum.hex", "49 bytes", {2}},
                                         FileCase{"after_end_record.hex", "513 bytes", {}},
                                         FileCase{"past_end.hex", "65536 bytes", {1}}),
                         [](const auto &p) { return testnames::caseName(p.param.file); });

TEST_F(HexLoad, BytesLandWhereTheRecordsSay) {
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("eof_only.hex")));
  EXPECT_TRUE(allFF(core.buffer, 0, kImageSize));
  EXPECT_EQ(core.buffer.BytesLoaded, 0);

  ASSERT_TRUE(core.LoadFileToBuffer(fixture("one_byte_at_zero.hex")));
  EXPECT_EQ(core.buffer.ImageArea[0], 0x55);
  EXPECT_EQ(core.buffer.BytesLoaded, 0);

  ASSERT_TRUE(core.LoadFileToBuffer(fixture("range_0000_07FF.hex")));
  for (int a = 0; a < 0x800; ++a)
    ASSERT_EQ(core.buffer.ImageArea[static_cast<std::size_t>(a)], (a * 7 + 3) & 0xFF) << a;
  EXPECT_TRUE(allFF(core.buffer, 0x800, kImageSize));

  ASSERT_TRUE(core.LoadFileToBuffer(fixture("only_1000_100F.hex")));
  EXPECT_TRUE(allFF(core.buffer, 0, 0x1000));
  EXPECT_EQ(core.buffer.ImageArea[0x1000], 0xA0);
  EXPECT_EQ(core.buffer.ImageArea[0x100F], 0xAF);
  EXPECT_EQ(core.buffer.BytesLoaded, 4112);

  // Each load starts its count afresh, also after a larger image.
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("extended_zero.hex")));
  EXPECT_EQ(core.buffer.BytesLoaded, 34);
  EXPECT_EQ(core.buffer.ImageArea[0x10], 0x11);
  EXPECT_EQ(core.buffer.ImageArea[0x13], 0x44);
  EXPECT_EQ(core.buffer.ImageArea[0x21], 0x66);
  EXPECT_TRUE(allFF(core.buffer, 0x22, kImageSize));

  ASSERT_TRUE(core.LoadFileToBuffer(fixture("later_wins.hex")));
  EXPECT_EQ(core.buffer.ImageArea[0x101], 0x02);
  EXPECT_EQ(core.buffer.ImageArea[0x102], 0xEE);
  EXPECT_EQ(core.buffer.ImageArea[0x103], 0x04);

  ASSERT_TRUE(core.LoadFileToBuffer(fixture("upper_case.hex")));
  const auto upper = core.buffer.ImageArea;
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("lower_case.hex")));
  EXPECT_EQ(core.buffer.ImageArea, upper);
  EXPECT_EQ(core.buffer.ImageArea[0xAB4], 0xCE);

  ASSERT_TRUE(core.LoadFileToBuffer(fixture("bad_checksum.hex")));
  EXPECT_TRUE(allFF(core.buffer, 0x20, 0x23));
  EXPECT_EQ(core.buffer.ImageArea[0x30], 0xC3);

  // The record running past 0xFFFF stores nothing, not even its first bytes.
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("past_end.hex")));
  EXPECT_TRUE(std::all_of(core.buffer.ImageArea.begin() + 0xFFF0, core.buffer.ImageArea.end(),
                          [](std::uint8_t v) { return v == 0x5A; }));
}

TEST_F(HexLoad, ToolchainOutputLoadsByteForByte) {
  const QByteArray bin = readAll(fixture("sdcc/blink.bin"));
  ASSERT_GT(bin.size(), 100);
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("sdcc/blink.ihx")));
  EXPECT_TRUE(prompter.messages().isEmpty());
  EXPECT_EQ(core.buffer.BytesLoaded, bin.size());
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(core.buffer.ImageArea.data()), bin.size()),
            bin);
  EXPECT_TRUE(allFF(core.buffer, static_cast<int>(bin.size()), kImageSize));
}

TEST_F(HexLoad, DataPast64KiBStopsTheLoad) {
  // The first line lifts the data after it to 0x10010: nothing is folded
  // onto the bottom of the image.
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("range_0000_07FF.hex")));
  ASSERT_TRUE(core.ImageComplete());
  EXPECT_FALSE(core.LoadFileToBuffer(fixture("extended_address.hex")));
  EXPECT_FALSE(core.ImageComplete());
  EXPECT_EQ(prompter.messages(),
            QStringList{"Error in HEX file at line 1: the file holds data beyond the 64 KiB "
                        "buffer. Loading stopped at this line."});
  EXPECT_TRUE(allFF(core.buffer, 0, kImageSize));
  EXPECT_EQ(core.buffer.BytesLoaded, 0);
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QStringLiteral("0 bytes"));
}

TEST_F(HexLoad, ImageLargerThan64KiBKeepsItsFirst64KiB) {
  // A toolchain's ATmega128 image: 74,042 bytes, a segment record at line
  // 4096 (from 0) and the rest above it, from line 4097 on.
  const QString dir = QStringLiteral(SUITE_SOURCE_DIR "/tests/rindle/data/fixtures/toolchain/");
  const QByteArray bin = readAll(dir + "table_m128.bin");
  ASSERT_GT(bin.size(), kImageSize);
  EXPECT_FALSE(core.LoadFileToBuffer(dir + "table_m128.hex"));
  EXPECT_EQ(prompter.messages(),
            QStringList{"Error in HEX file at line 4097: the file holds data beyond the 64 KiB "
                        "buffer. Loading stopped at this line."});
  EXPECT_FALSE(core.ImageComplete());
  EXPECT_EQ(core.buffer.BytesLoaded, kImageSize);
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QStringLiteral("65536 bytes"));
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(core.buffer.ImageArea.data()), kImageSize),
            bin.first(kImageSize));
}

// Address records whose base keeps the data inside 64 KiB load whole: a
// segment of 0x0800 puts the records' address 0 at 0x8000, a linear record
// of 0 changes nothing.
TEST_F(HexLoad, AddressRecordsWithinTheImageAreHonoured) {
  writeAll(s.path("based.hex"), ":020000040000FA\r\n:0100000011EE\r\n"
                                ":020000020800F4\r\n:020000005A5A4A\r\n"
                                ":021000005A5A3A\r\n:00000001FF\r\n");
  EXPECT_FALSE(core.LoadFileToBuffer(fixture("extended_address.hex")));
  ASSERT_FALSE(core.ImageComplete());
  prompter.shown.clear();
  ASSERT_TRUE(core.LoadFileToBuffer(s.path("based.hex")));
  EXPECT_TRUE(prompter.messages().isEmpty());
  EXPECT_TRUE(core.ImageComplete());
  EXPECT_EQ(core.buffer.ImageArea[0], 0x11);
  EXPECT_TRUE(allFF(core.buffer, 1, 0x8000));
  EXPECT_EQ(core.buffer.ImageArea[0x8000], 0x5A);
  EXPECT_EQ(core.buffer.ImageArea[0x8001], 0x5A);
  EXPECT_TRUE(allFF(core.buffer, 0x8002, 0x9000));
  EXPECT_EQ(core.buffer.ImageArea[0x9001], 0x5A);
  EXPECT_TRUE(allFF(core.buffer, 0x9002, kImageSize));
  EXPECT_EQ(core.buffer.BytesLoaded, 0x9002);
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QStringLiteral("36866 bytes"));
}

TEST_F(HexLoad, ByteOrderMarkDoesNotHideTheFirstRecord) {
  writeAll(s.path("bom.hex"), "\xEF\xBB\xBF:0100000055AA\r\n:010010006689\r\n:00000001FF\r\n");
  ASSERT_TRUE(core.LoadFileToBuffer(s.path("bom.hex")));
  EXPECT_TRUE(prompter.messages().isEmpty());
  EXPECT_EQ(core.buffer.ImageArea[0], 0x55);
  EXPECT_EQ(core.buffer.ImageArea[0x10], 0x66);
  EXPECT_EQ(core.buffer.BytesLoaded, 0x11);
}

TEST(HexLoadFromMemory, GivesWhatTheFileGives) {
  // The whole load without a file: the ATmega128 image as bytes.
  LoaderBuffer fromMemory;
  QStringList ignored;
  const QByteArray text = readAll(
      QStringLiteral(SUITE_SOURCE_DIR "/tests/rindle/data/fixtures/toolchain/table_m128.hex"));
  const HexLoadResult result =
      fromMemory.LoadHex(text, [&](const QString &message) { ignored << message; });
  EXPECT_EQ(result.end, HexLoadResult::End::BeyondImage);
  EXPECT_TRUE(result.message.contains(QStringLiteral("line 4097")));
  EXPECT_TRUE(ignored.isEmpty());
  EXPECT_EQ(fromMemory.BytesLoaded, kImageSize);

  const HexLoadResult bad = fromMemory.LoadHex(":0100000011EE\n:0100000011EF\n:0G\n:0100020033CA\n",
                                               [&](const QString &message) { ignored << message; });
  EXPECT_EQ(bad.end, HexLoadResult::End::NotANumber);
  EXPECT_EQ(bad.message, QStringLiteral("'$0G' is not a valid integer value."));
  EXPECT_EQ(ignored, QStringList{"Error in HEX file at line 1 Ignoring this line."});
  EXPECT_EQ(fromMemory.BytesLoaded, kImageSize); // the count of the load before
  EXPECT_EQ(fromMemory.ImageArea[0], 0x11);
  EXPECT_EQ(fromMemory.ImageArea[2], 0xFF);
}

TEST_F(HexLoad, SuccessfulLoadUpdatesFileAndLists) {
  const QString path = fixture("range_0000_07FF.hex");
  ASSERT_TRUE(core.LoadFileToBuffer(path));
  EXPECT_EQ(core.fileLabels.txtFileName, path);
  EXPECT_EQ(core.settings.LastFile, path);
  EXPECT_EQ(core.settings.LastDir, QFileInfo(path).absolutePath() + QStringLiteral("/"));
  EXPECT_EQ(core.fileLabels.lblModified, FormatFileDate(GetFileDate(path)));
  EXPECT_EQ(IniFile(core.paths.recentFiles()).readString(QStringLiteral("History Files"), "1"),
            path);
}

TEST_F(HexLoad, MissingFileChangesOnlyLastFileAndDate) {
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("range_0000_07FF.hex")));
  const auto image = core.buffer.ImageArea;
  const FileLabels before = core.fileLabels;
  EXPECT_TRUE(core.LoadFileToBuffer(s.path("gone.hex")));
  EXPECT_TRUE(core.settings.LastFile.isEmpty());
  EXPECT_TRUE(core.fileLabels.lblModified.isEmpty());
  EXPECT_EQ(core.fileLabels.txtFileName, before.txtFileName);
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QStringLiteral("2048 bytes"));
  EXPECT_EQ(core.buffer.BytesLoaded, 2048);
  EXPECT_EQ(core.buffer.ImageArea, image);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(HexLoad, LineCutShortStopsReading) {
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("range_0000_07FF.hex")));
  const QString path = fixture("cut_short.hex");
  EXPECT_FALSE(core.LoadFileToBuffer(path));
  EXPECT_EQ(prompter.messages(), QStringList{"'$' is not a valid integer value."});
  // Counters and their label are those of the load before.
  EXPECT_EQ(core.buffer.BytesLoaded, 2048);
  EXPECT_EQ(core.fileLabels.lblBytesLoaded, QStringLiteral("2048 bytes"));
  // The file is the current one and the buffer was reset before reading.
  EXPECT_EQ(core.settings.LastFile, path);
  EXPECT_EQ(core.fileLabels.txtFileName, path);
  EXPECT_EQ(core.buffer.ImageArea[0], 0x11);
  EXPECT_EQ(core.buffer.ImageArea[1], 0x22);
  EXPECT_TRUE(allFF(core.buffer, 2, kImageSize)); // nothing after the bad line
  // The old count over a part of the new file is no image for a chip.
  EXPECT_FALSE(core.ImageComplete());
}

TEST_F(HexLoad, LineBreaksOfAnyKindCountOnce) {
  writeAll(s.path("mixed.hex"), ":0100000011EE\r\n\r:02000001FF\n:0100050022D8\r");
  ASSERT_TRUE(core.LoadFileToBuffer(s.path("mixed.hex")));
  // Lines: 0 data, 1 empty, 2 bad end record, 3 data.
  EXPECT_EQ(prompter.messages(), QStringList{"Error in HEX file at line 2 Ignoring this line."});
  EXPECT_EQ(core.buffer.ImageArea[5], 0x22);
}

class HexSave : public HexLoad {
protected:
  QString target() { return s.path("out.hex"); }
  QByteArray saved() { return readAll(target() + QStringLiteral(".HEX")); }
};

TEST_F(HexSave, RightAfterLoadingOnlyTheEndRecord) {
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("range_0000_07FF.hex")));
  prompter.fileNames.push_back(target());
  ASSERT_TRUE(core.FileSave1Execute());
  EXPECT_EQ(saved(), QByteArray(":00000001FF\r\n"));
  EXPECT_FALSE(QFile::exists(target())); // the name as typed gets ".HEX"
}

TEST_F(HexSave, TransferCountTwenty) {
  ASSERT_TRUE(core.LoadFileToBuffer(fixture("range_0000_07FF.hex")));
  core.buffer.TransferCount = 20;
  prompter.fileNames.push_back(target());
  ASSERT_TRUE(core.FileSave1Execute());
  EXPECT_EQ(saved(), QByteArray(":10000000030A11181F262D343B424950575E656C78\r\n"
                                ":04001000737A8188F6\r\n"
                                ":00000001FF\r\n"));
}

TEST_F(HexSave, AfterReadingA4096ByteChip) {
  for (int i = 0; i < 4096; ++i)
    core.buffer.ImageArea[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i >> 4);
  core.buffer.TransferCount = 4096;
  prompter.fileNames.push_back(target());
  ASSERT_TRUE(core.FileSave1Execute());
  const QStringList lines =
      QString::fromLatin1(saved()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 257);
  EXPECT_EQ(lines[0], QStringLiteral(":1000000000000000000000000000000000000000F0"));
  EXPECT_EQ(lines[255], QStringLiteral(":100FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01"));
  EXPECT_EQ(lines[256], QStringLiteral(":00000001FF"));
  // Read back through the loader it gives the same bytes.
  ASSERT_TRUE(core.LoadFileToBuffer(target() + QStringLiteral(".HEX")));
  EXPECT_EQ(core.buffer.BytesLoaded, 4096);
  EXPECT_EQ(core.buffer.ImageArea[0xFF0], 0xFF);
  EXPECT_EQ(core.buffer.ImageArea[0x123], 0x12);
}

TEST_F(HexSave, ReplacesAnOldFileAndCancelWritesNothing) {
  writeAll(target() + QStringLiteral(".HEX"), QByteArray(5000, 'x'));
  prompter.fileNames.push_back(target());
  ASSERT_TRUE(core.FileSave1Execute());
  EXPECT_EQ(saved(), QByteArray(":00000001FF\r\n"));

  EXPECT_FALSE(core.FileSave1Execute()); // no name: cancelled
  EXPECT_EQ(prompter.shown.back().kind, common::ScriptedPrompter::Shown::Kind::SaveFile);
  EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(HexSave, FileThatCannotBeWrittenIsReported) {
  const QString bad = s.path("no/such/folder/out.hex");
  prompter.fileNames.push_back(bad);
  EXPECT_FALSE(core.FileSave1Execute());
  ASSERT_EQ(prompter.messages().size(), 1);
  EXPECT_TRUE(prompter.messages()[0].contains(bad + QStringLiteral(".HEX")));
  EXPECT_FALSE(QFile::exists(bad + QStringLiteral(".HEX")));
}

TEST(FileDate, RoundedDownToEvenSeconds) {
  Scratch s;
  const QString path = s.path("d.hex");
  writeAll(path, ":00000001FF\n");
  for (int second : {6, 7}) {
    const QDateTime when(QDate(2026, 12, 9), QTime(22, 44, second, 700));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    f.close();
    EXPECT_EQ(GetFileDate(path), QDateTime(QDate(2026, 12, 9), QTime(22, 44, 6))) << second;
  }
}

TEST(FileDate, Format) {
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  const std::pair<QDateTime, const char *> cases[] = {
      {QDateTime(QDate(2026, 12, 9), QTime(22, 44, 6)),
       "Wednesday, December 09, 2026, 10:44:06 pm"},
      {QDateTime(QDate(2024, 2, 29), QTime(0, 5, 0)), "Thursday, February 29, 2024, 12:05:00 am"},
      {QDateTime(QDate(2025, 7, 4), QTime(12, 0, 0)), "Friday, July 04, 2025, 12:00:00 pm"},
      {QDateTime(QDate(2025, 7, 14), QTime(9, 3, 4)), "Monday, July 14, 2025, 09:03:04 am"},
  };
  for (const auto &[when, text] : cases)
    EXPECT_EQ(FormatFileDate(when, english), QString::fromLatin1(text));
}

} // namespace
} // namespace orvane
