// The example programs that ship with the suite, each taken by the program
// meant for it as a user would: opened through the file dialog of a first
// start, programmed into the simulated chip, verified and read back equal.
// The folder is the source tree's examples/, or SUITE_EXAMPLES_DIR (the
// package test points it at an installed copy).

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

#include "common/testing/ScriptedPrompter.h"
#include "orvane/core/LoaderCore.h"
#include "orvane/link/ComDataPacket.h"
#include "orvane/link/ComPort.h"
#include "orvane/link/Sequencer.h"
#include "isp/core/DeviceCatalogue.h"
#include "sim/box/ProgrammerBox.h"
#include "sim/isp/Bench.h"
#include "tests/orvane/link/SequencerDrive.h"
#include "tests/rindle/app/AppRig.h"
#include "tests/tollen/engine/QuietView.h"
#include "tollen/engine/MainCommands.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os) {
  *os << '"' << text.toStdString() << '"';
}

namespace {

using Kind = common::ScriptedPrompter::Shown::Kind;
using Icon = common::Prompter::Icon;

QString ExamplesFolder() {
  const QString asked = qEnvironmentVariable("SUITE_EXAMPLES_DIR");
  return QDir::cleanPath(asked.isEmpty() ? QStringLiteral(SUITE_SOURCE_DIR "/examples") : asked);
}

QString Example(const char *name) { return ExamplesFolder() + u'/' + QString::fromLatin1(name); }

// The data records of an Intel HEX file with 16-bit addresses, read here
// without the programs' readers: address to byte.
std::map<std::size_t, std::uint8_t> HexBytes(const QString &path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  std::map<std::size_t, std::uint8_t> bytes;
  for (const QByteArray &raw : file.readAll().split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.isEmpty())
      continue;
    EXPECT_TRUE(line.startsWith(':')) << line.toStdString();
    const QByteArray record = QByteArray::fromHex(line.mid(1));
    EXPECT_GE(record.size(), 5) << line.toStdString();
    const auto count = static_cast<std::uint8_t>(record[0]);
    EXPECT_EQ(record.size(), count + 5) << line.toStdString();
    std::uint8_t sum = 0;
    for (const char c : record)
      sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    EXPECT_EQ(sum, 0) << "checksum of " << line.toStdString();
    if (record[3] != 0 || record.size() != count + 5)
      continue;
    const std::size_t address =
        (static_cast<std::uint8_t>(record[1]) << 8) | static_cast<std::uint8_t>(record[2]);
    for (std::size_t i = 0; i < count; ++i)
      bytes[address + i] = static_cast<std::uint8_t>(record[static_cast<qsizetype>(4 + i)]);
  }
  return bytes;
}

// The image a file stands for in a memory of `size` bytes: its bytes, the
// rest blank.
std::vector<std::uint8_t> Image(const QString &path, std::size_t size) {
  std::vector<std::uint8_t> image(size, 0xFF);
  const auto bytes = HexBytes(path);
  EXPECT_GT(bytes.size(), 8u) << path.toStdString() << " holds a program";
  for (const auto &[address, value] : bytes) {
    EXPECT_LT(address, size) << path.toStdString();
    if (address < size)
      image[address] = value;
  }
  return image;
}

template <typename Span>
std::vector<std::uint8_t> Part(const Span &cells, std::size_t first, std::size_t count) {
  EXPECT_LE(first + count, static_cast<std::size_t>(cells.size()));
  count = std::min(count, static_cast<std::size_t>(cells.size()) -
                              std::min<std::size_t>(first, cells.size()));
  return {cells.begin() + static_cast<std::ptrdiff_t>(first),
          cells.begin() + static_cast<std::ptrdiff_t>(first + count)};
}

// Empty when the two images are equal, else where they first differ.
std::string Difference(const std::vector<std::uint8_t> &got,
                       const std::vector<std::uint8_t> &expected) {
  if (got == expected)
    return {};
  const std::size_t n = std::min(got.size(), expected.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (got[i] != expected[i])
      return QStringLiteral("at 0x%1: %2, expected %3")
          .arg(i, 4, 16, QLatin1Char('0'))
          .arg(got[i], 2, 16, QLatin1Char('0'))
          .arg(expected[i], 2, 16, QLatin1Char('0'))
          .toStdString();
  }
  return "sizes " + std::to_string(got.size()) + " and " + std::to_string(expected.size());
}

// Flash then EEPROM of a simulated chip, as the buffers lay them out.
std::vector<std::uint8_t> ChipImage(const sim::isp::Chip &chip) {
  std::vector<std::uint8_t> image(chip.flash().begin(), chip.flash().end());
  image.insert(image.end(), chip.eeprom().begin(), chip.eeprom().end());
  return image;
}

// ---------------------------------------------------------------- rindle

struct IspExample {
  const char *name;
  std::uint16_t device;
  const char *program;
  const char *eeprom; // or nullptr
};

void PrintTo(const IspExample &c, std::ostream *os) { *os << c.name; }

class RindleExamples : public ::testing::TestWithParam<IspExample> {};

TEST_P(RindleExamples, OpenProgramVerifyAndReadBackEqual) {
  const IspExample &c = GetParam();
  rindle::apptest::AppRig rig(c.device);
  rig.app.SetExamplesFolder(ExamplesFolder());
  // The image alone: without the calibration bytes the options would add at
  // the end of an AVR's flash.
  rig.engine.SaveOscCalToFlash = false;
  rig.engine.SaveOscCalToEeprom = false;
  rig.prompter.shown.clear();

  rig.prompter.fileNames = {Example(c.program)};
  rig.app.OpenFile();
  ASSERT_EQ(rig.prompter.shown.size(), 1u) << rig.prompter.messages().join(u'|').toStdString();
  EXPECT_EQ(rig.prompter.shown[0].kind, Kind::OpenFile);
  EXPECT_EQ(rig.prompter.shown[0].text, ExamplesFolder()) << "a first start opens the examples";
  ASSERT_EQ(rig.engine.ProgramFileName, Example(c.program));

  const auto flashSize = static_cast<std::size_t>(rig.engine.Device.FlashSize);
  const std::size_t eepromSize = rig.engine.Device.EepromSize;
  std::vector<std::uint8_t> expected = Image(Example(c.program), flashSize);
  std::vector<std::uint8_t> eeprom(eepromSize, 0xFF);
  if (c.eeprom != nullptr) {
    rig.prompter.fileNames = {Example(c.eeprom)};
    rig.prompter.filterChoices = {2}; // Eeprom files
    rig.app.OpenEepromFile();
    EXPECT_EQ(rig.prompter.shown.back().kind, Kind::OpenFile) << "no message after the load";
    EXPECT_EQ(rig.engine.EepromFileName, Example(c.eeprom));
    eeprom = Image(Example(c.eeprom), eepromSize);
  }
  expected.insert(expected.end(), eeprom.begin(), eeprom.end());
  const std::size_t total = flashSize + eepromSize;
  ASSERT_EQ(Difference(Part(rig.engine.Buffer.all(), 0, total), expected), "")
      << "the file as loaded";

  rig.app.ProgramChip();
  EXPECT_EQ(rig.lastShown(),
            rindle::apptest::Shown("  Write", "Program, Verify  OK", Icon::Information));
  EXPECT_EQ(Difference(Part(ChipImage(rig.chip()), 0, total), expected), "") << "the chip";

  rig.app.VerifyChip();
  EXPECT_EQ(rig.lastShown(),
            rindle::apptest::Shown("  Verify", "Verification OK", Icon::Information));

  // Read back into a buffer that holds nothing of the file.
  std::ranges::fill(rig.engine.Buffer.all(), 0x00);
  rig.app.ReadChip();
  EXPECT_EQ(rig.lastShown(),
            rindle::apptest::Shown("  Read", "Reading Completed", Icon::Information));
  EXPECT_EQ(Difference(Part(rig.engine.Buffer.all(), 0, total), expected), "") << "read back";
}

INSTANTIATE_TEST_SUITE_P(Examples, RindleExamples,
                         ::testing::Values(IspExample{"Atmega8WithEeprom", rindle::device::kMega8,
                                                      "blink-atmega8.hex", "blink-atmega8.eep"},
                                           IspExample{"Attiny13", rindle::device::kTiny13,
                                                      "blink-attiny13.hex", nullptr},
                                           IspExample{"At89s51", rindle::device::kAt89S51,
                                                      "blink-at89s51.hex", nullptr}),
                         [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- tollen

struct TollenExample {
  const char *name;
  std::uint16_t device;
  const char *chip; // as the simulation names it
  const char *program;
  QString written;
};

void PrintTo(const TollenExample &c, std::ostream *os) { *os << c.name; }

class TollenExamples : public ::testing::TestWithParam<TollenExample> {};

TEST_P(TollenExamples, OpenWriteVerifyAndReadBackEqual) {
  const TollenExample &c = GetParam();
  // The dry run's hardware: the cable with its presence loop.
  sim::isp::Bench bench{c.chip};
  sim::isp::CableWiring wiring;
  wiring.presenceLoop = true;
  bench.setWiring(wiring);
  tollen::TollenEngine engine{bench, bench};
  QTemporaryDir settings;
  engine.SettingsPath = settings.filePath(QString::fromLatin1(tollen::kSettingsFileName));
  common::ScriptedPrompter prompter;
  engine.Messages = &prompter;
  tollen::testing::QuietView view;
  tollen::MainCommands commands{engine, prompter, view};
  commands.SetExamplesFolder(ExamplesFolder());
  commands.FormCreate();
  commands.cboTypeChange(c.device);
  prompter.shown.clear();

  prompter.fileNames = {Example(c.program)};
  commands.cmdOpenFileClick();
  ASSERT_EQ(prompter.shown.size(), 1u) << prompter.messages().join(u'|').toStdString();
  EXPECT_EQ(prompter.shown[0].text, ExamplesFolder()) << "a first start opens the examples";
  ASSERT_EQ(engine.ProgramFileName, Example(c.program));
  const auto size = static_cast<std::size_t>(engine.TotalSize);
  const auto expected = Image(Example(c.program), size);
  ASSERT_EQ(Difference(Part(engine.Cells.all(), 0, size), expected), "") << "the file as loaded";

  commands.cmdWriteClick();
  EXPECT_EQ(prompter.shown.back().caption + u'|' + prompter.shown.back().text,
            QStringLiteral("  Write|") + c.written);
  EXPECT_EQ(Difference(Part(ChipImage(*bench.chip()), 0, size), expected), "") << "the chip";

  commands.cmdVerifyClick();
  EXPECT_EQ(prompter.shown.back().text, QStringLiteral("Verify OK"));

  std::ranges::fill(engine.Cells.all(), 0x00);
  commands.cmdReadClick();
  EXPECT_EQ(prompter.shown.back().text, QStringLiteral("Data Reading Complete"));
  EXPECT_EQ(Difference(Part(engine.Cells.all(), 0, size), expected), "") << "read back";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TollenExamples,
    ::testing::Values(
        TollenExample{"Atmega8", tollen::device::kAtMega8, "ATmega8", "blink-atmega8.hex",
                      QStringLiteral("Programming/Verify OK\rLock & Fuse Bits Programmed")},
        TollenExample{"At89s51", tollen::device::kAt89S51, "AT89S51", "blink-at89s51.hex",
                      QStringLiteral("Programming/Verify OK")}),
    [](const auto &info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- orvane

class LoaderHost : public orvane::SequencerHost {
public:
  void AddStatus(const QString &text, bool result) override {
    if (result)
      results << text;
  }
  void ClearStatus() override { results.clear(); }
  void SelectFunction(int index) override { selected = index; }

  QStringList results;
  int selected = -1;
};

// The loader's first start in a folder of its own with the shipped model
// catalogue and device databases, the emulated box with its default chip
// on the far end of the line.
struct LoaderRig {
  LoaderRig() {
    const QString shipped = QStringLiteral(SUITE_BIN_DIR);
    EXPECT_TRUE(QFile::copy(shipped + "/orvane.ini", dir.filePath("orvane.ini")));
    EXPECT_TRUE(QDir(dir.path()).mkpath("devices"));
    for (const QString &name : QDir(shipped + "/devices").entryList({"*.dat"}))
      EXPECT_TRUE(QFile::copy(shipped + "/devices/" + name, dir.filePath("devices/" + name)));
    core = std::make_unique<orvane::LoaderCore>(dir.filePath("orvane"), prompter);
    core->examplesFolder = ExamplesFolder();
    core->Start();
    core->ModelChange(core->settings.programmerModel);
    core->FirstActivation();

    box = std::make_unique<sim::ProgrammerBox>(sim::ProgrammerBox::Chip{},
                                               dir.filePath("box-chip.bin").toStdString());
    std::string error;
    EXPECT_TRUE(box->Start(&error)) << error;
    port.SetPort(QString::fromStdString(box->Path()));
    port.SetCustomBaudRate(core->settings.comSpeed.toInt());
    auto timer = std::make_unique<linktest::VirtualStepTimer>();
    clock = timer.get();
    seq = std::make_unique<orvane::Sequencer>(*core, port, splitter, host, prompter, nullptr,
                                              std::move(timer));
    seq->SetTickInterval(2000);
  }

  QStringList run(int function) {
    seq->ExecuteFunction(function);
    linktest::DriveUntil(*seq, *clock, [] { return false; });
    EXPECT_FALSE(seq->Busy());
    return host.results;
  }

  QTemporaryDir dir;
  common::ScriptedPrompter prompter;
  LoaderHost host;
  std::unique_ptr<orvane::LoaderCore> core;
  std::unique_ptr<sim::ProgrammerBox> box;
  orvane::ComPort port;
  orvane::ComDataPacket splitter;
  linktest::VirtualStepTimer *clock = nullptr; // owned by seq
  std::unique_ptr<orvane::Sequencer> seq;
};

TEST(OrvaneExample, OpenProgramVerifyAndReadBackEqualOnTheBoxsDefaultChip) {
  LoaderRig rig;
  EXPECT_EQ(rig.core->OpenDialogFolder(), ExamplesFolder()) << "a first start opens the examples";
  const QString file = Example("blink-at89s51.hex");
  ASSERT_TRUE(rig.core->LoadFileToBuffer(file)) << rig.prompter.messages().join(u'|').toStdString();
  const int loaded = rig.core->buffer.BytesLoaded;
  const sim::ProgrammerBox::Chip chip;
  ASSERT_GT(loaded, 8);
  ASSERT_LE(loaded, chip.flashSize) << "the example fits the box's chip";
  const auto expected = Image(file, static_cast<std::size_t>(loaded));
  ASSERT_EQ(Part(rig.core->buffer.ImageArea, 0, expected.size()), expected);
  EXPECT_EQ(rig.core->OpenDialogFolder(), ExamplesFolder() + u'/') << "now the file's folder";

  const QString written = QString::number(loaded) + " Bytes written, Verify Pending";
  const QStringList programmed = rig.run(orvane::kProgram);
  ASSERT_FALSE(programmed.isEmpty());
  EXPECT_EQ(programmed.last(), written) << programmed.join(u'|').toStdString();
  (void)QTest::qWaitFor([&] { return Part(rig.box->Flash(), 0, expected.size()) == expected; },
                        5000);
  EXPECT_EQ(Difference(Part(rig.box->Flash(), 0, expected.size()), expected), "") << "the chip";
  EXPECT_EQ(rig.core->deviceLabels.Device, QString::fromStdString(chip.name));

  EXPECT_TRUE(rig.run(orvane::kVerify).contains("Verify Succesful"))
      << rig.host.results.join(u'|').toStdString();

  std::fill(rig.core->buffer.ImageArea.begin(), rig.core->buffer.ImageArea.end(), 0x00);
  const QStringList read = rig.run(orvane::kRead);
  EXPECT_TRUE(read.last().startsWith(QString::number(chip.flashSize) + " Bytes read"))
      << read.join(u'|').toStdString();
  EXPECT_EQ(Difference(Part(rig.core->buffer.ImageArea, 0, expected.size()), expected), "")
      << "read back";
  EXPECT_TRUE(rig.prompter.shown.empty()) << rig.prompter.messages().join(u'|').toStdString();
}

} // namespace
