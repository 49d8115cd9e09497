// Walks the device catalogue: every record complete and consistent in itself,
// and in agreement with the separately written simulated chip of its name.

#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "isp/core/DeviceCatalogue.h"
#include "isp/core/Instructions.h"
#include "sim/isp/ChipModels.h"

namespace rindle {
namespace {

using Problems = std::vector<std::string>;

constexpr FuseField kFuseBytes[] = {FuseField::FuseLow, FuseField::FuseHigh,
                                    FuseField::FuseExtended};
constexpr const char *kByteNames[] = {"low fuse", "high fuse", "extended fuse"};

std::string Hex(unsigned v) {
  std::ostringstream s;
  s << "0x" << std::hex << std::uppercase << v;
  return s.str();
}

// Bit masks of one fuse byte of a record.
struct ByteMasks {
  unsigned offered = 0; // named and changeable, or hidden (kept as read)
  unsigned fixed = 0;   // named but not changeable
  unsigned absent = 0;  // the chip has no such bit
  unsigned endsWhenProgrammed = 0;
  unsigned endsWhenUnprogrammed = 0;
};

ByteMasks MasksOf(const FuseByteLayout &bits) {
  ByteMasks m;
  for (unsigned b = 0; b < 8; ++b) {
    const FuseBit &bit = bits[b];
    const unsigned mask = 1u << b;
    if ((bit.exists() && bit.enabled) || bit.hidden)
      m.offered |= mask;
    else if (bit.exists())
      m.fixed |= mask;
    else
      m.absent |= mask;
    if (bit.lockout != nullptr)
      (bit.lockout->endsWhenProgrammed ? m.endsWhenProgrammed : m.endsWhenUnprogrammed) |= mask;
  }
  return m;
}

// The device's fuse bytes: those its layout names bits of, and those its
// fuse writes count.
bool LaysOut(const DeviceEntry &d, int byte) {
  const ByteMasks m = MasksOf(*d.fuseLayout.Byte(kFuseBytes[byte]));
  return m.absent != 0xFF || byte < d.fuseCount;
}

// Bits the forced-at-selection rule fixes, whatever the state held before.
unsigned ForcedBits(const DeviceEntry &d, FuseField field) {
  FuseState zeros{0, 0, 0, 0, 0};
  FuseState ones{};
  const unsigned a = FuseByte(ApplyForcedFuses(d, zeros), field);
  const unsigned b = FuseByte(ApplyForcedFuses(d, ones), field);
  return ~(a ^ b) & 0xFFu;
}

// What is wrong with a record on its own; each problem names the device and
// the field.
Problems RecordProblems(const DeviceEntry &d) {
  Problems p;
  const std::string who = std::string(d.dataSheetName.empty() ? d.entry : d.dataSheetName) + ": ";
  const auto fail = [&](const std::string &what) { p.push_back(who + what); };
  if (d.dataSheetName.empty())
    fail("no data-sheet name");
  if (d.entry.substr(0, 2) != "  " || d.Name().empty())
    fail("list entry \"" + std::string(d.entry) + "\" is not two blanks and a name");
  if (d.flashSize <= 0)
    fail("flash size " + std::to_string(d.flashSize));
  // Sizes are pages x page size.
  if (d.flashPageSize != 0 ? d.flashPageSize * d.flashPageCount != d.flashSize
                           : d.flashPageCount != 0)
    fail("flash pages " + std::to_string(d.flashPageCount) + " x " +
         std::to_string(d.flashPageSize) + " against flash size " + std::to_string(d.flashSize));
  const int eeprom = d.eepromSize - d.userSignatureSize;
  if (d.eepromPageSize != 0 ? d.eepromPageSize * d.eepromPageCount != eeprom
                            : d.eepromPageCount != 0)
    fail("EEPROM pages " + std::to_string(d.eepromPageCount) + " x " +
         std::to_string(d.eepromPageSize) + " against EEPROM size " + std::to_string(eeprom));
  // A signature of as many bytes as the chip reports.
  if ((d.signatureCount == 0) != (d.expectedSignature == 0))
    fail("signature " + Hex(static_cast<unsigned>(d.expectedSignature)) + " with " +
         std::to_string(d.signatureCount) + " signature bytes");
  if (d.signatureCount != 0 && (d.expectedSignature >> (8 * (d.signatureCount - 1))) != 0x1E)
    fail("signature " + Hex(static_cast<unsigned>(d.expectedSignature)) +
         " does not start with the maker's byte 1E");
  if (d.signatureCount != 0 && d.reportHeader.empty())
    fail("no signature report header");
  if (d.calibrationCount > 4)
    fail("calibration bytes " + std::to_string(d.calibrationCount));
  if (d.readBack.kind == ReadBackKind::PageMode && d.readBack.fuseBytes > d.fuseCount)
    fail("reads back " + std::to_string(d.readBack.fuseBytes) + " fuse bytes of " +
         std::to_string(d.fuseCount));
  // Every fuse bit named or forced; named bits the user may change are not
  // forced behind the user's back; lockout bits are such bits.
  for (int i = 0; i < 3; ++i) {
    if (!LaysOut(d, i))
      continue;
    const std::string byte = kByteNames[i];
    const ByteMasks m = MasksOf(*d.fuseLayout.Byte(kFuseBytes[i]));
    const unsigned forced = ForcedBits(d, kFuseBytes[i]);
    const unsigned written = i >= d.fuseCount ? 0u
                             : d.lockWriter == LockWriter::At90S4433
                                 ? isp::avrbyte::kFuse4433WrittenBits
                                 : 0xFFu;
    if (const unsigned loose = m.absent & ~forced & written)
      fail(byte + " bits " + Hex(loose) + " neither named nor forced");
    if (const unsigned overridden = m.offered & forced)
      fail(byte + " bits " + Hex(overridden) + " offered but forced");
    if (const unsigned lockout = (m.endsWhenProgrammed | m.endsWhenUnprogrammed) & ~m.offered)
      fail(byte + " lockout bits " + Hex(lockout) + " the layout does not offer");
  }
  // Defaults respect forced bits, and exist for every byte they look at.
  if (d.defaults.low) {
    const FuseState defaults{0, *d.defaults.low, d.defaults.high.value_or(0xFF),
                             d.defaults.extended.value_or(0xFF), 0xFF};
    const FuseState forced = ApplyForcedFuses(d, defaults);
    for (int i = 0; i < 3; ++i)
      if (FuseByte(forced, kFuseBytes[i]) != FuseByte(defaults, kFuseBytes[i]))
        fail(std::string("default ") + kByteNames[i] + " " +
             Hex(FuseByte(defaults, kFuseBytes[i])) + " changed by the forced bits to " +
             Hex(FuseByte(forced, kFuseBytes[i])));
    if (((d.defaults.applyWhen & kHighFuse) && !d.defaults.high) ||
        ((d.defaults.applyWhen & kExtendedFuse) && !d.defaults.extended))
      fail("defaults apply on a byte without a default");
    if ((d.fuseCount >= 2 && !d.defaults.high) || (d.fuseCount >= 3 && !d.defaults.extended))
      fail("a written fuse byte without a default");
  } else if (d.fuseCount != 0 || d.defaults.applyWhen != kNoFuseBytes) {
    fail("fuse bytes without defaults");
  }
  return p;
}

sim::isp::Family SimFamily(IspFamily f) {
  switch (f) {
  case IspFamily::At89S51: return sim::isp::Family::At89S51;
  case IspFamily::At89S8252: return sim::isp::Family::At89S8252;
  case IspFamily::At89S8253: return sim::isp::Family::At89S8253;
  case IspFamily::AvrByteMode: return sim::isp::Family::AvrByteMode;
  case IspFamily::AvrPageMode: break;
  }
  return sim::isp::Family::AvrPageMode;
}

// Where the record and the simulated chip disagree; each names the device
// and the field.
Problems Disagreements(const DeviceEntry &d, const sim::isp::ChipModel &chip) {
  Problems p;
  const std::string who = std::string(d.dataSheetName) + ": ";
  const auto differ = [&](const std::string &field, auto record, auto model) {
    if (static_cast<long long>(record) != static_cast<long long>(model))
      p.push_back(who + field + " " + std::to_string(record) + " in the catalogue, " +
                  std::to_string(model) + " on the simulated chip");
  };
  differ("family", int(SimFamily(d.family)), int(chip.family));
  differ("flash size", d.flashSize, chip.flashSize);
  differ("EEPROM size", d.eepromSize - d.userSignatureSize, chip.eepromSize);
  differ("user signature size", d.userSignatureSize, chip.userSignatureSize);
  differ("signature bytes", d.signatureCount, chip.signatureCount);
  std::int32_t signature = 0;
  for (int k = 0; k < chip.signatureCount; ++k)
    signature = signature * 256 + chip.signature[static_cast<std::size_t>(k)];
  differ("signature", d.expectedSignature, signature);
  // The AT89S8253 routines hold its page sizes themselves.
  const bool streamed = d.family == IspFamily::At89S8253;
  differ("flash page size", streamed ? isp::at89s8253::kFlashPageBytes : d.flashPageSize,
         chip.flashPageSize);
  differ("EEPROM page size", streamed ? isp::at89s8253::kEepromPageBytes : d.eepromPageSize,
         chip.eepromPageSize);
  differ("calibration bytes", d.calibrationCount, chip.calibrationCount);
  // The AT89S lock byte holds LB1 to LB3, the AVR one LB1, LB2 and the boot
  // lock bits.
  differ("boot lock bits", d.fuseLayout.bootLockEnabled,
         chip.isAvr() && (chip.lockMask & 0x3C) != 0);
  differ("lock bit 3", d.thirdLockBox.enabled && d.ResetActiveHigh(),
         !chip.isAvr() && (chip.lockMask & 0x04) != 0);
  for (int i = 0; i < 3; ++i) {
    const sim::isp::FuseModel &fuse = chip.fuses[static_cast<std::size_t>(i)];
    const std::string byte = kByteNames[i];
    if (!LaysOut(d, i)) {
      // A fuse byte the record has no layout for is one the third lock box
      // stands for (FSTRT): one free bit.
      const bool byBox = d.thirdLockBox.enabled && !d.ResetActiveHigh() &&
                         std::popcount(static_cast<unsigned>(~fuse.fixedMask & 0xFFu)) == 1;
      if (fuse.present && !byBox)
        p.push_back(who + byte + " on the simulated chip only");
      continue;
    }
    differ(byte + " present", true, fuse.present);
    const ByteMasks m = MasksOf(*d.fuseLayout.Byte(kFuseBytes[i]));
    differ(byte + " free bits", m.offered, ~fuse.fixedMask & 0xFFu);
    differ(byte + " bits fixed programmed", m.fixed, fuse.fixedMask & ~fuse.fixedBits & 0xFFu);
    differ(byte + " absent bits", m.absent, fuse.fixedMask & fuse.fixedBits);
    differ(byte + " bits ending serial programming when programmed", m.endsWhenProgrammed,
           fuse.ispKillers);
    differ(byte + " bits ending serial programming when unprogrammed", m.endsWhenUnprogrammed,
           fuse.ispEnablers);
    const std::optional<std::uint8_t> defaults[] = {d.defaults.low, d.defaults.high,
                                                    d.defaults.extended};
    if (defaults[i])
      differ(byte + " default", *defaults[i], fuse.factory);
  }
  return p;
}

std::string Joined(const Problems &p) {
  std::string s;
  for (const std::string &line : p)
    s += line + "\n";
  return s;
}

TEST(CatalogueWalk, EveryRecordIsCompleteAndConsistent) {
  Problems all;
  for (const DeviceEntry &d : kDeviceList)
    if (d.isDevice)
      for (std::string &problem : RecordProblems(d))
        all.push_back(std::move(problem));
  EXPECT_TRUE(all.empty()) << Joined(all);
}

TEST(CatalogueWalk, EveryRecordHasASimulatedChipThatAgrees) {
  Problems all;
  for (const DeviceEntry &d : kDeviceList) {
    if (!d.isDevice)
      continue;
    const sim::isp::ChipModel *chip = sim::isp::FindChipModel(d.dataSheetName);
    if (chip == nullptr) {
      all.push_back(std::string(d.dataSheetName) + ": no simulated chip");
      continue;
    }
    EXPECT_EQ(sim::isp::FindChipModel(d.Name()), chip) << d.dataSheetName;
    for (std::string &problem : Disagreements(d, *chip))
      all.push_back(std::move(problem));
  }
  EXPECT_TRUE(all.empty()) << Joined(all);
}

TEST(CatalogueWalk, NamesAreUniqueAndFoundEitherWayWithoutRegardToCase) {
  std::set<std::string> seen;
  for (const DeviceEntry &d : kDeviceList) {
    if (!d.isDevice)
      continue;
    EXPECT_TRUE(seen.insert(std::string(d.Name())).second) << d.Name();
    if (d.dataSheetName != d.Name())
      EXPECT_TRUE(seen.insert(std::string(d.dataSheetName)).second) << d.dataSheetName;
    std::string lower(d.dataSheetName);
    for (char &c : lower)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindDevice(std::string_view(lower)), &d);
    EXPECT_EQ(FindDevice(std::string_view(" " + std::string(d.Name()) + " ")), &d);
    EXPECT_EQ(&kDeviceList[RowOf(d)], &d);
  }
  EXPECT_EQ(FindDevice(std::string_view("")), nullptr);
  EXPECT_EQ(FindDevice(std::string_view("ATmega9")), nullptr);
  EXPECT_EQ(FindDevice(std::string_view("-------------------------")), nullptr);
}

// The walk finds a wrong fact and says which device and which field.
struct Broken {
  const char *name;
  DeviceEntry (*breakIt)(DeviceEntry);
  const char *problem;
  bool onItsOwn; // found by the record's own check, else by the simulated chip's
};

const Broken kBroken[] = {
    {"pages",
     [](DeviceEntry d) {
       d.flashPageCount = 64;
       return d;
     },
     "ATmega8: flash pages 64 x 64 against flash size 8192", true},
    {"unnamed",
     [](DeviceEntry d) {
       d.fuseLayout.high[6] = FuseBit();
       return d;
     },
     "ATmega8: high fuse bits 0x40 neither named nor forced", true},
    {"defaults",
     [](DeviceEntry d) {
       d.defaults.high = 0xF9;
       return d;
     },
     "ATmega8: default high fuse 0xF9 changed by the forced bits to 0xD9", true},
    {"signature",
     [](DeviceEntry d) {
       d.expectedSignature = 0x1E9308;
       return d;
     },
     "ATmega8: signature 2003720 in the catalogue, 2003719 on the simulated chip", false},
    {"eeprom",
     [](DeviceEntry d) {
       d.eepromSize = 1024;
       return d;
     },
     "ATmega8: EEPROM size 1024 in the catalogue, 512 on the simulated chip", false},
    {"lockout",
     [](DeviceEntry d) {
       d.fuseLayout.high[7] = "RSTDISBL";
       return d;
     },
     "ATmega8: high fuse bits ending serial programming when programmed 0 in the catalogue, "
     "128 on the simulated chip",
     false},
};

class CatalogueWalkFinds : public ::testing::TestWithParam<Broken> {};

TEST_P(CatalogueWalkFinds, TheDeviceAndFieldOfAWrongFact) {
  const DeviceEntry *mega8 = FindDevice(std::string_view("ATmega8"));
  ASSERT_NE(mega8, nullptr);
  ASSERT_TRUE(RecordProblems(*mega8).empty());
  const DeviceEntry broken = GetParam().breakIt(*mega8);
  const Problems found = GetParam().onItsOwn
                             ? RecordProblems(broken)
                             : Disagreements(broken, *sim::isp::FindChipModel("ATmega8"));
  EXPECT_EQ(Joined(found), std::string(GetParam().problem) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Facts, CatalogueWalkFinds, ::testing::ValuesIn(kBroken),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace rindle
