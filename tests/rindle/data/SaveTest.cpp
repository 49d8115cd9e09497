#include "DataTestSupport.h"

#include "rindle/data/FileTexts.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace rindle::testing;
namespace files = rindle::files;

namespace {

enum class Writer { ProgramHex, ProgramBin, Rom, EepromHex, EepromBin };

QString Save(Writer writer, const rindle::IspBuffer &buffer, std::int64_t flash,
             std::int64_t eeprom, const QString &name) {
  switch (writer) {
  case Writer::ProgramHex: return files::SaveProgramHex(buffer.all(), flash, name);
  case Writer::ProgramBin: return files::SaveProgramBin(buffer.all(), flash, name);
  case Writer::Rom: return files::SaveProgramRom(buffer.all(), flash, name);
  case Writer::EepromHex: return files::SaveEepromHex(buffer.all(), flash, eeprom, name);
  case Writer::EepromBin: return files::SaveEepromBin(buffer.all(), flash, eeprom, name);
  }
  return {};
}

Reader ReaderOf(Writer writer) {
  switch (writer) {
  case Writer::ProgramHex: return Reader::ProgramHex;
  case Writer::ProgramBin: return Reader::ProgramBin;
  case Writer::Rom: return Reader::Rom;
  case Writer::EepromHex: return Reader::EepromHex;
  case Writer::EepromBin: break;
  }
  return Reader::EepromBin;
}

bool IsEeprom(Writer w) { return w == Writer::EepromHex || w == Writer::EepromBin; }

QList<QByteArray> SplitCrLf(const QByteArray &text) {
  EXPECT_TRUE(text.endsWith("\r\n"));
  auto lines = text.split('\n');
  lines.removeLast();
  for (auto &l : lines) {
    EXPECT_TRUE(l.endsWith('\r'));
    l.chop(1);
  }
  return lines;
}

const char *const kBlankRecord0 = ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00";

} // namespace

using Saves = BufferTest;

TEST_F(Saves, At89S51FlashAsHexIs256RecordsAndTheEndLine) {
  buffer.cells[0x30] = 0x02;
  buffer.cells[0x31] = 0x33;
  buffer.cells[0x32] = 0x7A;
  buffer.cells[4096] = 0x00; // EEPROM side: not part of the flash file
  ASSERT_EQ(files::SaveProgramHex(buffer.all(), 4096, path("s51.hex")), files::kOk);
  const auto lines = SplitCrLf(ReadAll(path("s51.hex")));
  ASSERT_EQ(lines.size(), 257);
  EXPECT_EQ(lines[0], kBlankRecord0);
  EXPECT_EQ(lines[3], ":1000300002337AFFFFFFFFFFFFFFFFFFFFFFFFFF1E");
  EXPECT_EQ(lines[255], ":100FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01");
  EXPECT_EQ(lines[256], ":00000001FF");
}

TEST_F(Saves, At89S51FlashAsRomIs2048Words) {
  buffer.cells[0x20] = 0x34;
  buffer.cells[0x21] = 0x12;
  buffer.cells[0xFFE] = 0xab;
  ASSERT_EQ(files::SaveProgramRom(buffer.all(), 4096, path("s51.rom")), files::kOk);
  const auto lines = SplitCrLf(ReadAll(path("s51.rom")));
  ASSERT_EQ(lines.size(), 2048);
  EXPECT_EQ(lines[0], "000000:FFFF");
  EXPECT_EQ(lines[0x10], "000010:1234");
  EXPECT_EQ(lines[2047], "0007FF:FFAB");
}

TEST_F(Saves, ATtiny13EepromAsBinaryIs64Bytes) {
  FillPattern(buffer.all(), 13);
  ASSERT_EQ(files::SaveEepromBin(buffer.all(), 1024, 64, path("t13.bin")), files::kOk);
  const QByteArray expected(reinterpret_cast<const char *>(buffer.cells.data()) + 1024, 64);
  EXPECT_EQ(ReadAll(path("t13.bin")), expected);
}

TEST_F(Saves, EveryFormatReadsBackWhatItWrote) {
  struct RoundTrip {
    const char *device;
    Writer writer;
    std::int64_t flash, eeprom;
  };
  const std::vector<RoundTrip> cases = {
      {"MEGA64 flash as HEX", Writer::ProgramHex, 65536, 2048},
      {"AT89S51 flash as HEX", Writer::ProgramHex, 4096, 0},
      {"MEGA128 flash as BIN", Writer::ProgramBin, 131072, 4096},
      {"MEGA128 flash as ROM", Writer::Rom, 131072, 4096},
      {"MEGA128 EEPROM as HEX", Writer::EepromHex, 131072, 4096},
      {"MEGA128 EEPROM as BIN", Writer::EepromBin, 131072, 4096},
      {"AT89S8253 EEPROM and user signature as HEX", Writer::EepromHex, 12288, 2112},
      {"AT89S8253 EEPROM and user signature as BIN", Writer::EepromBin, 12288, 2112},
      {"ATtiny13 EEPROM as HEX", Writer::EepromHex, 1024, 64},
  };
  rindle::IspBuffer source;
  FillPattern(source.all(), 0x5EED);
  for (const auto &c : cases) {
    const QString name = path(QString::fromLatin1(c.device));
    ASSERT_EQ(Save(c.writer, source, c.flash, c.eeprom, name), files::kOk) << c.device;
    rindle::IspBuffer back;
    EXPECT_EQ(Load(ReaderOf(c.writer), back, c.flash, name), files::kOk) << c.device;
    const std::size_t start = IsEeprom(c.writer) ? std::size_t(c.flash) : 0;
    const std::size_t size = std::size_t(IsEeprom(c.writer) ? c.eeprom : c.flash);
    Cells expected;
    for (std::size_t i = start; i < start + size; ++i)
      expected.push_back({i, source.cells[i]});
    ExpectOnly(back, expected, c.device);
  }
}

TEST_F(Saves, HexAbove64KiBIsRefusedAndWritesNothing) {
  EXPECT_EQ(files::SaveProgramHex(buffer.all(), 131072, path("m128.hex")), files::kHexTooLarge);
  EXPECT_FALSE(QFileInfo::exists(path("m128.hex")));
}

TEST_F(Saves, AreasOutsideTheBufferAreRefused) {
  const struct {
    Writer writer;
    std::int64_t flash, eeprom;
  } cases[] = {
      {Writer::ProgramBin, 200000, 0}, {Writer::Rom, -2, 0},
      {Writer::ProgramHex, -16, 0},    {Writer::EepromBin, 131072, 8192},
      {Writer::EepromHex, 135168, 16}, {Writer::EepromBin, -1, 64},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Save(c.writer, buffer, c.flash, c.eeprom, path("x")), files::kAddressOutOfRange);
    EXPECT_FALSE(QFileInfo::exists(path("x")));
  }
}

TEST_F(Saves, UncreatableFilesAreCreateErrorsAndKeepTheOldFile) {
  const QString readOnly = file("old.bin", "previous");
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
  for (const auto writer : {Writer::ProgramHex, Writer::ProgramBin, Writer::Rom, Writer::EepromHex,
                            Writer::EepromBin}) {
    EXPECT_EQ(Save(writer, buffer, 1024, 64, path("no/such/folder/x")), files::kFileCreateError);
    if (::geteuid() != 0) { // root may write anything
      EXPECT_EQ(Save(writer, buffer, 1024, 64, readOnly), files::kFileCreateError);
    }
    EXPECT_EQ(ReadAll(readOnly), "previous");
  }
}

TEST_F(Saves, AFailedWriteKeepsThePreviousFile) {
  // A file size limit makes the write fail the way a full disk does.
  const QString name = file("keep.bin", "previous contents");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  QStringList results;
  for (const auto writer : {Writer::ProgramHex, Writer::ProgramBin, Writer::Rom})
    results << Save(writer, buffer, 8192, 0, name);
  results << Save(Writer::EepromBin, buffer, 0, 4096, name);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, SIG_DFL);

  for (const auto &r : results)
    EXPECT_EQ(r, files::kFileWriteError);
  EXPECT_EQ(ReadAll(name), "previous contents");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.bin"});
}
