#include "sim/isp/Bench.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using namespace sim::isp;
namespace fs = std::filesystem;

namespace {

class StateFile : public testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("sim_isp_state_" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const char *name) const { return (dir_ / name).string(); }

  static std::string Read(const std::string &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }
  static void Write(const std::string &p, const std::string &text) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
  }

  // A chip with something in every part of its state.
  static void Fill(Chip &c) {
    for (std::size_t i = 0; i < c.flash().size(); i += 97)
      c.flash()[i] = static_cast<std::uint8_t>(i * 13);
    c.flash().back() = 0x00;
    for (std::size_t i = 0; i < c.eeprom().size(); i += 5)
      c.eeprom()[i] = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < c.userSignature().size(); ++i)
      c.userSignature()[i] = static_cast<std::uint8_t>(0xC0 + i);
    c.setFuse(kFuseLow, 0x12);
    c.setFuse(kFuseHigh, 0x34);
    c.setFuse(kFuseExtended, 0x56);
    c.setLockByte(0xFC);
    c.calibration() = {0x01, 0x02, 0x03, 0x04};
  }

  static void ExpectSame(Chip &a, Chip &b) {
    EXPECT_EQ(a.model().name, b.model().name);
    EXPECT_TRUE(std::ranges::equal(a.flash(), b.flash()));
    EXPECT_TRUE(std::ranges::equal(a.eeprom(), b.eeprom()));
    EXPECT_TRUE(std::ranges::equal(a.userSignature(), b.userSignature()));
    for (FuseIndex f : {kFuseLow, kFuseHigh, kFuseExtended})
      EXPECT_EQ(a.fuse(f), b.fuse(f));
    EXPECT_EQ(a.lockByte(), b.lockByte());
    EXPECT_EQ(a.calibration(), b.calibration());
  }

  fs::path dir_;
};

TEST_F(StateFile, RoundTripKeepsEveryPartOfTheChip) {
  for (const char *device : {"MEGA128", "AT89S8253", "TINY15", "AT89S53"}) {
    SCOPED_TRACE(device);
    Bench saved(device);
    Fill(*saved.chip());
    ASSERT_EQ(saved.saveState(path("chip.state")), "");
    EXPECT_FALSE(fs::exists(path("chip.state.tmp")));

    Bench loaded("MEGA8"); // a different chip is replaced by the saved one
    ASSERT_EQ(loaded.loadState(path("chip.state")), "");
    ExpectSame(*saved.chip(), *loaded.chip());
  }
}

TEST_F(StateFile, LoadedChipIsOnTheCable) {
  Bench saved("MEGA8");
  saved.chip()->flash()[0] = 0x42;
  ASSERT_EQ(saved.saveState(path("chip.state")), "");
  Bench bench;
  ASSERT_EQ(bench.loadState(path("chip.state")), "");
  ASSERT_NE(bench.chip(), nullptr);
  EXPECT_EQ(bench.chip()->flash()[0], 0x42);
  EXPECT_TRUE(bench.chip()->inReset()); // port data 0x00: buffer on, reset low
}

TEST_F(StateFile, DamagedFilesAreRefusedAndTheChipKept) {
  Bench original("TINY13");
  Fill(*original.chip());
  ASSERT_EQ(original.saveState(path("good.state")), "");
  const std::string good = Read(path("good.state"));

  auto replace = [&](const std::string &from, const std::string &to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const struct {
    const char *name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"truncated", good.substr(0, good.size() / 2)},
      {"no final newline", good.substr(0, good.size() - 1)},
      {"other file", "hello\n"},
      {"unknown device", replace("device ATtiny13", "device ATtiny99")},
      {"other device, sizes differ", replace("device ATtiny13", "device ATtiny25")},
      {"not hexadecimal", replace("flash 1024\n", "flash 1024\nZZ")},
      {"short line", replace("flash 1024\n", "flash 1024\nFF")},
      {"one byte changed", replace("eeprom 64\n", "eeprom 64\n1")},
      {"wrong size", replace("eeprom 64", "eeprom 65")},
      {"text after the end", good + "more\n"},
      {"binary junk", std::string("\0\xFF\x13\n", 4)},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Write(path("bad.state"), c.text);
    Bench bench("MEGA8");
    bench.chip()->flash()[3] = 0x33;
    const std::string error = bench.loadState(path("bad.state"));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    ASSERT_NE(bench.chip(), nullptr);
    EXPECT_EQ(bench.chip()->model().name, "ATmega8");
    EXPECT_EQ(bench.chip()->flash()[3], 0x33);
  }
}

TEST_F(StateFile, MissingOrUnwritableFilesGiveAMessage) {
  Bench bench("MEGA8");
  EXPECT_NE(bench.loadState(path("absent.state")), "");
  EXPECT_EQ(bench.chip()->model().name, "ATmega8");

  const std::string inMissingFolder = path("no/such/folder/chip.state");
  EXPECT_NE(bench.saveState(inMissingFolder), "");
  EXPECT_FALSE(fs::exists(inMissingFolder));

  Bench empty;
  EXPECT_NE(empty.saveState(path("none.state")), "");
  EXPECT_FALSE(fs::exists(path("none.state")));
}

TEST_F(StateFile, FailedSaveLeavesTheOldFile) {
  Bench bench("MEGA8");
  ASSERT_EQ(bench.saveState(path("chip.state")), "");
  const std::string before = Read(path("chip.state"));
  // A folder where the temporary file should go makes the write fail.
  fs::create_directory(path("chip.state.tmp"));
  bench.chip()->flash()[0] = 0x00;
  EXPECT_NE(bench.saveState(path("chip.state")), "");
  EXPECT_EQ(Read(path("chip.state")), before);
}

} // namespace
