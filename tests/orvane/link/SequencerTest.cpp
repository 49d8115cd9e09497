// The chip functions end to end: the sequencer drives the emulated box over a
// pseudo-terminal through the real port adapter and splitter. The step timer
// runs in virtual time: a timer step is ticked once what it waits for has
// come, or when a test lets its time pass.
#include "orvane/link/Sequencer.h"
#include "BoxFixture.h"
#include "SequencerDrive.h"
#include "VirtualStepTimer.h"
#include "common/testing/ScriptedPrompter.h"
#include "orvane/core/LoaderCore.h"
#include "tools/PacketWriter.h"

#include <QFile>
#include <cerrno>
#include <QTest>
#include <ostream>

namespace {

using orvane::Sequencer;
using orvane::Step;

constexpr int kTick = 2000;
const QString kModel = QStringLiteral("2207-5130 v2");
const QString kGreeting = QStringLiteral("Serial Programmer Ver 2.0 Ready");
const QString kChipLine = QStringLiteral("AT89S51, 4K Flash approx.");

struct Line {
  QString text;
  bool result = false;
  bool operator==(const Line &) const = default;
};

void PrintTo(const Line &line, std::ostream *os) {
  *os << (line.result ? "result \"" : "progress \"") << line.text.toStdString() << "\"";
}

Line P(const QString &text) { return {text, false}; }
Line R(const QString &text) { return {text, true}; }

using Lines = std::vector<Line>;

Lines operator+(Lines a, const Lines &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class RecordingHost : public orvane::SequencerHost {
public:
  void AddStatus(const QString &text, bool result) override {
    lines.push_back({text, result});
    stamps.push_back(timer ? timer->now() : 0);
  }
  void ClearStatus() override {
    lines.clear();
    stamps.clear();
    ++clears;
  }
  void SelectFunction(int index) override { selected = index; }
  void BusyChanged(bool busy) override { busyChanges.push_back(busy); }

  // Virtual milliseconds from the line `from` to the next line.
  qint64 timeAfter(const QString &from) const {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].text == from) {
        return stamps[i + 1] - stamps[i];
      }
    }
    return -1;
  }

  Lines lines;
  std::vector<qint64> stamps;
  int clears = 0;
  int selected = -1;
  std::vector<bool> busyChanges;
  const linktest::VirtualStepTimer *timer = nullptr;
};

// A program folder with the model catalogue and the shipped device database
// of the default model, the loader core on it, a box, and the link between.
class SequencerTest : public linktest::BoxFixture {
protected:
  void SetUp() override {
    writeCatalogue();
    writeDeviceDatabase();
    core = std::make_unique<orvane::LoaderCore>(dir.filePath("orvane"), prompter);
    core->settings.ReadProgramIni(core->paths.programIni());
    core->ModelChange(kModel);
    core->settings.ReloadFile = 0;
    ASSERT_TRUE(core->devices.LoadDeviceDatabase(core->paths.deviceDatabase(kModel)));
    core->buffer.FileBufferReset();

    box = startBox();
    port.SetPort(pathOf(*box));
    port.SetCustomBaudRate(57600);
    auto timer = std::make_unique<linktest::VirtualStepTimer>();
    clock = timer.get();
    host.timer = clock;
    seq = std::make_unique<Sequencer>(*core, port, splitter, host, prompter, nullptr,
                                      std::move(timer));
    seq->SetTickInterval(kTick);
    seq->SetInlineSilenceLimit(3000);
  }

  void writeCatalogue() {
    QFile ini(dir.filePath("orvane.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Global]\r\nFunctionIndex=7\r\nModelCount=2\r\n[Models]\r\n"
              "Model0=2207-5130 v2\r\nModel1=Other Box\r\n"
              "[2207-5130 v2]\r\nName=51 Series Flash Programmer v2\r\nID=132\r\n"
              "comSpeed=57600\r\nAlgorithm=1\r\n"
              "[Other Box]\r\nName=Another protocol\r\nID=1\r\ncomSpeed=9600\r\nAlgorithm=2\r\n");
  }

  void writeDeviceDatabase() {
    QFile table(QStringLiteral(SUITE_SOURCE_DIR "/data/devices/") + kModel + ".txt");
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    tools::PacketContent content;
    content.fields = tools::deviceFields();
    QString error;
    // A chip of a whole 64 KiB besides the shipped ones.
    const QString text =
        QString::fromUtf8(table.readAll()) + "\nAT89X64K;Test;65536;0;8051 Core MCU;C51;40pin\n";
    ASSERT_TRUE(tools::parseDeviceTable(text, &content.rows, &error)) << error.toStdString();
    QByteArray packet;
    ASSERT_TRUE(tools::writePacket(content, &packet, &error)) << error.toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkpath("devices"));
    QFile out(dir.filePath("devices/" + kModel + ".dat"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(packet);
  }

  bool stepHasItsReply() const { return linktest::StepHasItsReply(*seq); }

  void driveUntil(const std::function<bool()> &done, int replyWaitMs = 3000) {
    linktest::DriveUntil(*seq, *clock, done, replyWaitMs);
  }

  // Runs a function to its end; the loader must then be idle with the port
  // closed.
  void run(int function, int replyWaitMs = 3000) {
    seq->ExecuteFunction(function);
    driveUntil([] { return false; }, replyWaitMs);
    ASSERT_FALSE(seq->Busy()) << "still busy";
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(seq->StepState, Step::None);
    EXPECT_FALSE(seq->Algo1_Timer1().isActive());
  }

  // Waits (in real time) until the running step's reply has come.
  void awaitReply() {
    ASSERT_TRUE(QTest::qWaitFor([&] { return stepHasItsReply(); }, 5000))
        << "no reply in step " << seq->StepState;
  }

  // count bytes of image, none of them 0xFF, as if loaded from a file.
  std::vector<std::uint8_t> loadImage(int count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 37 + 11) % 250);
    }
    core->buffer.FileBufferReset();
    std::copy(bytes.begin(), bytes.end(), core->buffer.ImageArea.begin());
    core->buffer.BytesLoaded = count;
    return bytes;
  }

  std::vector<std::uint8_t> chipStart(std::size_t count) const {
    const auto flash = box->Flash();
    return {flash.begin(), flash.begin() + static_cast<std::ptrdiff_t>(count)};
  }

  // A write ends on the loader's side once the last byte is with the driver;
  // the box, on its own thread, takes it a moment later. Waits (in real
  // time) until the chip starts with `expected`, then returns what it holds,
  // so that a chip that never gets there is reported as it is.
  std::vector<std::uint8_t> chipStartOnceWritten(const std::vector<std::uint8_t> &expected) const {
    (void)QTest::qWaitFor([&] { return chipStart(expected.size()) == expected; }, 5000);
    return chipStart(expected.size());
  }

  void expectLog(const Lines &expected) const { EXPECT_EQ(host.lines, expected); }

  static Lines detected() {
    return {P("Detecting Hardware..."), R(kGreeting), P("Detecting Chip..."), R(kChipLine)};
  }

  common::ScriptedPrompter prompter;
  RecordingHost host;
  std::unique_ptr<orvane::LoaderCore> core;
  std::unique_ptr<sim::ProgrammerBox> box;
  orvane::ComPort port;
  orvane::ComDataPacket splitter;
  linktest::VirtualStepTimer *clock = nullptr; // owned by seq
  std::unique_ptr<Sequencer> seq;
};

// ---------------------------------------------------------------------------
// Every function on working hardware.

struct FunctionCase {
  const char *name;
  int function;
  int imageBytes;    // loaded image, -1: none
  int chipUsedBytes; // programmed bytes on the chip before the run
  bool verify = false;
  bool lock = false;
  Lines expected;
  bool lockedAfter = false;
};

void PrintTo(const FunctionCase &c, std::ostream *os) { *os << c.name; }

const Lines kWrite16 = {P("Setting Write Counter..."), R("16 bytes"), P("Writing, Please wait..."),
                        R("16 Bytes written, Verify Pending")};
const Lines kErased = {P("Erasing..."), R("Erased, Chip should be blank now")};
QString bytesRead(int count) {
  return QString::number(count) +
         " Bytes read, Use File>Save Buffer as HEX to save the buffer content to HEX file.";
}
const Lines kReadBack16 = {P("Setting Read Counter..."), R("16 bytes"),
                           P("Reading to Verify, Please wait..."), R(bytesRead(16))};
const Lines kLocked = {P("Locking Chip..."), P("Locking..."), R("Locked")};

const FunctionCase kFunctionCases[] = {
    {"Erase", orvane::kErase, -1, 20, false, false,
     Lines{} + kErased + Lines{P("Blank Check..."), R("OK")}},
    {"BlankCheckBlank", orvane::kBlankCheck, -1, 0, false, false,
     Lines{P("Blank Check..."), R("OK")}},
    {"BlankCheckUsed", orvane::kBlankCheck, -1, 5, false, false,
     Lines{P("Blank Check..."), R("5 Bytes Used Approximately")}},
    {"Program", orvane::kProgram, 16, 3, false, false,
     Lines{} + kErased + Lines{P("Blank Check..."), R("OK")} + kWrite16},
    {"Verify", orvane::kVerify, 16, 16, false, false, kReadBack16 + Lines{R("Verify Succesful")}},
    {"Signature", orvane::kSignature, -1, 0, false, false, Lines{}},
    {"AutoProgram", orvane::kAutoProgram, 16, 7, false, false,
     Lines{} + kErased + Lines{P("Verifying Erase..."), R("OK")} + kWrite16 +
         Lines{P("Reading chip info..."), R("16 Bytes Used Approximately")}},
    {"AutoProgramVerify", orvane::kAutoProgram, 16, 0, true, false,
     Lines{} + kErased + Lines{P("Verifying Erase..."), R("OK")} + kWrite16 + kReadBack16 +
         Lines{P("Verifying..."), R("Verify Succesful"), P("Reading chip info..."),
               R("16 Bytes Used Approximately")}},
    {"AutoProgramLock", orvane::kAutoProgram, 16, 0, false, true,
     Lines{} + kErased + Lines{P("Verifying Erase..."), R("OK")} + kWrite16 + kLocked +
         Lines{P("Reading chip info..."), R("16 Bytes Used Approximately")},
     true},
    {"AutoProgramVerifyLock", orvane::kAutoProgram, 16, 0, true, true,
     Lines{} + kErased + Lines{P("Verifying Erase..."), R("OK")} + kWrite16 + kReadBack16 +
         Lines{P("Verifying..."), R("Verify Succesful")} + kLocked +
         Lines{P("Reading chip info..."), R("16 Bytes Used Approximately")},
     true},
    {"AutoProgramNothingLoaded", orvane::kAutoProgram, 0, 0, false, false,
     Lines{} + kErased +
         Lines{P("Verifying Erase..."), R("OK"), P("Setting Write Counter..."), R("0 bytes"),
               P("Writing, Please wait..."), R("0 Bytes written, Verify Pending"),
               P("Reading chip info..."), R("OK")}},
};

class FunctionTest : public SequencerTest, public ::testing::WithParamInterface<FunctionCase> {};

TEST_P(FunctionTest, LogsItsStepsInOrderAndLeavesTheChipRight) {
  const FunctionCase &c = GetParam();
  std::vector<std::uint8_t> image;
  if (c.imageBytes >= 0) {
    image = loadImage(c.imageBytes);
  }
  box->SetFlash(std::vector<std::uint8_t>(static_cast<std::size_t>(c.chipUsedBytes), 0x00));
  if (c.function == orvane::kVerify) {
    box->SetFlash(image);
  }
  core->settings.Verify = c.verify;
  core->settings.Lock = c.lock;

  run(c.function);

  expectLog(detected() + c.expected);
  EXPECT_EQ(host.clears, 1);
  EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(host.selected, c.function);
  EXPECT_TRUE(prompter.shown.empty()) << prompter.messages().join("|").toStdString();
  EXPECT_EQ(box->Locked(), c.lockedAfter);
  EXPECT_EQ(core->deviceLabels.Device, QStringLiteral("AT89S51"));
  if (c.imageBytes > 0) {
    EXPECT_EQ(chipStartOnceWritten(image), image);
    EXPECT_EQ(core->buffer.TransferCount, c.imageBytes);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFunctions, FunctionTest, ::testing::ValuesIn(kFunctionCases),
                         [](const auto &test) { return std::string(test.param.name); });

TEST_F(SequencerTest, LockDetectsNoChipAndChecksAfterLocking) {
  box->SetFlash({0x00, 0x00});
  run(orvane::kLock);
  expectLog((Lines{P("Detecting Hardware..."), R(kGreeting)} + kLocked +
             Lines{P("Blank Check..."), R("2 Bytes Used Approximately")}));
  EXPECT_TRUE(box->Locked());
  EXPECT_EQ(box->Received(), "\rlp");
}

// ---------------------------------------------------------------------------
// The data transfers.

TEST_F(SequencerTest, ProgramSendsTheCounterAndEveryByteOnItsHandshake) {
  const auto image = loadImage(1000);
  sim::BoxFaults faults;
  // The box holds every DC1 back a little and counts bytes that did not wait
  // for theirs; it sends none after the last byte, so a loader waiting for a
  // thousandth would hang.
  faults.handshakeDelayUs = 200;
  faults.dc1AfterLastByte = false;
  box->SetFaults(faults);

  run(orvane::kProgram);

  expectLog(detected() + kErased +
            Lines{P("Blank Check..."), R("OK"), P("Setting Write Counter..."), R("1000 bytes"),
                  P("Writing, Please wait..."), R("1000 Bytes written, Verify Pending")});
  EXPECT_EQ(chipStartOnceWritten(image), image);
  const std::string sentData(image.begin(), image.end());
  EXPECT_EQ(box->Received(), "\rgep" + std::string("s1000\n") + "w" + sentData);
  EXPECT_EQ(box->HandshakeViolations(), 0);
  EXPECT_EQ(box->Flash()[1000], 0xFF);
}

TEST_F(SequencerTest, ReadFillsTheImageFromTheChipAndKeepsBytesLoaded) {
  std::vector<std::uint8_t> chip(4096);
  for (std::size_t i = 0; i < chip.size(); ++i) {
    chip[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
  }
  box->SetFlash(chip);
  loadImage(100);

  seq->ExecuteFunction(orvane::kRead);
  driveUntil([&] { return seq->StepState == Step::ChipSize; });
  ASSERT_EQ(seq->StepState, Step::ChipSize);
  // The size is in long before the step is judged, five ticks after "b".
  awaitReply();
  clock->advance(5 * kTick - 1);
  EXPECT_EQ(seq->StepState, Step::ChipSize);
  clock->advance(1);
  // The counter went inline; the read step is back on the short tick.
  ASSERT_EQ(seq->StepState, Step::ReadData);
  EXPECT_EQ(seq->Algo1_Timer1().interval(), kTick);
  awaitReply();
  clock->advance(kTick);
  EXPECT_FALSE(seq->Busy());

  expectLog(detected() + Lines{P("Chip Size..."), R("4096 Bytes"), P("Setting Read Counter..."),
                               R("4096 bytes"), P("Reading, Please wait..."), R(bytesRead(4096))});
  EXPECT_EQ(host.timeAfter("Chip Size..."), 5 * kTick);
  EXPECT_EQ(host.timeAfter("Reading, Please wait..."), kTick);
  EXPECT_TRUE(std::equal(chip.begin(), chip.end(), core->buffer.ImageArea.begin()));
  EXPECT_EQ(core->buffer.ImageArea[4096], 0xFF);
  EXPECT_EQ(core->buffer.BytesLoaded, 100);
  EXPECT_EQ(core->buffer.TransferCount, 4096);
}

TEST_F(SequencerTest, ReadOfAWhole64KiBChipCompletes) {
  sim::ProgrammerBox::Chip big;
  big.name = "AT89X64K";
  big.detail = "64K Flash";
  big.flashSize = 65536;
  auto bigBox = startBox(big, QStringLiteral("big.bin"));
  std::vector<std::uint8_t> chip(65536);
  for (std::size_t i = 0; i < chip.size(); ++i) {
    chip[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
  }
  bigBox->SetFlash(chip);
  port.SetPort(pathOf(*bigBox));
  // The bar follows the dump as it comes, not only once it is whole.
  struct Recording : common::NoProgress {
    void begin(const QString &, qint64 total) override { totals.push_back(total); }
    void advance(qint64 done) override { positions.push_back(done); }
    std::vector<qint64> totals;
    std::vector<qint64> positions;
  } progress;
  seq->SetProgress(&progress);

  run(orvane::kRead);

  seq->SetProgress(nullptr);
  EXPECT_EQ(progress.totals, std::vector<qint64>{65536});
  ASSERT_FALSE(progress.positions.empty());
  EXPECT_TRUE(std::ranges::is_sorted(progress.positions));
  EXPECT_EQ(progress.positions.back(), 65536);
  EXPECT_TRUE(std::ranges::any_of(progress.positions, [](qint64 p) { return p > 0 && p < 65536; }));

  expectLog(Lines{P("Detecting Hardware..."), R(kGreeting), P("Detecting Chip..."),
                  R("AT89X64K, 64K Flash approx."), P("Chip Size..."), R("65536 Bytes"),
                  P("Setting Read Counter..."), R("65536 bytes"), P("Reading, Please wait..."),
                  R(bytesRead(65536))});
  EXPECT_TRUE(std::equal(chip.begin(), chip.end(), core->buffer.ImageArea.begin()));
}

TEST_F(SequencerTest, VerifyFailingAtTheFirstByteReportsAddressOneAndKeepsTheImage) {
  const auto image = loadImage(64);
  std::vector<std::uint8_t> chip = image;
  chip[0] ^= 0x01;
  box->SetFlash(chip);
  const auto before = core->buffer.ImageArea;

  run(orvane::kVerify);

  expectLog(detected() + Lines{P("Setting Read Counter..."), R("64 bytes"),
                               P("Reading to Verify, Please wait..."), R(bytesRead(64)),
                               R("Verify Failed at address 1\r   Try re-inserting chip")});
  EXPECT_EQ(core->buffer.ImageArea, before);
}

TEST_F(SequencerTest, ChainStopsWhenTheChipStaysUsedAfterErasing) {
  loadImage(16);
  sim::BoxFaults faults;
  faults.usedAfterErase = 5;
  box->SetFaults(faults);
  run(orvane::kProgram);
  expectLog(detected() + kErased + Lines{P("Blank Check..."), R("5 Bytes Used Approximately")});
  EXPECT_EQ(box->Received(), "\rgep");
}

// ---------------------------------------------------------------------------
// Hardware and link failures: each ends the function with a result line and
// leaves the loader idle with the port closed (checked by run()).

TEST_F(SequencerTest, SilentHardwareTimesOutOneTickAfterCR) {
  sim::BoxFaults faults;
  faults.silent = true;
  box->SetFaults(faults);
  seq->ExecuteFunction(orvane::kProgram);
  ASSERT_TRUE(QTest::qWaitFor([&] { return box->Received() == "\r"; }, 5000));
  clock->advance(kTick - 1);
  expectLog({P("Detecting Hardware...")});
  EXPECT_TRUE(seq->Busy());
  clock->advance(1);
  expectLog({P("Detecting Hardware..."), R("Hardware Detect Timeout")});
  EXPECT_EQ(host.timeAfter("Detecting Hardware..."), kTick);
  EXPECT_FALSE(seq->Busy());
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(box->Received(), "\r");
}

TEST_F(SequencerTest, AModelOfAnotherProtocolOnlyClearsTheLog) {
  host.lines = {P("left from before")};
  core->ModelChange(QStringLiteral("Other Box"));
  run(orvane::kSignature);
  EXPECT_TRUE(host.lines.empty());
  EXPECT_EQ(host.clears, 1);
  EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(box->Received(), "");
  EXPECT_TRUE(prompter.shown.empty());

  core->ModelChange(kModel);
  run(orvane::kSignature);
  expectLog(detected());
}

TEST_F(SequencerTest, APortThatCannotBeOpenedIsReportedAndTheNextTryWorks) {
  port.SetPort(dir.filePath("no-such-port"));
  run(orvane::kErase);
  EXPECT_EQ(prompter.messages(), QStringList{"Unable to open com port (win error code: 2)"});
  EXPECT_TRUE(host.lines.empty());
  EXPECT_EQ(host.busyChanges, (std::vector<bool>{true, false}));

  port.SetPort(pathOf(*box));
  run(orvane::kSignature);
  expectLog(detected());
}

TEST_F(SequencerTest, ALinkDroppedInTheMiddleOfAWriteEndsTheFunction) {
  const auto image = loadImage(500);
  sim::BoxFaults faults;
  faults.dropAfterWriteBytes = 100;
  box->SetFaults(faults);
  run(orvane::kProgram);
  ASSERT_GE(host.lines.size(), 2u);
  const Lines start(host.lines.begin(), host.lines.end() - 1);
  const Lines expectedStart = detected() + kErased +
                              Lines{P("Blank Check..."), R("OK"), P("Setting Write Counter..."),
                                    R("500 bytes"), P("Writing, Please wait...")};
  EXPECT_EQ(start, expectedStart);
  EXPECT_TRUE(host.lines.back().result);
  EXPECT_TRUE(host.lines.back().text.startsWith("Communication Error: "))
      << host.lines.back().text.toStdString();
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(box->LinkDropped());
  EXPECT_EQ(chipStart(100), std::vector<std::uint8_t>(image.begin(), image.begin() + 100));
}

TEST_F(SequencerTest, ALinkLostWhileAStepWaitsForItsTickEndsTheFunction) {
  seq->ExecuteFunction(orvane::kRead);
  driveUntil([&] { return seq->StepState == Step::ChipSize; });
  ASSERT_EQ(seq->StepState, Step::ChipSize);
  box->Stop();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !seq->Busy(); }, 5000));
  EXPECT_FALSE(port.Connected());
  EXPECT_TRUE(host.lines.back().result);
  EXPECT_TRUE(host.lines.back().text.startsWith("Communication Error: "))
      << host.lines.back().text.toStdString();
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_FALSE(seq->Algo1_Timer1().isActive());
}

TEST_F(SequencerTest, AnInlineWaitGivesUpAfterItsBound) {
  // Replies come later than the inline bound.
  seq->SetInlineSilenceLimit(100);
  sim::BoxFaults faults;
  faults.replyDelayMs = 300;
  box->SetFaults(faults);
  run(orvane::kSignature);
  expectLog({P("Detecting Hardware..."), R(kGreeting), P("Detecting Chip..."),
             R("Hardware Timeout, no reply for 0.1 s")});
}

TEST_F(SequencerTest, AChipThatIsNotDetectedStopsTheChain) {
  struct Case {
    const char *name;
    bool empty;
    std::string chip;
  } cases[] = {{"empty socket", true, "AT89S51"}, {"unknown chip", false, "AT89X99"}};
  for (const Case &c : cases) {
    sim::ProgrammerBox::Chip chip;
    chip.name = c.chip;
    auto other = startBox(chip, QString::fromLatin1(c.name) + ".bin");
    sim::BoxFaults faults;
    faults.noChip = c.empty;
    other->SetFaults(faults);
    port.SetPort(pathOf(*other));
    run(orvane::kErase);
    expectLog({P("Detecting Hardware..."), R(kGreeting), P("Detecting Chip..."),
               R("Device Detect Timeout")});
    EXPECT_EQ(other->Received(), "\rg") << c.name;
  }
  EXPECT_EQ(core->deviceLabels.Device, QStringLiteral("None"));
}

TEST_F(SequencerTest, BadReadRepliesEndTheReadAndLeaveTheImage) {
  using RR = sim::BoxFaults::ReadReply;
  const struct {
    RR mode;
    QString line;
    QStringList boxes;
  } cases[] = {
      {RR::Short, "Expected 4096 Bytes, instead is 2054", {}},
      {RR::HalfDigits,
       "Read reply not readable: '$\r\n' is not a valid integer value",
       {"'$\r\n' is not a valid integer value"}},
      {RR::BadDigits,
       "Read reply not readable: '$ZZ' is not a valid integer value",
       {"'$ZZ' is not a valid integer value"}},
  };
  box->SetFlash(std::vector<std::uint8_t>(4096, 0x5A));
  for (const auto &c : cases) {
    const auto image = loadImage(300);
    const auto before = core->buffer.ImageArea;
    prompter.shown.clear();
    sim::BoxFaults faults;
    faults.readReply = c.mode;
    box->SetFaults(faults);
    run(orvane::kRead);
    ASSERT_FALSE(host.lines.empty());
    EXPECT_EQ(host.lines.back(), R(c.line));
    EXPECT_EQ(prompter.messages(), c.boxes);
    EXPECT_EQ(core->buffer.ImageArea, before);
  }
}

TEST_F(SequencerTest, CountsThatAreNoNumbersEndTheFunctionWithALine) {
  const struct {
    int state;
    QByteArray reply;
    Lines lines;
    std::int32_t transferCount;
  } cases[] = {
      {Step::BlankCheck, "p\r\nUsed,12,Bytes\r\n", {R("12 Bytes Used Approximately")}, 77},
      {Step::BlankCheck, "p\r\nUsed,-3,Bytes\r\n", {R("OK")}, 77},
      {Step::BlankCheck,
       "p\r\nUsed,many,Bytes\r\n",
       {R("Unexpected reply from the hardware: 'many' is not a valid integer value")},
       77},
      {Step::BlankCheck,
       "p\r\nUsed 7\r\n",
       {R("Unexpected reply from the hardware: '' is not a valid integer value")},
       77},
      {Step::ChipSize, "b8192\n\r", {R("8192 Bytes")}, 8192},
      {Step::ChipSize, "b0\n\r", {}, 0},
      {Step::ChipSize,
       "bXYZ\n\r",
       {R("Unexpected reply from the hardware: 'XYZ' is not a valid integer value")},
       77},
      {Step::ChipSize,
       "b4096",
       {R("Unexpected reply from the hardware: '' is not a valid integer value")},
       77},
  };
  for (const auto &c : cases) {
    host.lines.clear();
    core->buffer.TransferCount = 77;
    seq->Function = orvane::kRead;
    seq->ResumeIndex = -1;
    seq->StepState = c.state;
    seq->ReplyText.clear();
    seq->PacketCount = 0;
    seq->Algo1_RxPacket(c.reply);
    seq->Algo1_Timer1Timer();
    expectLog(c.lines);
    EXPECT_EQ(seq->StepState, Step::None) << c.reply.toStdString();
    EXPECT_EQ(core->buffer.TransferCount, c.transferCount) << c.reply.toStdString();
  }
}

TEST_F(SequencerTest, RepliesThatNeverComeTimeOutAfterFiftyTicks) {
  // A read reply without "ok" is not complete yet.
  const struct {
    int state;
    QByteArray packet;
  } cases[] = {{Step::BlankCheck, {}}, {Step::ReadData, {}}, {Step::ReadData, "r0102"}};
  for (const auto &c : cases) {
    host.lines.clear();
    seq->Function = orvane::kRead;
    seq->ResumeIndex = -1;
    seq->StepState = c.state;
    seq->ReplyText.clear();
    seq->PacketCount = 0;
    if (!c.packet.isEmpty()) {
      seq->Algo1_RxPacket(c.packet);
    }
    seq->TickCount = 49;
    seq->Algo1_Timer1Timer(); // the 50th tick still waits
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(seq->StepState, c.state);
    seq->Algo1_Timer1Timer();
    expectLog({R("Hardware Timeout")});
    EXPECT_EQ(seq->StepState, Step::None);
  }
}

TEST_F(SequencerTest, WhileAFunctionRunsASecondOneIsRefusedAndTheSpeedMayChange) {
  box->SetFlash({1, 2, 3});
  seq->ExecuteFunction(orvane::kRead);
  driveUntil([&] { return seq->StepState == Step::ChipSize; });
  ASSERT_EQ(seq->StepState, Step::ChipSize);
  seq->ExecuteFunction(orvane::kErase);
  EXPECT_EQ(host.clears, 1);
  EXPECT_TRUE(port.SetCustomBaudRate(38400));
  EXPECT_EQ(box->Line().baud, 38400u);
  driveUntil([] { return false; });
  ASSERT_FALSE(seq->Busy());
  // The chain put its own function back into the list.
  EXPECT_EQ(host.selected, orvane::kRead);
  EXPECT_EQ(host.lines.back(), R(bytesRead(4096)));
  EXPECT_EQ(box->Received().find('e'), std::string::npos);
}

TEST_F(SequencerTest, TheFileIsReloadedBeforeAFunctionWhenAsked) {
  QFile hex(dir.filePath("four.hex"));
  ASSERT_TRUE(hex.open(QIODevice::WriteOnly));
  hex.write(":0400000001020304F2\r\n:00000001FF\r\n");
  hex.close();
  core->settings.ReloadFile = 1;
  core->settings.LastFile = hex.fileName();
  core->buffer.ImageArea.fill(0);
  core->buffer.BytesLoaded = 0;
  run(orvane::kSignature);
  EXPECT_EQ(core->buffer.BytesLoaded, 4);
  EXPECT_EQ(core->buffer.ImageArea[3], 4);
  EXPECT_EQ(core->buffer.ImageArea[4], 0xFF);
  expectLog(detected());
}

// A reload that fails must not program the chip with what the buffer held.
struct ReloadCase {
  const char *name;
  QByteArray content; // empty: the file is gone
  QString message;    // the load's own message; %1 is the file's path
};

void PrintTo(const ReloadCase &c, std::ostream *os) { *os << c.name; }

class FailedReloadTest : public SequencerTest, public ::testing::WithParamInterface<ReloadCase> {};

TEST_P(FailedReloadTest, EndsTheFunctionBeforeAnythingReachesTheChip) {
  const ReloadCase &c = GetParam();
  const QString path = dir.filePath("image.hex");
  if (!c.content.isEmpty()) {
    QFile hex(path);
    ASSERT_TRUE(hex.open(QIODevice::WriteOnly));
    hex.write(c.content);
  }
  loadImage(16);
  core->settings.ReloadFile = 1;
  core->settings.LastFile = path;
  host.lines = {P("left from before")};

  for (const int function : {orvane::kProgram, orvane::kAutoProgram}) {
    prompter.shown.clear();
    run(function);
    EXPECT_EQ(prompter.messages(), QStringList{c.message.arg(path)});
    EXPECT_TRUE(host.lines.empty());
    EXPECT_TRUE(host.busyChanges.empty());
    EXPECT_EQ(box->Received(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reload, FailedReloadTest,
    ::testing::Values(
        ReloadCase{"ConversionError", ":0400000001020304F2\r\n:0400040005G60708D8\r\n",
                   "'$G6' is not a valid integer value."},
        ReloadCase{"FileGone", {}, "Cannot open file \"%1\". No such file or directory"}),
    [](const auto &test) { return std::string(test.param.name); });

// A file that stopped at data beyond the 64 KiB buffer left its first part
// loaded and counted; with reloading off nothing of it reaches the chip
// until a file loads whole. Functions that do not send the image still run.
TEST_F(SequencerTest, AnImageCutShortIsNotSentUntilAFileLoadsWhole) {
  const QString cut = dir.filePath("cut.hex");
  const QString whole = dir.filePath("whole.hex");
  for (const auto &[path, text] :
       {std::pair{cut, QByteArray(":0400000001020304F2\r\n:020000021000EC\r\n"
                                  ":0400000001020304F2\r\n:00000001FF\r\n")},
        std::pair{whole, QByteArray(":020000020010EC\r\n:0400000001020304F2\r\n"
                                    ":00000001FF\r\n")}}) {
    QFile hex(path);
    ASSERT_TRUE(hex.open(QIODevice::WriteOnly));
    hex.write(text);
  }
  ASSERT_FALSE(core->LoadFileToBuffer(cut));
  ASSERT_EQ(core->buffer.BytesLoaded, 4);
  ASSERT_EQ(core->settings.ReloadFile, 0);

  const QString refusal = QStringLiteral("Only part of \"%1\" was loaded into the buffer. Nothing "
                                         "is sent to the chip until a file loads whole.")
                              .arg(cut);
  for (const int function : {orvane::kProgram, orvane::kVerify, orvane::kAutoProgram}) {
    prompter.shown.clear();
    host.lines = {P("left from before")};
    run(function);
    ASSERT_EQ(prompter.messages(), QStringList{refusal}) << function;
    EXPECT_EQ(prompter.shown.back().icon, common::Prompter::Icon::Error);
    EXPECT_TRUE(host.lines.empty()) << function;
    EXPECT_TRUE(host.busyChanges.empty()) << function;
    EXPECT_EQ(box->Received(), "") << function;
  }
  prompter.shown.clear();
  run(orvane::kSignature);
  EXPECT_TRUE(prompter.messages().isEmpty());
  expectLog(detected());

  ASSERT_TRUE(core->LoadFileToBuffer(whole));
  box->ClearReceived();
  run(orvane::kProgram);
  EXPECT_TRUE(prompter.messages().isEmpty());
  EXPECT_EQ(core->buffer.BytesLoaded, 0x104);
  EXPECT_EQ(box->Received().substr(0, 14), "\rgeps260\nw\xFF\xFF\xFF\xFF");
}

TEST_F(SequencerTest, AReadStoppedAtItsChipSizeStepLeavesTheShortTick) {
  // The link is gone when the chip-size step would send "b".
  seq->Function = orvane::kRead;
  seq->StepState = Step::DetectChip;
  seq->StepSucceeded = true;
  seq->Algo1_Lookup();
  expectLog({P("Chip Size..."), R("Communication Error: The port is not open")});
  EXPECT_EQ(prompter.messages(), QStringList{"The port is not open"});
  EXPECT_EQ(seq->Algo1_Timer1().interval(), kTick);
  EXPECT_FALSE(seq->Algo1_Timer1().isActive());
}

// ---------------------------------------------------------------------------
// How each function ended, typed, for the clients to act on.

using Kind = common::Outcome::Kind;
using Cause = common::Outcome::Cause;

TEST_F(SequencerTest, EveryEndingGivesItsTypedOutcome) {
  const struct {
    int function;
    Kind kind;
    Cause cause;
    const char *message;
  } cases[] = {
      {orvane::kSignature, Kind::Ok, Cause::None, "AT89S51, 4K Flash approx."},
      {orvane::kProgram, Kind::Ok, Cause::None, "100 Bytes written, Verify Pending"},
      {orvane::kVerify, Kind::Ok, Cause::None, "Verify Succesful"},
      // The chip holds the image now: a blank check fails on it.
      {orvane::kBlankCheck, Kind::Failed, Cause::Chip, "100 Bytes Used Approximately"},
      // The closing report of Auto Program and Lock informs and decides nothing.
      {orvane::kAutoProgram, Kind::Ok, Cause::None, "100 Bytes Used Approximately"},
      {orvane::kLock, Kind::Ok, Cause::None, "100 Bytes Used Approximately"},
      {orvane::kRead, Kind::Ok, Cause::None,
       "4096 Bytes read, Use File>Save Buffer as HEX to save the buffer content to HEX file."},
      {orvane::kErase, Kind::Ok, Cause::None, "OK"},
  };
  loadImage(100);
  core->settings.Verify = 0;
  core->settings.Lock = 0;
  for (const auto &c : cases) {
    if (c.function == orvane::kRead)
      loadImage(100); // read put the chip's bytes in the image
    run(c.function);
    const common::Outcome &o = seq->LastOutcome();
    EXPECT_EQ(o.kind, c.kind) << c.message;
    EXPECT_EQ(o.cause, c.cause) << c.message;
    EXPECT_EQ(o.message, QString::fromLatin1(c.message));
  }
}

TEST_F(SequencerTest, FailuresAreTypedByWhatLetTheFunctionDown) {
  loadImage(50);
  run(orvane::kProgram);
  loadImage(50);
  core->buffer.ImageArea[7] ^= 0xFF;
  run(orvane::kVerify);
  EXPECT_EQ(seq->LastOutcome().kind, Kind::Failed);
  EXPECT_EQ(seq->LastOutcome().cause, Cause::Chip);
  EXPECT_EQ(seq->LastOutcome().message, "Verify Failed at address 8\r   Try re-inserting chip");

  port.SetPort(dir.filePath("no-such-port"));
  run(orvane::kErase);
  EXPECT_EQ(seq->LastOutcome().kind, Kind::Failed);
  EXPECT_EQ(seq->LastOutcome().cause, Cause::Port);
  EXPECT_EQ(port.OpenErrorCode(), ENOENT);
  port.SetPort(pathOf(*box));

  core->ModelChange(QStringLiteral("Other Box"));
  run(orvane::kErase);
  EXPECT_EQ(seq->LastOutcome().kind, Kind::Refused);
  core->ModelChange(kModel);

  sim::BoxFaults faults;
  faults.silent = true;
  box->SetFaults(faults);
  run(orvane::kSignature);
  EXPECT_EQ(seq->LastOutcome().kind, Kind::Failed);
  EXPECT_EQ(seq->LastOutcome().message, "Hardware Detect Timeout");
}

TEST_F(SequencerTest, AnotherChipThanTheOneExpectedStopsBeforeAnythingIsSentToIt) {
  loadImage(20);
  seq->SetExpectedDevice(QStringLiteral("AT89S52"));
  run(orvane::kProgram);
  EXPECT_EQ(seq->LastOutcome().kind, Kind::Refused);
  expectLog(Lines{P("Detecting Hardware..."), R(kGreeting), P("Detecting Chip..."),
                  R("The chip is AT89S51, not AT89S52: nothing is done to it")});
  EXPECT_EQ(box->Received(), "\rg");

  seq->SetExpectedDevice(QStringLiteral("at89s51"));
  run(orvane::kProgram);
  EXPECT_EQ(seq->LastOutcome().kind, Kind::Ok);
}

} // namespace
