// Start-up: the cable looked for on the three printer ports, and the
// settings file with the program file it names.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>

#include "common/testing/ScriptedPrompter.h"
#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

// A simulated port whose device cannot be had at one address.
class PortWithLockedAddress : public sim::isp::Bench {
public:
  PortWithLockedAddress(std::uint16_t base, std::optional<std::uint16_t> locked)
      : Bench("ATmega8", base), locked_(locked) {}
  common::PortReach Open(std::uint16_t base) override {
    opened.push_back(base);
    if (locked_ && base == *locked_) {
      return {"/dev/parport0", false, "Permission denied"};
    }
    return {};
  }
  std::vector<std::uint16_t> opened;

private:
  std::optional<std::uint16_t> locked_;
};

void WriteFile(const QString &path, const QByteArray &content) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(content);
}

struct DetectCase {
  const char *name;
  std::uint16_t cableBase;
  bool loop;                           // the cable has its presence loop
  std::optional<std::uint16_t> stored; // port line of a settings file
  std::optional<std::uint16_t> locked; // a port that cannot be opened
  std::uint16_t expected;
  int messages;
};

void PrintTo(const DetectCase &c, std::ostream *os) { *os << c.name; }

class Detection : public ::testing::TestWithParam<DetectCase> {};

TEST_P(Detection, FindsTheCableOrSaysSoOnce) {
  const DetectCase &c = GetParam();
  QTemporaryDir dir;
  PortWithLockedAddress bench(c.cableBase, c.locked);
  sim::isp::CableWiring wiring;
  wiring.presenceLoop = c.loop;
  bench.setWiring(wiring);
  common::ScriptedPrompter prompter;
  TollenEngine engine(bench, bench);
  engine.Messages = &prompter;
  engine.SettingsPath = dir.filePath(kSettingsFileName);
  if (c.stored) {
    WriteFile(engine.SettingsPath,
              QByteArray::number(*c.stored) + "\r\n10\r\n0\r\n\r\n255\r\n255\r\n255\r\n255\r\n");
  }
  engine.InitEngine();
  EXPECT_EQ(engine.Port.PortBase, c.expected);
  ASSERT_EQ(static_cast<int>(prompter.shown.size()), c.messages);
  if (c.messages == 1) {
    EXPECT_EQ(prompter.shown[0].text,
              "Programmer Hardware not found . . .\rPrinter Port set to default LPT-1");
  }
  ASSERT_FALSE(bench.opened.empty());
  EXPECT_EQ(bench.opened.back(), c.expected) << "the port settled on is the one open";
  if (c.expected == c.cableBase) {
    EXPECT_EQ(bench.dataRegister(), 0x08) << "target released at the end";
  }
  EXPECT_EQ(bench.timerSetups(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Tollen, Detection,
    ::testing::Values(
        DetectCase{"CableOnLpt2", 0x278, true, std::nullopt, std::nullopt, 0x278, 0},
        DetectCase{"CableOnLpt3", 0x3BC, true, std::nullopt, std::nullopt, 0x3BC, 0},
        DetectCase{"NoCableAnywhere", 0x378, false, std::nullopt, std::nullopt, 0x378, 1},
        DetectCase{"CableOnAPortThatCannotBeOpened", 0x278, true, std::nullopt, 0x278, 0x378, 1},
        DetectCase{"StoredPortIsTakenUntested", 0x378, false, 0x3BC, std::nullopt, 0x3BC, 0}),
    ByName{});

// A port that cannot be had is no cable; the message then also says why the
// default port cannot be used.
TEST(Detection, APortThatCannotBeHadIsNamedWithItsReason) {
  for (const bool stored : {false, true}) {
    QTemporaryDir dir;
    PortWithLockedAddress bench(0x378, 0x378);
    common::ScriptedPrompter prompter;
    TollenEngine engine(bench, bench);
    engine.Messages = &prompter;
    engine.SettingsPath = dir.filePath(kSettingsFileName);
    if (stored) {
      WriteFile(engine.SettingsPath, "888\r\n0\r\n0\r\n\r\n255\r\n255\r\n255\r\n255\r\n");
    }
    engine.InitEngine();
    ASSERT_EQ(prompter.shown.size(), 1u) << "stored: " << stored;
    EXPECT_EQ(prompter.shown[0].text,
              stored ? QStringLiteral("Permission denied")
                     : QStringLiteral("Programmer Hardware not found . . .\rPrinter Port set to "
                                      "default LPT-1\r\rPermission denied"));
    EXPECT_EQ(engine.Port.PortBase, 0x378);
  }
}

TEST(Detection, TheLoopIsDrivenAndReadWithoutWaiting) {
  sim::isp::Bench bench("", 0x278);
  sim::isp::CableWiring wiring;
  wiring.presenceLoop = true;
  bench.setWiring(wiring);
  bench.setLogging(true);
  TollenEngine engine(bench, bench);
  engine.DetectProgrammer();
  ASSERT_EQ(engine.Port.PortBase, 0x278);
  std::vector<std::pair<bool, std::uint16_t>> accesses;
  for (const auto &a : bench.log()) {
    accesses.emplace_back(a.write, a.port);
  }
  const std::vector<std::pair<bool, std::uint16_t>> expected{
      {true, 0x378}, {false, 0x379}, {true, 0x378}, {false, 0x379},
      {true, 0x278}, {false, 0x279}, {true, 0x278}, {false, 0x279}};
  EXPECT_EQ(accesses, expected);
  EXPECT_EQ(bench.now(), 0u);
}

class Settings : public ::testing::Test {
protected:
  QTemporaryDir dir;
  sim::isp::Bench bench{"ATmega8"};
  QString path = dir.filePath(kSettingsFileName);

  std::unique_ptr<TollenEngine> Start() {
    auto engine = std::make_unique<TollenEngine>(bench, bench);
    engine->SettingsPath = path;
    engine->InitEngine();
    return engine;
  }
};

TEST_F(Settings, SavedLinesComeBackAndTheProgramFileIsLoaded) {
  const QString hex = dir.filePath("blink.hex");
  WriteFile(hex, ":02000000AA55FF\r\n:00000001FF\r\n");
  TollenEngine first(bench, bench);
  first.SettingsPath = path;
  first.Port.PortBase = 0x278;
  first.DeviceIndex = device::kAtMega8;
  first.LockBits = 3;
  first.ProgramFileName = hex;
  first.FuseExtended = 0xFD;
  first.FuseHigh = 0xD9;
  first.FuseLow = 0xE4;
  first.LockByte = 0x3C;
  ASSERT_TRUE(first.SaveSettings());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "632\r\n10\r\n3\r\n" + hex.toUtf8() + "\r\n253\r\n217\r\n228\r\n60\r\n");
  f.close();

  const auto second = Start();
  EXPECT_EQ(second->Port.PortBase, 0x278);
  EXPECT_EQ(second->DeviceIndex, device::kAtMega8);
  EXPECT_EQ(second->LockBits, 3);
  EXPECT_EQ(second->ProgramFileName, hex);
  EXPECT_EQ(second->FuseExtended, 0xFD);
  EXPECT_EQ(second->FuseHigh, 0xD9);
  EXPECT_EQ(second->FuseLow, 0xE4);
  EXPECT_EQ(second->LockByte, 0x3C);
  EXPECT_EQ(second->Cells.cells[0], 0xAA);
  EXPECT_EQ(second->Cells.cells[1], 0x55);
  EXPECT_TRUE(second->SettingsProblem.isEmpty());
}

TEST_F(Settings, NoFileKeepsTheDefaults) {
  const auto engine = Start();
  EXPECT_EQ(engine->DeviceIndex, device::kAt89S51);
  EXPECT_EQ(engine->FuseLow, 0xFF);
  EXPECT_TRUE(engine->ProgramFileName.isEmpty());
  EXPECT_TRUE(std::ranges::all_of(engine->Cells.cells, [](std::uint8_t c) { return c == 0xFF; }));
}

TEST_F(Settings, AProgramFileThatIsGoneIsForgotten) {
  WriteFile(path, "888\r\n10\r\n0\r\n" + dir.filePath("gone.hex").toUtf8() +
                      "\r\n255\r\n255\r\n255\r\n255\r\n");
  EXPECT_TRUE(Start()->ProgramFileName.isEmpty());
}

TEST_F(Settings, ABadLineStopsTheReadAndKeepsWhatCameBefore) {
  WriteFile(path, "632\r\n10\r\n2\r\n\r\n253\r\nD9\r\n228\r\n60\r\n");
  const auto engine = Start();
  EXPECT_EQ(engine->Port.PortBase, 0x278);
  EXPECT_EQ(engine->DeviceIndex, device::kAtMega8);
  EXPECT_EQ(engine->FuseExtended, 0xFD);
  EXPECT_EQ(engine->FuseHigh, 0xFF) << "the bad line and those after it keep their defaults";
  EXPECT_EQ(engine->FuseLow, 0xFF);
  EXPECT_TRUE(engine->SettingsProblem.contains(QStringLiteral("Line 6")))
      << engine->SettingsProblem.toStdString();
}

QByteArray ReadFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// The settings written at the end of the run do not replace a damaged file:
// it is kept beside them, and the user is told once.
TEST_F(Settings, ADamagedFileIsKeptAsideAndToldAbout) {
  const QByteArray damaged = "632\r\n10\r\n2\r\n\r\n253\r\nD9\r\n";
  WriteFile(path, damaged);
  const auto engine = Start();
  ASSERT_EQ(engine->StoredFileNotices.size(), 1);
  EXPECT_EQ(engine->StoredFileNotices.front(),
            "Settings file error . . .\rLine 6: 'D9' is not a valid integer value\r\r"
            "The file \"" +
                path + "\" is kept as \"" + path +
                ".bad\"; the values before the "
                "bad line are used, the defaults for the rest.");
  EXPECT_TRUE(engine->SaveSettings());
  EXPECT_EQ(ReadFile(path + ".bad"), damaged);
  EXPECT_EQ(ReadFile(path), "632\r\n10\r\n2\r\n\r\n253\r\n255\r\n255\r\n255\r\n");
  EXPECT_TRUE(Start()->StoredFileNotices.isEmpty());
}

TEST_F(Settings, ADamagedFileThatCannotBeKeptAsideIsNotWrittenOver) {
  const QByteArray damaged = "632\r\nten\r\n";
  WriteFile(path, damaged);
  WriteFile(path + ".bad", "older");
  for (int n = 2; n <= 99; ++n) {
    WriteFile(path + ".bad." + QString::number(n), "older");
  }
  const auto engine = Start();
  ASSERT_EQ(engine->StoredFileNotices.size(), 1);
  EXPECT_TRUE(engine->StoredFileNotices.front().contains("is left as it is and not written over"));
  EXPECT_FALSE(engine->SaveSettings());
  EXPECT_EQ(ReadFile(path), damaged);
}

// A program file named in the settings that no longer loads is not left
// half in the buffer without a word.
TEST_F(Settings, AProgramFileThatFailsToLoadIsToldAbout) {
  const QString hex = dir.filePath("blink.hex");
  WriteFile(hex, ":02000000AA55FF\r\n:0200020011223344\r\n");
  WriteFile(path, "888\r\n10\r\n0\r\n" + hex.toUtf8() + "\r\n255\r\n255\r\n255\r\n255\r\n");
  const auto engine = Start();
  EXPECT_EQ(engine->StoredFileNotices,
            QStringList{"Data Checksum Error . . .\r\rThe program file \"" + hex +
                        "\" named in the settings could not be loaded; the buffer starts blank."});
  EXPECT_TRUE(engine->ProgramFileName.isEmpty());
  EXPECT_TRUE(std::ranges::all_of(engine->Cells.cells, [](auto c) { return c == 0xFF; }));
  EXPECT_EQ(ReadFile(hex), ":02000000AA55FF\r\n:0200020011223344\r\n");
}

TEST_F(Settings, TheSeparatorRowIsNoDevice) {
  WriteFile(path, "888\r\n4\r\n0\r\n\r\n255\r\n255\r\n255\r\n255\r\n");
  const auto engine = Start();
  EXPECT_EQ(engine->DeviceIndex, device::kAt89S51);
  engine->SelectDevice();
  EXPECT_EQ(engine->TotalSize, 4096);
}

// The edition's list: its own rows, captions and sizes, each device one of
// the programmer's records.
struct EditionRow {
  std::uint16_t row;
  const char *listText;
  const char *chip; // data-sheet name; nullptr for the separator
  std::uint32_t total;
  std::int32_t signature;
};

const EditionRow kEditionRows[] = {
    {0, "  89S51", "AT89S51", 4096, 0x1E5106},
    {1, "  89S52", "AT89S52", 8192, 0x1E5206},
    {2, "  89S53", "AT89S53", 12288, 0},
    {3, "  89S8252", "AT89S8252", 10240, 0},
    {4, "-------------------------", nullptr, 0, 0},
    {5, "  90S1200", "AT90S1200", 1088, 0x1E9001},
    {6, "  90S2313", "AT90S2313", 2176, 0x1E9101},
    {7, "  90S4433", "AT90S4433", 4352, 0x1E9203},
    {8, "  90S8515", "AT90S8515", 8704, 0x1E9301},
    {9, "  90S8535", "AT90S8535", 8704, 0x1E9303},
    {10, "  MEGA8", "ATmega8", 8704, 0x1E9307},
    {11, "  TINY26", "ATtiny26", 2176, 0x1E9109},
};

TEST(EditionDevices, AreTheProgrammersRecordsInTheEditionsOrder) {
  ASSERT_EQ(std::size(kEditionRows), kDeviceRows);
  for (const EditionRow &r : kEditionRows) {
    SCOPED_TRACE(r.row);
    EXPECT_EQ(DeviceListTexts()[r.row], r.listText);
    const DeviceInfo *d = FindDevice(r.row);
    if (r.chip == nullptr) {
      EXPECT_EQ(d, nullptr);
      continue;
    }
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->record, rindle::FindDevice(std::string_view(r.chip)));
    EXPECT_EQ(d->TotalBytes(), r.total);
    EXPECT_EQ(d->expectedSignature, r.signature);
    EXPECT_EQ(d->flashBytes, static_cast<std::uint32_t>(d->record->flashSize));
  }
  EXPECT_EQ(FindDevice(kDeviceRows), nullptr);
}

} // namespace
} // namespace tollen::testing
