#include "tests/sim/isp/Rig.h"

#include <gtest/gtest.h>

#include <functional>

using namespace sim::isp;
using namespace simtest;

namespace {

// Minimum waits from the AVR data sheets' serial programming tables, in
// microseconds: tWD_FLASH, tWD_EEPROM, tWD_ERASE, tWD_FUSE (lock writes take
// the fuse wait). The AT90S give one tWD_PROG and a chip-erase wait by
// supply voltage; these are the 5.0 V figures.
struct Waits {
  const char *device;
  std::uint32_t flashUs, eepromUs, eraseUs, fuseUs;
};

const Waits kWaits[] = {
    {"AT90S1200", 4000, 4000, 8000, 4000}, {"AT90S2313", 4000, 4000, 8000, 4000},
    {"AT90S4433", 4000, 4000, 8000, 4000}, {"AT90S8515", 4000, 4000, 8000, 4000},
    {"AT90S8535", 4000, 4000, 8000, 4000}, {"TINY12", 4500, 4000, 4000, 4500},
    {"TINY15", 4500, 4000, 4000, 4500},    {"MEGA8", 4500, 9000, 9000, 4500},
    {"MEGA16", 4500, 9000, 9000, 4500},    {"MEGA32", 4500, 9000, 9000, 4500},
    {"MEGA48", 4500, 3600, 9000, 4500},    {"MEGA64", 4500, 9000, 9000, 4500},
    {"MEGA88", 4500, 3600, 9000, 4500},    {"MEGA128", 4500, 9000, 9000, 4500},
    {"MEGA162", 4500, 9000, 9000, 4500},   {"MEGA164", 4500, 9000, 9000, 4500},
    {"MEGA165", 4500, 9000, 9000, 4500},   {"MEGA168", 4500, 3600, 9000, 4500},
    {"MEGA169", 4500, 9000, 9000, 4500},   {"MEGA324", 4500, 9000, 9000, 4500},
    {"MEGA644", 4500, 9000, 9000, 4500},   {"MEGA8515", 4500, 9000, 9000, 4500},
    {"MEGA8535", 4500, 9000, 9000, 4500},  {"TINY13", 4500, 4000, 4000, 4500},
    {"TINY25", 4500, 4000, 9000, 4500},    {"TINY26", 4500, 9000, 9000, 4500},
    {"TINY45", 4500, 4000, 9000, 4500},    {"TINY85", 4500, 4000, 9000, 4500},
    {"TINY2313", 4500, 4000, 9000, 4500},
};

// A programmer converting a data-sheet time to 1/1,193,182 s ticks.
std::uint32_t Ticks(std::uint32_t us) {
  return static_cast<std::uint32_t>(std::uint64_t{us} * 1193182u / 1000000u);
}

// The driver returns one half bit after an instruction's last rising edge,
// and the next instruction's first rising edge comes one half bit after it
// starts: waiting this much less puts that edge exactly `ticks` after the
// last one.
constexpr std::uint32_t kEdgeToEdge = 2 * 3;

void WaitFromLastEdge(Rig &rig, std::uint32_t ticks) { rig.d.wait(ticks - kEdgeToEdge); }

const Waits &WaitsOf(const std::string &device) {
  for (const Waits &w : kWaits)
    if (device == w.device)
      return w;
  throw std::runtime_error("no waits for " + device);
}

bool PageMode(const Rig &rig) { return rig.model.family == Family::AvrPageMode; }

// --- One write of each kind, then an instruction at the data-sheet time ---

enum class Kind { Flash, EepromByte, EepromPage, Erase, Fuse, Lock };

const char *KindName(Kind k) {
  switch (k) {
  case Kind::Flash: return "Flash";
  case Kind::EepromByte: return "EepromByte";
  case Kind::EepromPage: return "EepromPage";
  case Kind::Erase: return "Erase";
  case Kind::Fuse: return "Fuse";
  case Kind::Lock: return "Lock";
  }
  return "";
}

struct WriteCase {
  std::string device;
  Kind kind;
};

std::uint32_t WaitFor(const WriteCase &c) {
  const Waits &w = WaitsOf(c.device);
  switch (c.kind) {
  case Kind::Flash: return w.flashUs;
  case Kind::EepromByte:
  case Kind::EepromPage: return w.eepromUs;
  case Kind::Erase: return w.eraseUs;
  case Kind::Fuse:
  case Kind::Lock: return w.fuseUs;
  }
  return 0;
}

// Sends the write; returns a check of what it changed, run once it is done.
std::function<void()> StartWrite(Rig &rig, Kind kind) {
  RawDriver &d = rig.d;
  const ByteVariant v = rig.model.variant;
  switch (kind) {
  case Kind::Flash:
    if (PageMode(rig)) {
      d.send({0x48, 0x00, 0x02, 0x5A}); // high byte of word 2
      d.send({0x4C, 0x00, 0x00, 0x00});
    } else {
      d.send({0x48, 0x00, 0x02, 0x5A});
    }
    return [&rig] { EXPECT_EQ(rig.d.read4(0x28, 0x00, 0x02), 0x5A); };
  case Kind::EepromByte:
    d.send({0xC0, 0x00, 0x03, 0x22});
    return [&rig] { EXPECT_EQ(rig.d.read4(0xA0, 0x00, 0x03), 0x22); };
  case Kind::EepromPage:
    d.send({0xC1, 0x00, 0x01, 0x33});
    d.send({0xC2, 0x00, 0x00, 0x00});
    return [&rig] { EXPECT_EQ(rig.d.read4(0xA0, 0x00, 0x01), 0x33); };
  case Kind::Erase:
    rig.chip().flash()[5] = 0x00;
    d.send({0xAC, 0x80, 0x00, 0x00});
    return [&rig] { EXPECT_EQ(rig.d.read4(0x28, 0x00, 0x02), 0xFF); };
  case Kind::Fuse:
    if (v == ByteVariant::At90S4433) {
      d.send({0xAC, 0xBB, 0x00, 0x00}); // A0 | fuse bits 4..0
      return [&rig] { EXPECT_EQ(rig.d.read4(0x50, 0x00, 0x00), 0xDB); };
    }
    if (v == ByteVariant::At90S8535) {
      d.send({0xAC, 0xBE, 0x00, 0x00}); // FSTRT programmed
      return [&rig] { EXPECT_EQ(rig.d.read4(0x58, 0x00, 0x00) & 0x01, 0x00); };
    }
    {
      const auto value = static_cast<std::uint8_t>(rig.chip().fuse(kFuseLow) ^ 0x01);
      d.send({0xAC, 0xA0, 0x00, value});
      return [&rig, value] { EXPECT_EQ(rig.d.read4(0x50, 0x00, 0x00), value); };
    }
  case Kind::Lock:
    if (PageMode(rig))
      d.send({0xAC, 0xE0, 0x00, 0xFE});
    else if (v == ByteVariant::At90S || v == ByteVariant::At90S1200)
      d.send({0xAC, 0xE4, 0x00, 0x00});
    else
      d.send({0xAC, 0xFD, 0x00, 0x00});
    return [&rig] { EXPECT_EQ(rig.chip().lockByte() & 0x03, 0x02); };
  }
  return [] {};
}

std::vector<WriteCase> WriteCases() {
  std::vector<WriteCase> cases;
  for (const Waits &w : kWaits) {
    const ChipModel &m = *FindChipModel(w.device);
    const bool fuses = m.fuses[kFuseLow].present || m.variant == ByteVariant::At90S8535;
    for (Kind k :
         {Kind::Flash, Kind::EepromByte, Kind::EepromPage, Kind::Erase, Kind::Fuse, Kind::Lock}) {
      if (k == Kind::EepromPage && m.eepromPageSize == 0)
        continue;
      if (k == Kind::Fuse && !fuses)
        continue;
      cases.push_back({w.device, k});
    }
  }
  return cases;
}

class DataSheetWait : public testing::TestWithParam<std::tuple<WriteCase, bool>> {};

// An instruction whose first edge comes one tick before the data-sheet wait
// is over is ignored; one exactly at it is answered, and the write is done.
TEST_P(DataSheetWait, ChipIsReadyExactlyAtTheDataSheetTime) {
  const WriteCase &c = std::get<0>(GetParam());
  const bool early = std::get<1>(GetParam());
  const std::uint32_t ticks = Ticks(WaitFor(c));
  Rig rig(c.device);
  rig.ops.enter();
  const auto check = StartWrite(rig, c.kind);
  WaitFromLastEdge(rig, ticks - (early ? 1 : 0));
  const auto ignoredBefore = rig.chip().counters().ignoredBusy;
  const std::uint8_t probe = rig.d.read4(0x30, 0x00, 0x00); // signature byte 0
  if (early) {
    EXPECT_EQ(probe, 0xFF);
    EXPECT_EQ(rig.chip().counters().ignoredBusy, ignoredBefore + 1);
  } else {
    EXPECT_EQ(probe, 0x1E);
    EXPECT_EQ(rig.chip().counters().ignoredBusy, ignoredBefore);
  }
  check();
}

INSTANTIATE_TEST_SUITE_P(Avr, DataSheetWait,
                         testing::Combine(testing::ValuesIn(WriteCases()), testing::Bool()),
                         [](const auto &p) {
                           const WriteCase &c = std::get<0>(p.param);
                           return c.device + KindName(c.kind) +
                                  (std::get<1>(p.param) ? "OneTickEarly" : "OnTime");
                         });

// --- Data polling on the AT90S ---------------------------------------------

struct PollCase {
  const char *name;
  const char *device;
  Memory memory;
  std::uint32_t address;  // byte address
  std::uint8_t whileBusy; // what a read of that location answers meanwhile
  bool answered;          // the read is answered, not ignored
};

const PollCase kPollCases[] = {
    {"AT90S1200FlashLow", "AT90S1200", Memory::Flash, 0x40, 0x7F, true},
    {"AT90S2313FlashHigh", "AT90S2313", Memory::Flash, 0x41, 0x7F, true},
    {"AT90S4433FlashLow", "AT90S4433", Memory::Flash, 0xFFE, 0x7F, true},
    {"AT90S8515FlashHigh", "AT90S8515", Memory::Flash, 0x1FFF, 0x7F, true},
    {"AT90S8535FlashLow", "AT90S8535", Memory::Flash, 0x1000, 0x7F, true},
    {"AT90S1200Eeprom", "AT90S1200", Memory::Eeprom, 0x3F, 0xFF, true},
    {"AT90S2313Eeprom", "AT90S2313", Memory::Eeprom, 0x10, 0xFF, true},
    {"AT90S4433Eeprom", "AT90S4433", Memory::Eeprom, 0xFF, 0xFF, true},
    {"AT90S8515Eeprom", "AT90S8515", Memory::Eeprom, 0x1FF, 0xFF, true},
    {"AT90S8535Eeprom", "AT90S8535", Memory::Eeprom, 0x100, 0xFF, true},
    // The ATtiny byte-mode chips stay silent until the write is done.
    {"TINY12FlashLow", "TINY12", Memory::Flash, 0x40, 0xFF, false},
    {"TINY15Eeprom", "TINY15", Memory::Eeprom, 0x20, 0xFF, false},
};

std::array<std::uint8_t, 4> Write(std::uint32_t a, Memory m, std::uint8_t v) {
  if (m == Memory::Eeprom)
    return {0xC0, Hi(a), Lo(a), v};
  return {static_cast<std::uint8_t>(a & 1 ? 0x48 : 0x40), Hi(a / 2), Lo(a / 2), v};
}
std::uint8_t Read(Rig &rig, std::uint32_t a, Memory m) {
  if (m == Memory::Eeprom)
    return rig.d.read4(0xA0, Hi(a), Lo(a));
  return rig.d.read4(a & 1 ? 0x28 : 0x20, Hi(a / 2), Lo(a / 2));
}

class DataPolling : public testing::TestWithParam<PollCase> {};

TEST_P(DataPolling, ReadOfTheLocationBeingWrittenShowsWhenItIsDone) {
  const PollCase &c = GetParam();
  Rig rig(c.device);
  rig.ops.enter();
  const auto w = Write(c.address, c.memory, 0x5A);
  rig.d.send({w[0], w[1], w[2], w[3]});
  const std::uint64_t written = rig.bench.now() - 3;
  const auto ignored = rig.chip().counters().ignoredBusy;
  EXPECT_EQ(Read(rig, c.address, c.memory), c.whileBusy);
  EXPECT_EQ(rig.chip().counters().ignoredBusy, ignored + (c.answered ? 0 : 1));

  // Another write meanwhile is ignored, as before.
  const std::uint32_t other = c.address ^ 0x02;
  const auto w2 = Write(other, c.memory, 0x00);
  rig.d.send({w2[0], w2[1], w2[2], w2[3]});
  EXPECT_EQ(rig.chip().memory(c.memory)[other], 0xFF);

  int polls = 1;
  std::uint8_t got = c.whileBusy;
  while (got != 0x5A && polls < 1000) {
    got = Read(rig, c.address, c.memory);
    ++polls;
  }
  EXPECT_EQ(got, 0x5A);
  const std::uint32_t us =
      c.memory == Memory::Flash ? WaitsOf(c.device).flashUs : WaitsOf(c.device).eepromUs;
  EXPECT_GE(rig.bench.now(), written + Ticks(us));
  EXPECT_GT(polls, 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, DataPolling, testing::ValuesIn(kPollCases),
                         [](const auto &p) { return std::string(p.param.name); });

TEST(DataPolling, ReadsOfOtherLocationsWhileBusyAreIgnored) {
  Rig rig("AT90S8515");
  rig.ops.enter();
  rig.chip().flash()[0x20] = 0x12;
  rig.d.send({0x40, 0x00, 0x08, 0x5A}); // flash byte 0x10
  const auto ignored = rig.chip().counters().ignoredBusy;
  EXPECT_EQ(rig.d.read4(0x20, 0x00, 0x10), 0xFF);
  EXPECT_EQ(rig.d.read4(0xA0, 0x00, 0x10), 0xFF); // same address, other memory
  EXPECT_EQ(rig.chip().counters().ignoredBusy, ignored + 2);
}

// --- Poll RDY/BSY ------------------------------------------------------------

std::vector<std::string> PageModeDevices() {
  std::vector<std::string> names;
  for (const auto &m : ChipModels())
    if (m.family == Family::AvrPageMode)
      names.emplace_back(m.listName);
  return names;
}

std::vector<std::string> ByteModeDevices() {
  std::vector<std::string> names;
  for (const auto &m : ChipModels())
    if (m.family == Family::AvrByteMode)
      names.emplace_back(m.listName);
  return names;
}

bool PollBusy(Rig &rig) { return (rig.d.read4(0xF0, 0x00, 0x00) & 0x01) != 0; }

class ReadyPoll : public testing::TestWithParam<std::string> {};

TEST_P(ReadyPoll, BusyBitIsSetUntilEachWriteIsDone) {
  Rig rig(GetParam());
  rig.ops.enter();
  const Waits &w = WaitsOf(GetParam());
  const struct {
    Kind kind;
    std::uint32_t us;
  } writes[] = {{Kind::Erase, w.eraseUs},
                {Kind::Flash, w.flashUs},
                {Kind::EepromByte, w.eepromUs},
                {Kind::Lock, w.fuseUs}};
  for (const auto &write : writes) {
    SCOPED_TRACE(KindName(write.kind));
    const auto check = StartWrite(rig, write.kind);
    const std::uint64_t done = rig.bench.now() - 3 + Ticks(write.us);
    const auto ignored = rig.chip().counters().ignoredBusy;
    int polls = 0;
    std::uint64_t lastBusyPollStart = 0;
    for (;;) {
      const std::uint64_t start = rig.bench.now();
      if (!PollBusy(rig))
        break;
      lastBusyPollStart = start;
      ASSERT_LT(++polls, 1000);
    }
    EXPECT_GT(polls, 0);
    EXPECT_LT(lastBusyPollStart, done);
    EXPECT_GE(rig.bench.now(), done);
    EXPECT_EQ(rig.chip().counters().ignoredBusy, ignored);
    check();
  }
  EXPECT_EQ(rig.chip().counters().ignoredUnknown, 0u);
}

INSTANTIATE_TEST_SUITE_P(PageMode, ReadyPoll, testing::ValuesIn(PageModeDevices()), DeviceTestName);

TEST(ReadyPoll, ByteModeChipsDoNotKnowIt) {
  for (const std::string &device : ByteModeDevices()) {
    Rig rig(device);
    rig.ops.enter();
    rig.d.send({0xF0, 0x00, 0x00, 0x00});
    EXPECT_EQ(rig.chip().counters().ignoredUnknown, 1u) << device;
  }
}

// --- A whole image, programmed the way other programmers do it -------------

enum class Pace { DataSheetWaits, ReadyPolling };

struct Image {
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> flashPages;
  std::vector<std::pair<std::uint32_t, std::uint8_t>> eeprom;
};

Image MakeImage(const ChipModel &m) {
  Image image;
  const std::uint32_t page = m.flashPageSize;
  for (std::uint32_t base : {0u, (m.flashSize / 2) & ~(page - 1), m.flashSize - page}) {
    std::vector<std::uint8_t> bytes(page);
    for (std::uint32_t i = 0; i < page; ++i)
      bytes[i] = static_cast<std::uint8_t>((base / page) * 7 + i * 13 + 1);
    image.flashPages.push_back({base, bytes});
  }
  for (std::uint32_t a : {0u, 1u, m.eepromSize / 2 + 3, m.eepromSize - 1})
    image.eeprom.push_back({a, static_cast<std::uint8_t>(a * 5 + 0x21)});
  return image;
}

class Programming : public testing::TestWithParam<std::tuple<std::string, Pace>> {
protected:
  void settle(Rig &rig, std::uint32_t us) {
    if (std::get<1>(GetParam()) == Pace::DataSheetWaits) {
      WaitFromLastEdge(rig, Ticks(us));
    } else {
      int polls = 0;
      while (PollBusy(rig))
        ASSERT_LT(++polls, 1000);
    }
  }
};

TEST_P(Programming, ImageReadsBackWhole) {
  const std::string &device = std::get<0>(GetParam());
  const Waits &w = WaitsOf(device);
  Rig rig(device);
  const ChipModel &m = rig.model;
  // Old contents, outside the image, that the erase must clear.
  const std::uint32_t oldFlash = m.flashPageSize + 2;
  rig.chip().flash()[oldFlash] = 0x00;
  rig.chip().eeprom()[2] = 0x00;
  const Image image = MakeImage(m);
  ASSERT_EQ(rig.ops.enter()[2], 0x53);
  rig.d.send({0xAC, 0x80, 0x00, 0x00});
  settle(rig, w.eraseUs);
  for (const auto &[base, bytes] : image.flashPages) {
    for (std::uint32_t i = 0; i < bytes.size(); ++i)
      rig.d.send({static_cast<std::uint8_t>(i & 1 ? 0x48 : 0x40), 0x00, Lo(i / 2), bytes[i]});
    rig.d.send({0x4C, Hi(base / 2), Lo(base / 2), 0x00});
    settle(rig, w.flashUs);
  }
  if (m.eepromPageSize != 0) {
    for (const auto &[a, v] : image.eeprom) {
      rig.d.send({0xC1, 0x00, static_cast<std::uint8_t>(a & (m.eepromPageSize - 1u)), v});
      const std::uint32_t base = a & ~(m.eepromPageSize - 1u);
      rig.d.send({0xC2, Hi(base), Lo(base), 0x00});
      settle(rig, w.eepromUs);
    }
  } else {
    for (const auto &[a, v] : image.eeprom) {
      rig.d.send({0xC0, Hi(a), Lo(a), v});
      settle(rig, w.eepromUs);
    }
  }
  EXPECT_EQ(rig.chip().counters().ignoredBusy, 0u);

  int wrong = 0;
  for (const auto &[base, bytes] : image.flashPages)
    for (std::uint32_t i = 0; i < bytes.size(); ++i)
      wrong += Read(rig, base + i, Memory::Flash) != bytes[i];
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(Read(rig, oldFlash, Memory::Flash), 0xFF);
  for (const auto &[a, v] : image.eeprom)
    EXPECT_EQ(Read(rig, a, Memory::Eeprom), v) << "EEPROM " << a;
  EXPECT_EQ(Read(rig, 2, Memory::Eeprom), 0xFF);
}

INSTANTIATE_TEST_SUITE_P(PageMode, Programming,
                         testing::Combine(testing::ValuesIn(PageModeDevices()),
                                          testing::Values(Pace::DataSheetWaits,
                                                          Pace::ReadyPolling)),
                         [](const auto &p) {
                           return std::get<0>(p.param) +
                                  (std::get<1>(p.param) == Pace::DataSheetWaits ? "DataSheetWaits"
                                                                                : "ReadyPolling");
                         });

} // namespace
