// The session without any window: the hardware the shared factory makes for
// this edition (its cable and one state file), the engine with its settings,
// and each chip command's typed outcome, with the device check, the fuse
// guards, Cancel and the target released at the end.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/testing/ScriptedPrompter.h"
#include "isp/hardware/IspHardware.h"
#include "sim/isp/Chip.h"
#include "sim/isp/ChipModels.h"
#include "tests/tollen/engine/TollenRig.h"
#include "tollen/engine/Session.h"

namespace tollen::testing {
namespace {

using common::Outcome;
using Ends = Outcome::Kind;

// What the session reported, and where it was asked to let events run.
struct RecordedProgress : common::Progress {
  QStringList titles;
  qint64 total = -1;
  qint64 last = 0;
  int ends = 0;
  int pumps = 0;
  std::function<void(qint64)> onAdvance;
  void begin(const QString &title, qint64 t) override {
    titles << title;
    total = t;
  }
  void advance(qint64 done) override {
    last = done;
    if (onAdvance) {
      onAdvance(done);
    }
  }
  void end() override { ++ends; }
  void processEvents() override { ++pumps; }
};

// A session of the program as it starts with --simulate=CHIP, the delays
// virtual.
struct SessionRig {
  QTemporaryDir dir;
  common::ScriptedPrompter prompter;
  rindle::SimulatedHardware *hardware = nullptr;
  std::unique_ptr<Session> session;

  explicit SessionRig(const char *chip, std::uint16_t row = device::kAtMega8) {
    rindle::SimulationSetup setup =
        SimulatedCable(QString::fromLatin1(chip), dir.filePath(kSimulatedChipFile));
    setup.realDelays = false;
    auto made = rindle::MakeHardware(true, setup);
    hardware = dynamic_cast<rindle::SimulatedHardware *>(made.get());
    session = std::make_unique<Session>(std::move(made), prompter,
                                        dir.filePath(QString::fromLatin1(kSettingsFileName)));
    session->Start();
    EXPECT_TRUE(session->SelectDevice(row));
  }

  TollenEngine &engine() { return session->Engine(); }
  sim::isp::Bench &bench() { return hardware->bench(); }
  sim::isp::Chip &chip() { return *bench().chip(); }
  void FillBuffer(std::uint32_t seed) {
    const std::vector<std::uint8_t> image = RandomImage(engine().TotalSize, seed);
    std::ranges::copy(image, engine().Cells.cells.begin());
  }
  std::vector<std::uint8_t> Buffer() {
    return {engine().Cells.cells.begin(), engine().Cells.cells.begin() + engine().TotalSize};
  }
  std::vector<std::uint8_t> ChipImage() {
    std::vector<std::uint8_t> image(chip().flash().begin(), chip().flash().end());
    image.insert(image.end(), chip().eeprom().begin(), chip().eeprom().end());
    return image;
  }
  // The buffer off and every line low: the target runs on its own.
  bool TargetReleased() { return bench().dataRegister() == engine().Port.BenMask; }
};

constexpr rindle::FuseBoxes::Bytes kUnprogrammed{0xFF, 0xFF, 0xFF, 0xFF};

TEST(Session, RunsOnTheSharedFactorysSimulatedCable) {
  SessionRig r("ATmega8");
  ASSERT_NE(r.hardware, nullptr);
  EXPECT_EQ(r.chip().model().name, "ATmega8");
  // Start-up found the cable through its presence loop.
  EXPECT_EQ(r.engine().Port.PortBase, r.bench().base());
  EXPECT_EQ(r.hardware->stateFile({}), r.dir.filePath(kSimulatedChipFile));
}

TEST(Session, WriteVerifyAndReadReturnTheirOutcomes) {
  SessionRig r("ATmega8");
  r.FillBuffer(7);
  const std::vector<std::uint8_t> image = r.Buffer();
  RecordedProgress progress;

  const Outcome written = r.session->Write(kUnprogrammed, progress);
  EXPECT_EQ(written.kind, Ends::Ok);
  EXPECT_EQ(written.message, "Programming/Verify OK\rLock & Fuse Bits Programmed");
  EXPECT_EQ(r.ChipImage(), image);
  EXPECT_EQ(progress.titles, QStringList{"  Programming the uController . . ."});
  EXPECT_EQ(progress.total, r.engine().TotalSize);
  EXPECT_GT(progress.last, 0);
  EXPECT_GT(progress.pumps, 0);
  EXPECT_EQ(progress.ends, 1);
  EXPECT_TRUE(r.TargetReleased());
  // The factory fuses stood in for the bytes that program nothing.
  EXPECT_EQ(r.chip().fuse(sim::isp::kFuseLow), 0xE1);
  EXPECT_EQ(r.chip().fuse(sim::isp::kFuseHigh), 0xD9);

  const Outcome verified = r.session->Verify(progress);
  EXPECT_EQ(verified.kind, Ends::Ok);
  EXPECT_EQ(verified.message, "Verify OK");

  r.chip().flash()[5] ^= 0xFF;
  const Outcome differs = r.session->Verify(progress);
  EXPECT_EQ(differs.kind, Ends::Failed);
  EXPECT_EQ(differs.cause, Outcome::Cause::Chip);
  EXPECT_FALSE(differs.message.isEmpty());
  EXPECT_TRUE(r.TargetReleased());

  std::ranges::fill(r.engine().Cells.cells, 0xFF);
  r.engine().ProgramFileName = r.dir.filePath("app.hex");
  const Outcome read = r.session->Read(progress);
  EXPECT_EQ(read.kind, Ends::Ok);
  EXPECT_EQ(read.message, "Data Reading Complete");
  EXPECT_EQ(r.Buffer(), r.ChipImage());
  EXPECT_TRUE(r.engine().ProgramFileName.isEmpty()) << "the buffer is no file's any more";
  EXPECT_EQ(r.engine().LastDirectory, r.dir.path());
  EXPECT_TRUE(r.prompter.shown.empty()) << "the session itself says nothing";
}

TEST(Session, ASignatureMismatchAsksAndANoRefusesWithoutAWrite) {
  // An ATtiny26 in the socket, an ATmega8 chosen.
  SessionRig r("ATtiny26");
  const std::vector<std::uint8_t> before = r.ChipImage();
  r.FillBuffer(3);
  RecordedProgress progress;
  r.prompter.answers = {false};
  const Outcome outcome = r.session->Write(kUnprogrammed, progress);
  EXPECT_EQ(outcome.kind, Ends::Refused);
  EXPECT_TRUE(outcome.message.isEmpty());
  ASSERT_EQ(r.prompter.shown.size(), 1u);
  EXPECT_EQ(r.prompter.shown[0].text, "Device Signature did not match.\rDo you want to continue ?");
  EXPECT_EQ(r.ChipImage(), before);
  EXPECT_EQ(r.chip().counters().erases, 0u);
  EXPECT_TRUE(progress.titles.isEmpty()) << "no progress window for a refused command";
  EXPECT_TRUE(r.TargetReleased());
}

TEST(Session, FusesThatEndSerialProgrammingAreWrittenOnlyAfterAYes) {
  SessionRig r("ATmega8");
  r.FillBuffer(5);
  const std::uint8_t low = r.chip().fuse(sim::isp::kFuseLow);
  const std::uint8_t high = r.chip().fuse(sim::isp::kFuseHigh);
  // RSTDISBL programmed: serial programming would end.
  const rindle::FuseBoxes::Bytes lockout{.high = 0x59, .low = 0xE1};
  RecordedProgress progress;

  for (const auto &[command, run] : std::vector<std::pair<const char *, std::function<Outcome()>>>{
           {"  Write", [&] { return r.session->Write(lockout, progress); }},
           {"  Lock Bits", [&] { return r.session->WriteLockBits(lockout, progress); }}}) {
    SCOPED_TRACE(command);
    r.prompter.shown.clear();
    r.prompter.answers = {false};
    const Outcome outcome = run();
    EXPECT_EQ(outcome.kind, Ends::Refused);
    EXPECT_TRUE(outcome.message.isEmpty()) << "a No ends the command without a word";
    ASSERT_EQ(r.prompter.shown.size(), 1u);
    EXPECT_EQ(r.prompter.shown[0].caption, command);
    EXPECT_EQ(r.chip().fuse(sim::isp::kFuseLow), low);
    EXPECT_EQ(r.chip().fuse(sim::isp::kFuseHigh), high);
    EXPECT_EQ(r.chip().counters().erases, 0u);
    EXPECT_FALSE(r.chip().serialDisabled());
  }
  // A Yes writes them.
  r.prompter.answers = {true};
  const Outcome confirmed = r.session->Write(lockout, progress);
  EXPECT_EQ(confirmed.kind, Ends::Ok) << confirmed.message.toStdString();
  EXPECT_EQ(r.chip().fuse(sim::isp::kFuseHigh), 0x59);
}

TEST(Session, WriteLockBitsWithNothingChosenIsRefusedWithItsMessage) {
  SessionRig r("AT89S51", device::kAt89S51);
  RecordedProgress progress;
  const Outcome outcome = r.session->WriteLockBits(kUnprogrammed, progress);
  EXPECT_EQ(outcome.kind, Ends::Refused);
  EXPECT_EQ(outcome.message, "No Lock Bit is Selected");
  EXPECT_EQ(r.chip().counters().fuseWrites, 0u);

  r.engine().LockBits = 0x01;
  const Outcome written = r.session->WriteLockBits(kUnprogrammed, progress);
  EXPECT_EQ(written.kind, Ends::Ok);
  EXPECT_EQ(written.message, "Lock Bits are Programmed");
  EXPECT_TRUE(r.TargetReleased());
}

TEST(Session, CancelStopsAReadHalfway) {
  SessionRig r("ATmega8");
  RecordedProgress progress;
  progress.onAdvance = [&](qint64 done) {
    if (done >= r.engine().TotalSize / 2) {
      r.session->Cancel();
    }
  };
  const Outcome outcome = r.session->Read(progress);
  EXPECT_EQ(outcome.kind, Ends::Cancelled);
  EXPECT_LT(progress.last, r.engine().TotalSize);
  EXPECT_EQ(progress.ends, 1);
  EXPECT_TRUE(r.TargetReleased());

  // The next command starts afresh.
  progress.onAdvance = {};
  EXPECT_EQ(r.session->Read(progress).kind, Ends::Ok);
}

TEST(Session, AnEmptySocketFailsOnTheChip) {
  SessionRig r("ATmega8");
  r.bench().removeChip();
  r.FillBuffer(9);
  RecordedProgress progress;
  r.prompter.answers = {true}; // go on after the mismatch
  const Outcome outcome = r.session->Write(kUnprogrammed, progress);
  EXPECT_EQ(outcome.kind, Ends::Failed);
  EXPECT_EQ(outcome.cause, Outcome::Cause::Chip);
  EXPECT_EQ(outcome.message, kNoResponseText);

  const Outcome signature = r.session->Signature(progress);
  EXPECT_EQ(signature.kind, Ends::Failed);
  EXPECT_EQ(signature.message, kNoResponseText);
  EXPECT_FALSE(r.session->SignatureMatched());
}

TEST(Session, SignatureOfTheChosenChip) {
  SessionRig r("ATmega8");
  RecordedProgress progress;
  const Outcome outcome = r.session->Signature(progress);
  EXPECT_EQ(outcome.kind, Ends::Ok);
  EXPECT_TRUE(r.session->SignatureMatched());
  EXPECT_EQ(r.engine().SignatureBytes[0], 0x1E);
  EXPECT_EQ(progress.ends, 1);
}

} // namespace
} // namespace tollen::testing
