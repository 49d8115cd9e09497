// rindle-cli started as a process against the simulated chips. What reached
// a chip is read back from its state file through the simulator, never
// through the program under test.

#include <csignal>
#include <map>
#include <random>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "sim/isp/Bench.h"
#include "sim/isp/Chip.h"

namespace {

const QString kProgram = QStringLiteral(SUITE_BIN_DIR "/rindle-cli");

QString Elf(const QString &name) {
  return QStringLiteral(SUITE_SOURCE_DIR "/tests/rindle/data/fixtures/elf/") + name;
}

struct Result {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

// The bytes an Intel HEX file holds, by address.
std::map<std::uint32_t, std::uint8_t> HexBytes(const QString &path) {
  std::map<std::uint32_t, std::uint8_t> bytes;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  std::uint32_t upper = 0;
  for (const QByteArray &raw : file.readAll().split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.size() < 11 || line[0] != ':')
      continue;
    const QByteArray data = QByteArray::fromHex(line.mid(1));
    const int count = static_cast<std::uint8_t>(data[0]);
    const std::uint32_t address =
        (static_cast<std::uint8_t>(data[1]) << 8) | static_cast<std::uint8_t>(data[2]);
    const int type = static_cast<std::uint8_t>(data[3]);
    if (type == 0) {
      for (int i = 0; i < count; ++i)
        bytes[upper + address + static_cast<std::uint32_t>(i)] =
            static_cast<std::uint8_t>(data[4 + i]);
    } else if (type == 2) {
      upper = ((static_cast<std::uint8_t>(data[4]) << 8) | static_cast<std::uint8_t>(data[5])) << 4;
    } else if (type == 4) {
      upper = ((static_cast<std::uint8_t>(data[4]) << 8) | static_cast<std::uint8_t>(data[5]))
              << 16;
    }
  }
  return bytes;
}

QByteArray ReadFile(const QString &path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

void WriteFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray RandomBytes(qsizetype size, unsigned seed) {
  std::mt19937 random(seed);
  QByteArray bytes(size, '\0');
  for (char &b : bytes)
    b = static_cast<char>(random() & 0xFF);
  return bytes;
}

class RindleCli : public ::testing::Test {
protected:
  // Runs rindle-cli on the simulated chips of this test's own folder.
  Result run(QStringList args, bool simulate = true) {
    if (simulate)
      args.prepend(QStringLiteral("--no-delays"));
    QProcess process;
    start(process, args, simulate);
    EXPECT_TRUE(process.waitForFinished(120000)) << args.join(u' ').toStdString();
    Result r{process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    if (process.exitStatus() != QProcess::NormalExit)
      r.status = -2;
    return r;
  }

  // Starts rindle-cli on the simulated chips of this test's own folder, with
  // the waits of real hardware unless the arguments say --no-delays.
  void start(QProcess &process, const QStringList &args, bool simulate = true) {
    QStringList all{QStringLiteral("--settings"), dir.filePath(QStringLiteral("Rindle37.set"))};
    if (simulate)
      all << QStringLiteral("--simulate");
    all << args;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir.path());
    process.start(kProgram, all);
  }

  QString path(const QString &name) const { return dir.filePath(name); }

  QString stateFile(const QString &device) const {
    return dir.filePath(QStringLiteral("data/rindle/simulated-%1.chip").arg(device));
  }

  // The chip of `device` as its state file keeps it.
  std::unique_ptr<sim::isp::Bench> chip(const QString &device) {
    auto bench = std::make_unique<sim::isp::Bench>();
    const std::string problem = bench->loadState(stateFile(device).toStdString());
    EXPECT_EQ(problem, "") << device.toStdString();
    EXPECT_NE(bench->chip(), nullptr);
    return bench;
  }

  QTemporaryDir dir;
};

::testing::AssertionResult Status(const Result &r, int expected) {
  if (r.status == expected)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "exit status " << r.status << ", expected " << expected
         << "\nstdout: " << r.out.toStdString() << "\nstderr: " << r.err.toStdString();
}

// ---- Flash: program, verify, read back and compare, on four chips.

struct FlashCase {
  const char *device; // the list name, as the state file has it
  const char *part;   // as -p takes it
  qsizetype size;     // bytes of the image; 0: the fixture
  const char *fixture;
  const char *fileName;
};

void PrintTo(const FlashCase &c, std::ostream *os) { *os << c.device; }

class FlashRoundTrip : public RindleCli, public ::testing::WithParamInterface<FlashCase> {};

TEST_P(FlashRoundTrip, WrittenVerifiedAndReadBackAsTheFileHolds) {
  const FlashCase c = GetParam();
  std::map<std::uint32_t, std::uint8_t> expected;
  QString file;
  if (c.size == 0) {
    file = Elf(QLatin1String(c.fixture));
    expected = HexBytes(file);
  } else {
    // A full image but for its last page, where the page-mode chips keep a
    // copy of their calibration bytes.
    QByteArray image = RandomBytes(c.size, 7);
    image.replace(c.size - 256, 256, QByteArray(256, '\xFF'));
    file = path(QLatin1String(c.fileName));
    WriteFile(file, image);
    for (qsizetype i = 0; i < c.size - 256; ++i)
      expected[static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(image[i]);
  }
  ASSERT_GT(expected.size(), 100u);
  const QString part = QLatin1String(c.part);
  ASSERT_TRUE(Status(
      run({QStringLiteral("-p"), part, QStringLiteral("-U"), QStringLiteral("flash:w:") + file}),
      0));
  ASSERT_TRUE(Status(
      run({QStringLiteral("-p"), part, QStringLiteral("-U"), QStringLiteral("flash:v:") + file,
           QStringLiteral("-U"), QStringLiteral("flash:r:back.bin:r")}),
      0));
  const auto bench = chip(QLatin1String(c.device));
  const auto flash = bench->chip()->flash();
  const QByteArray back = ReadFile(path(QStringLiteral("back.bin")));
  int differences = 0;
  for (const auto &[address, value] : expected) {
    ASSERT_LT(address, flash.size());
    differences += flash[address] != value;
    differences += static_cast<std::uint8_t>(back.at(address)) != value;
  }
  EXPECT_EQ(differences, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Chips, FlashRoundTrip,
    ::testing::Values(FlashCase{"MEGA8", "ATmega8", 0, "blink_m8.hex", nullptr},
                      FlashCase{"TINY13", "tiny13", 0, "blink_t13.hex", nullptr},
                      FlashCase{"AT89S52", "at89s52", 6000, nullptr, "image.hex.bin"},
                      FlashCase{"MEGA128", "ATmega128", 131072, nullptr, "image.bin"}),
    [](const auto &info) { return std::string(info.param.device); });

TEST_F(RindleCli, AChangedFlashByteFailsTheVerifyWithStatusOne) {
  const QString file = Elf(QStringLiteral("blink_m8.hex"));
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "flash:w:" + file}), 0));
  // The chip loses a byte the file has.
  auto bench = chip(QStringLiteral("MEGA8"));
  bench->chip()->flash()[2] = static_cast<std::uint8_t>(~bench->chip()->flash()[2]);
  ASSERT_EQ(bench->saveState(stateFile(QStringLiteral("MEGA8")).toStdString()), "");
  const Result r = run({"-p", "MEGA8", "-U", "flash:v:" + file});
  EXPECT_TRUE(Status(r, 1));
  EXPECT_TRUE(r.err.contains("Verify Error @ Address  0002")) << r.err.toStdString();
}

TEST_F(RindleCli, FlashLargerThan64KiBIsNotSavedAsHex) {
  const Result r = run({"-p", "MEGA128", "-U", "flash:r:big.hex"});
  EXPECT_TRUE(Status(r, 3));
  EXPECT_TRUE(r.err.contains("Use BIN or ROM format for saving files > 64K"));
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("big.hex"))));
}

// ---- EEPROM, fuses.

TEST_F(RindleCli, EepromRoundTripKeepsTheFlash) {
  const QString flash = Elf(QStringLiteral("blink_m8.hex"));
  const QString eeprom = Elf(QStringLiteral("blink_m8.eep"));
  ASSERT_TRUE(Status(run({"-p", "m8", "-U", "flash:w:" + flash}), 2)) << "m8 is no device name";
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "flash:w:" + flash}), 0));
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "eeprom:w:" + eeprom}), 0));
  ASSERT_TRUE(
      Status(run({"-p", "MEGA8", "-U", "eeprom:r:back.eep", "-U", "eeprom:v:" + eeprom}), 0));
  const auto bench = chip(QStringLiteral("MEGA8"));
  const auto expected = HexBytes(eeprom);
  const auto back = HexBytes(path(QStringLiteral("back.eep")));
  ASSERT_FALSE(expected.empty());
  for (const auto &[address, value] : expected) {
    EXPECT_EQ(bench->chip()->eeprom()[address], value) << address;
    EXPECT_EQ(back.at(address), value) << address;
  }
  for (const auto &[address, value] : HexBytes(flash))
    ASSERT_EQ(bench->chip()->flash()[address], value) << "flash lost at " << address;
}

// A file with data beyond its memory does not fit the chip: refused before
// anything is erased, so the chip keeps flash and EEPROM. A program file's
// extra bytes would otherwise land in the EEPROM. Blank padding fits. An
// empty program file, or one with no program in it (what a failed build
// leaves), would erase the chip and report success: refused as well.
struct BadFileCase {
  const char *name;
  QStringList ops; // %1 is the folder
  int status;
  const char *message;
};

void PrintTo(const BadFileCase &c, std::ostream *os) { *os << c.name; }

class BadFile : public RindleCli, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadFile, AFileThatCannotBeWrittenWholeWritesNothing) {
  const BadFileCase c = GetParam();
  const QByteArray flash = RandomBytes(1024, 11);
  const QByteArray eeprom = RandomBytes(64, 12);
  WriteFile(path("flash.bin"), flash);
  WriteFile(path("eeprom.bin"), eeprom);
  WriteFile(path("big.bin"), RandomBytes(1100, 13));
  WriteFile(path("big-eeprom.bin"), RandomBytes(65, 14));
  WriteFile(path("padded.bin"), RandomBytes(1024, 15) + QByteArray(3000, '\xFF'));
  WriteFile(path("far.hex"), ":020000040001F9\n:0400000001020304F2\n:00000001FF\n");
  WriteFile(path("far.eep"), ":01004000AA15\n:00000001FF\n");
  WriteFile(path("empty.hex"), {});
  WriteFile(path("nothing.hex"), ":00000001FF\n");
  WriteFile(path("blank.bin"), QByteArray(1024, '\xFF'));
  ASSERT_TRUE(
      Status(run({"-p", "TINY13", "-U", "flash:w:flash.bin", "-U", "eeprom:w:eeprom.bin"}), 0));
  const Result r = run(QStringList{"-p", "TINY13"} + c.ops);
  EXPECT_TRUE(Status(r, c.status));
  EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
  const auto bench = chip(QStringLiteral("TINY13"));
  const auto bytes = [](std::span<const std::uint8_t> cells) {
    return QByteArray(reinterpret_cast<const char *>(cells.data()), qsizetype(cells.size()));
  };
  const auto &target = *bench->chip();
  if (c.status == 0) {
    EXPECT_EQ(bytes(target.flash()), ReadFile(path("padded.bin")).first(1024));
  } else {
    EXPECT_EQ(bytes(target.flash()), flash);
    EXPECT_EQ(bytes(target.eeprom()), eeprom);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFile,
    ::testing::Values(
        BadFileCase{"FlashBin",
                    {"-U", "flash:w:big.bin"},
                    3,
                    "data at 0x0400, beyond the TINY13's 1024 bytes of flash"},
        BadFileCase{"FlashHex", {"-U", "flash:w:far.hex"}, 3, "data at 0x10000"},
        BadFileCase{"FlashVerify", {"-U", "flash:v:big.bin"}, 3, "bytes of flash"},
        BadFileCase{
            "Both", {"-U", "flash:w:big.bin", "-U", "eeprom:w:eeprom.bin"}, 3, "bytes of flash"},
        BadFileCase{"EepromBin",
                    {"-U", "eeprom:w:big-eeprom.bin"},
                    3,
                    "data at 0x0040, beyond the TINY13's 64 bytes of EEPROM"},
        BadFileCase{"EepromHex", {"-U", "eeprom:w:far.eep"}, 3, "64 bytes of EEPROM"},
        BadFileCase{"EmptyHex", {"-U", "flash:w:empty.hex"}, 3, "empty.hex: the file is empty"},
        BadFileCase{"EmptyVerify", {"-U", "flash:v:empty.hex"}, 3, "the file is empty"},
        BadFileCase{"NoProgram", {"-U", "flash:w:nothing.hex"}, 3, "no program in the file"},
        BadFileCase{"AllBlank", {"-U", "flash:w:blank.bin"}, 3, "no program in the file"},
        BadFileCase{"NoProgramBeside",
                    {"-U", "flash:w:nothing.hex", "-U", "eeprom:w:eeprom.bin"},
                    3,
                    "no program in the file"},
        BadFileCase{"BlankPadding", {"-U", "flash:w:padded.bin"}, 0, "Program, Verify  OK"}),
    [](const auto &info) { return std::string(info.param.name); });

// Writing the EEPROM alone erases the chip and writes its flash back from a
// read; a locked chip reads its flash as zeros, so the write is refused and
// the chip keeps flash, EEPROM and lock bits.
TEST_F(RindleCli, EepromAloneIsRefusedOnALockedChip) {
  const QString flash = Elf(QStringLiteral("blink_m8.hex"));
  const QString eepromParts[] = {Elf(QStringLiteral("blink_m8.eep")),
                                 Elf(QStringLiteral("blink_m8.elf"))};
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "flash:w:" + flash}), 0));
  {
    auto bench = chip(QStringLiteral("MEGA8"));
    bench->chip()->setLockByte(0xFC);
    ASSERT_EQ(bench->saveState(stateFile(QStringLiteral("MEGA8")).toStdString()), "");
  }
  for (const QString &eeprom : eepromParts) {
    const Result r = run({"-p", "MEGA8", "-U", "eeprom:w:" + eeprom});
    EXPECT_TRUE(Status(r, 5)) << eeprom.toStdString();
    EXPECT_TRUE(r.err.contains("lock bits")) << r.err.toStdString();
    const auto bench = chip(QStringLiteral("MEGA8"));
    EXPECT_EQ(bench->chip()->lockByte() & 0x03, 0x00);
    EXPECT_EQ(bench->chip()->eeprom()[0], 0xFF);
    for (const auto &[address, value] : HexBytes(flash))
      ASSERT_EQ(bench->chip()->flash()[address], value) << "flash lost at " << address;
  }
}

TEST_F(RindleCli, FlashAndEepromSideBySideAreOneProgram) {
  const QString flash = Elf(QStringLiteral("blink_m8.hex"));
  const QString eeprom = Elf(QStringLiteral("blink_m8.eep"));
  const Result r =
      run({"--json", "-p", "MEGA8", "-U", "eeprom:w:" + eeprom, "-U", "flash:w:" + flash});
  ASSERT_TRUE(Status(r, 0));
  const QList<QByteArray> lines = r.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 1) << r.out.toStdString();
  const QJsonObject object = QJsonDocument::fromJson(lines[0]).object();
  EXPECT_EQ(object["memory"].toString(), "flash+eeprom");
  EXPECT_EQ(object["bytes"].toInt(), 8192 + 512);
  const auto bench = chip(QStringLiteral("MEGA8"));
  for (const auto &[address, value] : HexBytes(flash))
    ASSERT_EQ(bench->chip()->flash()[address], value) << address;
  for (const auto &[address, value] : HexBytes(eeprom))
    ASSERT_EQ(bench->chip()->eeprom()[address], value) << address;
  // Verified together: one walk over the chip, which finds a changed byte.
  const Result verified =
      run({"--json", "-p", "MEGA8", "-U", "flash:v:" + flash, "-U", "eeprom:v:" + eeprom});
  ASSERT_TRUE(Status(verified, 0));
  EXPECT_TRUE(verified.out.contains("\"memory\":\"flash+eeprom\",\"message\":\"Verification OK\""))
      << verified.out.toStdString();
  {
    auto changed = chip(QStringLiteral("MEGA8"));
    changed->chip()->eeprom()[3] ^= 0x01;
    ASSERT_EQ(changed->saveState(stateFile(QStringLiteral("MEGA8")).toStdString()), "");
  }
  const Result differs = run({"-p", "MEGA8", "-U", "eeprom:v:" + eeprom, "-U", "flash:v:" + flash});
  EXPECT_TRUE(Status(differs, 1));
  EXPECT_TRUE(differs.err.contains("EEPROM")) << differs.err.toStdString();
  // A flash write alone erases the EEPROM, as Program does.
  ASSERT_TRUE(
      Status(run({"-p", "MEGA8", "-U", "eeprom:r:before.eep", "-U", "flash:w:" + flash}), 0));
  EXPECT_EQ(chip(QStringLiteral("MEGA8"))->chip()->eeprom()[0], 0xFF);
}

// Ctrl+C in the middle of a run: the program stops, releases the target,
// keeps the simulated chip, runs no further step and ends by the signal, so
// that make or a shell loop stops too.
TEST_F(RindleCli, CtrlCEndsTheRunCleanlyAndByTheSignal) {
  WriteFile(path(QStringLiteral("image.bin")), RandomBytes(131072, 3));
  QProcess process;
  // With the waits of real hardware the write takes many seconds.
  start(process, {"-v", "-p", "ATmega128", "-U", "flash:w:image.bin", "-U", "hfuse:w:0xC9:m"});
  process.setReadChannel(QProcess::StandardError);
  QByteArray said;
  while (!said.contains("device MEGA128") && process.waitForReadyRead(60000))
    said += process.readAllStandardError();
  ASSERT_TRUE(said.contains("device MEGA128")) << said.toStdString();
  ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
  ASSERT_TRUE(process.waitForFinished(60000));
  said += process.readAllStandardError();
  EXPECT_EQ(process.exitStatus(), QProcess::CrashExit) << said.toStdString();
  EXPECT_EQ(process.exitCode(), SIGINT);
  EXPECT_TRUE(said.contains("rindle-cli: interrupted;") ||
              said.contains("rindle-cli: flash write cancelled: interrupted;"))
      << said.toStdString();
  EXPECT_FALSE(said.contains("AddressSanitizer")) << said.toStdString();
  // The chip was kept; the fuse write never ran.
  const auto bench = chip(QStringLiteral("MEGA128"));
  ASSERT_NE(bench->chip(), nullptr);
  EXPECT_NE(bench->chip()->fuse(sim::isp::kFuseHigh), 0xC9);
}

TEST_F(RindleCli, FuseWrittenThenReadAsText) {
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "hfuse:w:0xC9:m", "-U", "lfuse:w:0xE4:m"}), 0));
  const Result r = run({"-p", "MEGA8", "-U", "hfuse:r:-:h", "-U", "lfuse:r:-:d"});
  ASSERT_TRUE(Status(r, 0));
  EXPECT_EQ(r.out, "0xC9\n228\n");
  const auto bench = chip(QStringLiteral("MEGA8"));
  EXPECT_EQ(bench->chip()->fuse(sim::isp::kFuseHigh), 0xC9);
  EXPECT_EQ(bench->chip()->fuse(sim::isp::kFuseLow), 0xE4);
}

// ---- Lock writes: what lock:r prints, lock:w takes back. Chips that answer
// with lock bits take a set bit as programmed; a lock byte keeps the chip's
// own convention.

struct LockCase {
  const char *device;
  const char *value;
  int status;
  std::uint8_t chipLock; // the simulated chip's lock bits afterwards, 0 = programmed
  std::uint8_t mask;     // the bits of chipLock the chip has
  const char *printed;   // lock:r afterwards; null: the chip gives no answer
};

void PrintTo(const LockCase &c, std::ostream *os) { *os << c.device << " " << c.value; }

class LockWrite : public RindleCli, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockWrite, ProgramsTheBitsLockReadShows) {
  const LockCase c = GetParam();
  const QString device = QString::fromLatin1(c.device);
  const Result r = run({"-p", device, "-U", QStringLiteral("lock:w:%1:m").arg(c.value)});
  EXPECT_TRUE(Status(r, c.status));
  if (c.status != 0)
    EXPECT_TRUE(r.err.contains("takes lock bits")) << r.err.toStdString();
  const Result read = run({"-p", device, "-U", "lock:r:-:h"});
  if (c.printed == nullptr) {
    // A chip that gives no lock answer has nothing to print.
    EXPECT_TRUE(Status(read, 2));
    EXPECT_TRUE(read.err.contains("does not report its lock bits")) << read.err.toStdString();
    EXPECT_TRUE(read.out.isEmpty());
  } else {
    ASSERT_TRUE(Status(read, 0));
    EXPECT_EQ(read.out.trimmed().toStdString(), c.printed);
  }
  EXPECT_EQ(chip(device)->chip()->lockByte() & c.mask, c.chipLock);
}

INSTANTIATE_TEST_SUITE_P(Devices, LockWrite,
                         ::testing::Values(LockCase{"AT89S52", "0x01", 0, 0x06, 0x07, "0x01"},
                                           LockCase{"AT89S52", "0x04", 0, 0x03, 0x07, "0x04"},
                                           LockCase{"AT89S51", "0x07", 0, 0x00, 0x07, "0x07"},
                                           LockCase{"AT89S8253", "0x02", 0, 0x05, 0x07, "0x02"},
                                           LockCase{"AT90S8515", "0x01", 0, 0x02, 0x03, nullptr},
                                           LockCase{"MEGA8", "0xFE", 0, 0x02, 0x03, "0xFE"},
                                           // Bits the chip has no lock box for: nothing written.
                                           LockCase{"AT89S52", "0x08", 2, 0x07, 0x07, "0x00"},
                                           LockCase{"AT90S4433", "0x02", 0, 0x01, 0x03, "0x02"},
                                           LockCase{"AT90S8515", "0x04", 2, 0x03, 0x03, nullptr}),
                         [](const auto &info) {
                           return std::string(info.param.device) + "_" +
                                  std::string(info.param.value);
                         });

// ---- The lockout guard and the signature check: refused, nothing written.

struct LockoutCase {
  const char *name;
  QStringList args;
  int status;
  std::uint8_t highFuse; // afterwards
};

void PrintTo(const LockoutCase &c, std::ostream *os) { *os << c.name; }

class Lockout : public RindleCli, public ::testing::WithParamInterface<LockoutCase> {};

TEST_P(Lockout, AFuseThatEndsSerialProgrammingNeedsItsName) {
  const LockoutCase c = GetParam();
  ASSERT_TRUE(Status(run({"-p", "TINY13", "-U", "hfuse:w:0xFF:m"}), 0));
  const auto before = chip(QStringLiteral("TINY13"));
  ASSERT_EQ(before->chip()->fuse(sim::isp::kFuseHigh), 0xFF);
  const Result r = run(QStringList{"-p", "TINY13"} + c.args);
  EXPECT_TRUE(Status(r, c.status));
  if (c.status == 5)
    EXPECT_TRUE(r.err.contains("RSTDISBL")) << r.err.toStdString();
  const auto after = chip(QStringLiteral("TINY13"));
  EXPECT_EQ(after->chip()->fuse(sim::isp::kFuseHigh), c.highFuse);
  EXPECT_EQ(after->chip()->fuse(sim::isp::kFuseLow), c.status == 5
                                                         ? before->chip()->fuse(sim::isp::kFuseLow)
                                                         : after->chip()->fuse(sim::isp::kFuseLow));
  if (c.status == 5)
    EXPECT_TRUE(std::ranges::equal(after->chip()->flash(), before->chip()->flash()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Lockout,
    ::testing::Values(
        LockoutCase{"Literal", {"-U", "hfuse:w:0xFE:m"}, 5, 0xFF},
        LockoutCase{
            "OtherBitAllowed", {"--allow-lockout", "DWEN", "-U", "hfuse:w:0xFE:m"}, 5, 0xFF},
        LockoutCase{"ElfWhole", {"write", Elf("blink_t13_reset_io.elf")}, 5, 0xFF},
        LockoutCase{"ElfFuses", {"-U", "fuses:w:" + Elf("blink_t13_reset_io.elf")}, 5, 0xFF},
        LockoutCase{"Allowed", {"--allow-lockout", "rstdisbl", "-U", "hfuse:w:0xFE:m"}, 0, 0xFE}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RindleCli, SignatureMismatchStopsUnlessForced) {
  const QString file = Elf(QStringLiteral("blink_m8.hex"));
  QStringList args{"--simulate=TINY13", "-p", "MEGA8", "-U", "flash:w:" + file};
  const Result refused = run(args);
  EXPECT_TRUE(Status(refused, 5));
  EXPECT_TRUE(refused.err.contains("1E 90 07")) << refused.err.toStdString();
  const auto untouched = chip(QStringLiteral("TINY13"));
  EXPECT_EQ(untouched->chip()->flash()[0], 0xFF);
  // Forced, the write goes ahead; the ATmega8's pages do not fit the ATtiny13
  // in the socket, so its verify finds the difference.
  const Result forced = run(args << "-F");
  EXPECT_TRUE(Status(forced, 1));
  EXPECT_TRUE(forced.err.contains("Verify Error")) << forced.err.toStdString();
  EXPECT_NE(chip(QStringLiteral("TINY13"))->chip()->flash()[0], 0xFF);
}

TEST_F(RindleCli, DryRunWritesNothing) {
  const QString file = Elf(QStringLiteral("blink_m8.hex"));
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "signature"}), 0));
  const QByteArray before = ReadFile(stateFile(QStringLiteral("MEGA8")));
  const Result r = run({"-n", "--json", "-p", "MEGA8", "erase", "-U", "flash:w:" + file, "-U",
                        "eeprom:w:" + Elf(QStringLiteral("blink_m8.eep")), "-U", "hfuse:w:0xC9:m",
                        "write", Elf(QStringLiteral("blink_m8.elf"))});
  ASSERT_TRUE(Status(r, 0));
  // Erase, flash with EEPROM (one program run), fuse, ELF file.
  EXPECT_EQ(r.out.count("\"result\":\"skipped\""), 4) << r.out.toStdString();
  EXPECT_EQ(ReadFile(stateFile(QStringLiteral("MEGA8"))), before);
  // The dry run still reads the files: a missing one is reported.
  EXPECT_TRUE(Status(run({"-n", "-p", "MEGA8", "-U", "flash:w:missing.hex"}), 3));
}

// ---- Files and ports that cannot be used.

TEST_F(RindleCli, MissingFileIsStatusThree) {
  const Result r = run({"-p", "MEGA8", "-U", "flash:w:nowhere/missing.hex"});
  EXPECT_TRUE(Status(r, 3));
  EXPECT_TRUE(r.err.contains("missing.hex")) << r.err.toStdString();
  EXPECT_TRUE(Status(run({"-p", "MEGA8", "write", "nowhere/missing.elf"}), 3));
  EXPECT_TRUE(Status(run({"-p", "MEGA8", "-U", "flash:r:nowhere/out.hex"}), 3));
  // A settings file that cannot be used is named; nothing runs.
  WriteFile(path(QStringLiteral("Rindle37.set")), "not a settings file\n");
  const Result settings = run({"-p", "MEGA8", "signature"});
  EXPECT_TRUE(Status(settings, 3));
  EXPECT_TRUE(settings.err.contains("Rindle37.set")) << settings.err.toStdString();
  EXPECT_EQ(settings.out, "");
}

TEST_F(RindleCli, PortThatCannotBeOpenedIsStatusFourWithTheDiagnosis) {
  const Result unknown = run({"--port", "/dev/parport7", "-p", "MEGA8", "signature"}, false);
  EXPECT_TRUE(Status(unknown, 4));
  EXPECT_TRUE(unknown.err.contains("/dev/parport7")) << unknown.err.toStdString();
  if (QFile::exists(QStringLiteral("/dev/parport0")))
    GTEST_SKIP() << "this machine has a parallel port";
  const Result absent = run({"--port", "/dev/parport0", "-p", "MEGA8", "signature"}, false);
  EXPECT_TRUE(Status(absent, 4));
  EXPECT_TRUE(absent.err.contains("Cannot open /dev/parport0 for port 0378: No such file"))
      << absent.err.toStdString();
}

// ---- Output.

TEST_F(RindleCli, JsonHasOneObjectPerOperation) {
  const QString file = Elf(QStringLiteral("blink_m8.hex"));
  const Result r = run({"--json", "-p", "MEGA8", "-U", "flash:w:" + file, "signature", "-U",
                        "flash:v:" + Elf(QStringLiteral("blink_t13.hex"))});
  ASSERT_TRUE(Status(r, 1));
  const QList<QByteArray> lines = r.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
  std::vector<QJsonObject> objects;
  for (const QByteArray &line : lines) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    objects.push_back(doc.object());
  }
  // The command words run after the -U operations before them.
  EXPECT_EQ(objects[0]["operation"].toString(), "write");
  EXPECT_EQ(objects[0]["memory"].toString(), "flash");
  EXPECT_EQ(objects[0]["bytes"].toInt(), 8192);
  EXPECT_EQ(objects[0]["result"].toString(), "ok");
  EXPECT_EQ(objects[0]["message"].toString(), "Program, Verify  OK");
  EXPECT_GT(objects[0]["seconds"].toDouble(), 0.0);
  EXPECT_EQ(objects[1]["operation"].toString(), "signature");
  EXPECT_TRUE(objects[1]["message"].toString().contains("1E 93 07"));
  EXPECT_EQ(objects[2]["operation"].toString(), "verify");
  EXPECT_EQ(objects[2]["result"].toString(), "failed");
  EXPECT_TRUE(objects[2]["message"].toString().startsWith("Verify Error"));
}

TEST_F(RindleCli, JsonKeepsStdoutForJsonWhenBytesAreRead) {
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "hfuse:w:0xC9:m"}), 0));
  const Result r = run({"--json", "-p", "MEGA8", "-U", "hfuse:r:-:h", "signature"});
  ASSERT_TRUE(Status(r, 0));
  const QList<QByteArray> lines = r.out.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
  const QJsonObject fuse = QJsonDocument::fromJson(lines[0]).object();
  EXPECT_EQ(fuse["memory"].toString(), "hfuse");
  EXPECT_EQ(fuse["message"].toString(), "0xC9");
  EXPECT_FALSE(QJsonDocument::fromJson(lines[1]).isNull()) << lines[1].toStdString();
}

// On a terminal, stderr shows a bar with percent, bytes and seconds.
TEST_F(RindleCli, ProgressBarOnlyOnATerminal) {
  if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
    GTEST_SKIP() << "no script(1) to give the program a terminal";
  const QString command =
      QStringLiteral(
          "'%1' --settings '%2' --simulate --no-delays -p MEGA8 -U 'flash:w:%3' 2>&1 >/dev/null")
          .arg(kProgram, path(QStringLiteral("Rindle37.set")), Elf(QStringLiteral("blink_m8.hex")));
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
  process.setProcessEnvironment(env);
  process.start(QStringLiteral("script"), {"-qec", command, "/dev/null"});
  ASSERT_TRUE(process.waitForFinished(120000));
  const QByteArray terminal = process.readAllStandardOutput();
  EXPECT_EQ(process.exitCode(), 0) << terminal.toStdString();
  EXPECT_TRUE(terminal.contains("100%  8704/8704 bytes")) << terminal.toStdString();
  EXPECT_TRUE(terminal.contains("[##############################]")) << terminal.toStdString();
  // Not a terminal: no bar at all.
  const Result piped = run({"-p", "MEGA8", "-U", "flash:w:" + Elf(QStringLiteral("blink_m8.hex"))});
  EXPECT_FALSE(piped.err.contains("%")) << piped.err.toStdString();
}

TEST_F(RindleCli, SignaturePrintsTheChipsBytes) {
  const Result r = run({"-p", "MEGA8", "signature"});
  ASSERT_TRUE(Status(r, 0));
  EXPECT_TRUE(r.out.startsWith("signature    1E 93 07\ncalibration  ")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("lfuse        0x")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("hfuse        0x")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("lock         0x")) << r.out.toStdString();
  // Nothing but errors with -q, and no bar when stderr is no terminal.
  EXPECT_TRUE(Status(run({"-q", "-p", "MEGA8", "signature"}), 0));
  EXPECT_EQ(run({"-q", "-p", "MEGA8", "-U", "flash:w:" + Elf("blink_m8.hex")}).err, "");
}

TEST_F(RindleCli, DevicesListsNamesSizesAndSignatures) {
  const Result r = run({"devices"}, false);
  ASSERT_TRUE(Status(r, 0));
  const QList<QByteArray> lines = r.out.split('\n');
  const auto row =
      std::ranges::find_if(lines, [](const QByteArray &l) { return l.startsWith("MEGA128 "); });
  ASSERT_NE(row, lines.end()) << r.out.toStdString();
  EXPECT_EQ(row->simplified(), "MEGA128 ATmega128 131072 4096 256 1E 97 02 3");
}

// ---- ELF files: each part as the toolchain put it in the file.

struct ElfCase {
  const char *elf;
  const char *device;
};

void PrintTo(const ElfCase &c, std::ostream *os) { *os << c.elf; }

class ElfWrite : public RindleCli, public ::testing::WithParamInterface<ElfCase> {};

TEST_P(ElfWrite, EveryPartReachesTheChip) {
  const ElfCase c = GetParam();
  const QString base = Elf(QLatin1String(c.elf));
  const QString device = QLatin1String(c.device);
  ASSERT_TRUE(Status(run({"-p", device, "write", base + ".elf"}), 0));
  const auto bench = chip(device);
  const sim::isp::Chip &target = *bench->chip();
  for (const auto &[address, value] : HexBytes(base + ".hex"))
    ASSERT_EQ(target.flash()[address], value) << "flash " << address;
  if (QFile::exists(base + ".eep"))
    for (const auto &[address, value] : HexBytes(base + ".eep"))
      ASSERT_EQ(target.eeprom()[address], value) << "eeprom " << address;
  if (QFile::exists(base + ".fuse.hex"))
    for (const auto &[index, value] : HexBytes(base + ".fuse.hex"))
      EXPECT_EQ(target.fuse(static_cast<sim::isp::FuseIndex>(index)), value) << "fuse " << index;
  if (QFile::exists(base + ".lock.hex"))
    EXPECT_EQ(target.lockByte() & 0x3F, HexBytes(base + ".lock.hex").at(0) & 0x3F);
  else
    EXPECT_EQ(target.lockByte() & 0x03, 0x03) << "no lock bit programmed";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ElfWrite,
                         ::testing::Values(ElfCase{"blink_m8", "MEGA8"},
                                           ElfCase{"blink_t13", "TINY13"},
                                           ElfCase{"nofuses_m8", "MEGA8"},
                                           ElfCase{"fill_m128", "MEGA128"}),
                         [](const auto &info) { return std::string(info.param.elf); });

TEST_F(RindleCli, ElfPartsOneByOne) {
  const QString base = Elf(QStringLiteral("blink_m8"));
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "flash:w:" + base + ".elf"}), 0));
  auto bench = chip(QStringLiteral("MEGA8"));
  const std::uint8_t defaultLow = bench->chip()->fuse(sim::isp::kFuseLow);
  EXPECT_NE(defaultLow, 0xA4) << "flash alone leaves the fuses";
  EXPECT_EQ(bench->chip()->eeprom()[0], 0xFF);
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "eeprom:w:" + base + ".elf"}), 0));
  bench = chip(QStringLiteral("MEGA8"));
  for (const auto &[address, value] : HexBytes(base + ".eep"))
    ASSERT_EQ(bench->chip()->eeprom()[address], value);
  for (const auto &[address, value] : HexBytes(base + ".hex"))
    ASSERT_EQ(bench->chip()->flash()[address], value) << "flash kept";
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "fuses:w:" + base + ".elf"}), 0));
  bench = chip(QStringLiteral("MEGA8"));
  EXPECT_EQ(bench->chip()->fuse(sim::isp::kFuseLow), 0xA4);
  EXPECT_EQ(bench->chip()->fuse(sim::isp::kFuseHigh), 0xD9);
  EXPECT_EQ(bench->chip()->lockByte() & 0x03, 0x03);
  ASSERT_TRUE(Status(run({"-p", "MEGA8", "-U", "lock:w:" + base + ".elf"}), 0));
  EXPECT_EQ(chip(QStringLiteral("MEGA8"))->chip()->lockByte() & 0x3F, 0xFC & 0x3F);
  // An ELF file built for another chip stops at the signature check.
  EXPECT_TRUE(Status(run({"-p", "TINY13", "write", base + ".elf"}), 5));
}

// ---- Usage.

class Usage : public RindleCli, public ::testing::WithParamInterface<QStringList> {};

TEST_P(Usage, IsStatusTwoWithAReason) {
  const Result r = run(GetParam());
  EXPECT_TRUE(Status(r, 2));
  EXPECT_TRUE(r.err.startsWith("rindle-cli: ")) << r.err.toStdString();
  EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Usage,
    ::testing::Values(QStringList{}, QStringList{"--frobnicate"}, QStringList{"-p", "MEGA8"},
                      QStringList{"signature"}, QStringList{"-p", "NOSUCH", "signature"},
                      QStringList{"-p", "MEGA8", "-U", "flash:x:a.hex"},
                      QStringList{"-p", "MEGA8", "-U", "flash:w:a.txt"},
                      QStringList{"-p", "MEGA8", "-U", "lfuse:w:0x123:m"},
                      QStringList{"-p", "MEGA8", "-U", "efuse:w:0x12:m"},
                      QStringList{"-p", "MEGA8", "reset", "sideways"},
                      QStringList{"-p", "MEGA8", "--simulate=NOSUCH", "signature"},
                      QStringList{"-p", "MEGA8", "dance"}));

TEST_F(RindleCli, HelpDocumentsTheExitStatuses) {
  const Result r = run({"--help"}, false);
  ASSERT_TRUE(Status(r, 0));
  for (const char *line :
       {"0  all done", "1  a chip operation failed", "2  the command line",
        "3  a file could not be read", "4  the port could not be opened", "5  refused"})
    EXPECT_TRUE(r.out.contains(line)) << line;
}

} // namespace
