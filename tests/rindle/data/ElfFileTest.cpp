// The ELF reader against the compiler's own files (checked against the HEX
// files avr-objcopy made of the same parts) and against damaged files.

#include "DataTestSupport.h"
#include "ElfBuilder.h"

#include "rindle/data/ElfFile.h"
#include "rindle/data/FileTexts.h"

using namespace rindle::testing;
namespace files = rindle::files;

namespace {

QString ElfFixture(const QString &name) { return DataFixture(QStringLiteral("elf/") + name); }

files::ElfRead ReadBytes(const QByteArray &bytes) {
  return files::ReadElf(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())));
}

// The first `count` bytes a HEX file made by avr-objcopy holds from address 0.
QByteArray HexBytes(const QString &file, int count) {
  rindle::IspBuffer buffer;
  EXPECT_EQ(files::LoadProgramHex(buffer.all(), file), files::kOk) << file.toStdString();
  return QByteArray(reinterpret_cast<const char *>(buffer.cells.data()), count);
}

QByteArray AreaBytes(const rindle::IspBuffer &buffer, std::int64_t first, std::int64_t count) {
  return QByteArray(reinterpret_cast<const char *>(buffer.cells.data() + first),
                    static_cast<qsizetype>(count));
}

struct CompilerFile {
  const char *name;
  std::int64_t flashSize, eepromSize;
  std::int32_t signature; // of the chip it was built for
  int fuseBytes;          // 0: no .fuse section
  bool eeprom, lock;
  const char *taken;
};

const CompilerFile kCompilerFiles[] = {
    {"blink_m8", 8192, 512, 0x1E9307, 2, true, true,
     "flash 194 bytes, EEPROM 8, fuses A4 D9, lock FC"},
    {"blink_t13", 1024, 64, 0x1E9007, 2, true, true,
     "flash 202 bytes, EEPROM 8, fuses 7A FD, lock FE"},
    {"blink_t13_reset_io", 1024, 64, 0x1E9007, 2, true, true,
     "flash 202 bytes, EEPROM 8, fuses 7A FC, lock FE"},
    {"nofuses_m8", 8192, 512, 0x1E9307, 0, true, false,
     "flash 194 bytes, EEPROM 8, fuses -, lock -"},
    {"fill_m128", 131072, 4096, 0x1E9702, 3, false, false,
     "flash 129,338 bytes, EEPROM -, fuses 3F C9 FF, lock -"},
};

TEST(ElfFile, CompilerFilesHoldWhatObjcopyFoundInThem) {
  for (const CompilerFile &f : kCompilerFiles) {
    SCOPED_TRACE(f.name);
    const QString stem = ElfFixture(QString::fromLatin1(f.name));
    const files::ElfRead read = files::ReadElfFile(stem + ".elf");
    ASSERT_TRUE(read.ok()) << read.refusal.toStdString();
    const files::ElfImage &image = read.image;

    rindle::IspBuffer fromElf;
    files::TakeElfFlash(image, fromElf.all(), f.flashSize);
    files::TakeElfEeprom(image, fromElf.all(), f.flashSize, f.eepromSize);
    rindle::IspBuffer fromHex;
    ASSERT_EQ(files::LoadProgramHex(fromHex.all(), stem + ".hex"), files::kOk);
    EXPECT_EQ(AreaBytes(fromElf, 0, f.flashSize), AreaBytes(fromHex, 0, f.flashSize));
    EXPECT_GT(image.FlashBytes(), 100);
    if (f.eeprom)
      ASSERT_EQ(files::LoadEepromHex(fromHex.all(), f.flashSize, stem + ".eep"), files::kOk);
    EXPECT_EQ(image.eeprom.empty(), !f.eeprom);
    EXPECT_EQ(AreaBytes(fromElf, f.flashSize, f.eepromSize), AreaBytes(fromHex, f.flashSize, f.eepromSize));

    ASSERT_EQ(image.FuseBytesUsed(), static_cast<std::size_t>(f.fuseBytes));
    if (f.fuseBytes > 0) {
      const QByteArray fuses = HexBytes(stem + ".fuse.hex", f.fuseBytes);
      for (int i = 0; i < f.fuseBytes; ++i)
        EXPECT_EQ(image.fuses.at(static_cast<std::size_t>(i)), static_cast<std::uint8_t>(fuses[i]))
            << "fuse " << i;
    }
    ASSERT_EQ(image.lock.has_value(), f.lock);
    if (f.lock)
      EXPECT_EQ(*image.lock, static_cast<std::uint8_t>(HexBytes(stem + ".lock.hex", 1)[0]));
    // The file keeps the signature last byte first; the chip reads 0x1E first.
    EXPECT_EQ(image.PackedSignature(), f.signature);
    EXPECT_EQ(files::ElfTakenText(image), QString::fromLatin1(f.taken));
  }
}

TEST(ElfFile, TakingClearsTheFlashAreaAndLeavesTheRest) {
  const files::ElfImage image =
      ReadBytes(MakeElf({{0x10, Bytes(4)}, {0x810002, Bytes(2, 0x40)}})).image;
  rindle::IspBuffer buffer;
  FillPattern(buffer.all(), 7);
  const rindle::IspBuffer before = buffer;
  files::TakeElfFlash(image, buffer.all(), 1024);
  files::TakeElfEeprom(image, buffer.all(), 1024, 64);
  EXPECT_EQ(AreaBytes(buffer, 0, 16), QByteArray(16, '\xFF'));
  EXPECT_EQ(AreaBytes(buffer, 16, 4), Bytes(4));
  EXPECT_EQ(AreaBytes(buffer, 20, 1004), QByteArray(1004, '\xFF'));
  EXPECT_EQ(AreaBytes(buffer, 1024, 4), QByteArray("\xFF\xFF\x40\x41", 4));
  EXPECT_EQ(AreaBytes(buffer, 1028, 60), QByteArray(60, '\xFF'));
  const auto rest = static_cast<std::int64_t>(buffer.cells.size()) - 1088;
  EXPECT_EQ(AreaBytes(buffer, 1088, rest), AreaBytes(before, 1088, rest));

  // Without EEPROM data the EEPROM area keeps what it held.
  const files::ElfImage flashOnly = ReadBytes(MakeElf({{0, Bytes(2)}})).image;
  files::TakeElfEeprom(flashOnly, buffer.all(), 1024, 64);
  EXPECT_EQ(AreaBytes(buffer, 1024, 4), QByteArray("\xFF\xFF\x40\x41", 4));
}

QByteArray Patched(QByteArray bytes, int at, QByteArray with) {
  bytes.replace(at, with.size(), with);
  return bytes;
}

struct ElfDamage {
  const char *name;
  QByteArray bytes;
  const char *reason; // a part of the refusal
};
void PrintTo(const ElfDamage &d, std::ostream *os) { *os << d.name; }

class DamagedElf : public ::testing::TestWithParam<ElfDamage> {};

TEST_P(DamagedElf, IsRefusedWithItsReasonAndGivesNothing) {
  const files::ElfRead read = ReadBytes(GetParam().bytes);
  EXPECT_TRUE(read.refusal.contains(QString::fromLatin1(GetParam().reason)))
      << read.refusal.toStdString();
  EXPECT_EQ(read.image, files::ElfImage{});
}

const QByteArray kBlink = ReadAll(ElfFixture("blink_m8.elf"));

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedElf,
    ::testing::Values(
        ElfDamage{"Empty", {}, "it is not an ELF file"},
        ElfDamage{"HexText", ReadAll(ElfFixture("blink_m8.hex")), "it is not an ELF file"},
        ElfDamage{"CutInTheHeader", kBlink.left(30), "its headers are damaged or cut short ("},
        ElfDamage{"CutInTheProgramHeaders", MakeElf({{0, Bytes(2)}, {2, Bytes(2)}}).left(52 + 40),
                "its headers are damaged or cut short ("},
        ElfDamage{"CompilersFileCut", kBlink.left(0x1B0),
                  "it is cut short: a segment for 0xB8 needs bytes up to 438, the file has 432"},
        ElfDamage{"CutInTheSegmentData", MakeElf({{0, Bytes(16)}}).chopped(4),
                "it is cut short: a segment for 0x0 needs bytes up to 100, the file has 96"},
        ElfDamage{"OtherMachine", Patched(kBlink, 18, QByteArray("\x28\x00", 2)),
                "it is a program for another machine than the AVR (ELF machine 40)"},
        ElfDamage{"BigEndian", Patched(kBlink, EI_DATA, QByteArray(1, ELFDATA2MSB)),
                "it is not a 32-bit little-endian ELF file"},
        ElfDamage{"SixtyFourBit", Patched(kBlink, EI_CLASS, QByteArray(1, ELFCLASS64)),
                "it is not a 32-bit little-endian ELF file"},
        ElfDamage{"ProgramHeadersPastTheEnd",
                Patched(kBlink, 28, QByteArray("\x00\x10\x00\x00", 4)),
                "its headers are damaged or cut short ("},
        ElfDamage{"Overlapping", MakeElf({{0x100, Bytes(16)}, {0x108, Bytes(16)}}),
                "its segments at 0x100 (16 bytes) and 0x108 (16 bytes) overlap"},
        ElfDamage{"OverlappingEeprom", MakeElf({{0x810000, Bytes(8)}, {0x810007, Bytes(1)}}),
                "overlap"},
        ElfDamage{"InTheDataSpace", MakeElf({{0, Bytes(2)}, {0x800100, Bytes(4)}}),
                "the data at 0x800100 to 0x800103 belong to no memory"},
        ElfDamage{"AcrossTheEndOfFlash", MakeElf({{0x7FFFF0, Bytes(32)}}),
                "the data at 0x7FFFF0 to 0x80000F belong to no memory"},
        ElfDamage{"UserSignatureRow", MakeElf({{0, Bytes(2)}, {0x850000, Bytes(4)}}),
                "belong to no memory"},
        ElfDamage{"FourFuseBytes", MakeElf({{0x820000, Bytes(4)}}),
                "more than the three fuse bytes"},
        ElfDamage{"TwoLockBytes", MakeElf({{0x830000, Bytes(2)}}), "not the one lock byte"},
        ElfDamage{"ShortSignature", MakeElf({{0x840000, Bytes(2)}}),
                "are not the three signature bytes at 0x840000"},
        ElfDamage{"PastTheAddressSpace", MakeElf({{0xFFFFFFF0, Bytes(32)}}),
                "reaches past the AVR's address space"},
        ElfDamage{"NothingLoadable",
                MakeElf({{0, Bytes(4), PT_NOTE}, {0x100, {}}}), "it holds no loadable data"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ElfFile, AMissingFileCannotBeRead) {
  const files::ElfRead read = files::ReadElfFile(QStringLiteral("/nonexistent/app.elf"));
  EXPECT_TRUE(read.refusal.startsWith("it cannot be read (")) << read.refusal.toStdString();
  EXPECT_EQ(files::ElfNotLoaded(QStringLiteral("/some/folder/app.elf"), read.refusal),
            "app.elf not loaded:\r" + read.refusal);
}

struct ElfFitCase {
  const char *name;
  QByteArray bytes;
  files::ElfTarget target;
  files::ElfPart part;
  const char *refusal; // empty: it fits
};
void PrintTo(const ElfFitCase &f, std::ostream *os) { *os << f.name; }

class ElfFit : public ::testing::TestWithParam<ElfFitCase> {};

TEST_P(ElfFit, PartsAreCheckedAgainstTheDevice) {
  const ElfFitCase &f = GetParam();
  const files::ElfRead read = ReadBytes(f.bytes);
  ASSERT_TRUE(read.ok()) << read.refusal.toStdString();
  EXPECT_EQ(files::ElfPartRefusal(read.image, f.part, f.target), QString::fromLatin1(f.refusal));
  // Every part checked together finds the same refusal when only that part fails.
  if (*f.refusal != 0)
    EXPECT_EQ(files::ElfRefusal(read.image, f.target), QString::fromLatin1(f.refusal));
}

const files::ElfTarget kMega8{QStringLiteral("MEGA8"), 8192, 512, 2};
const files::ElfTarget kAt89S51{QStringLiteral("AT89S51"), 4096, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Table, ElfFit,
    ::testing::Values(
        ElfFitCase{"FlashUpToTheLastByte", MakeElf({{8190, Bytes(2)}}), kMega8, files::ElfPart::Flash, ""},
        ElfFitCase{"FlashOneBytePast", MakeElf({{8190, Bytes(3)}}), kMega8, files::ElfPart::Flash,
            "its flash data reach 0x2000, beyond the 8,192 bytes of the MEGA8's flash"},
        ElfFitCase{"LargeImageOnASmallChip", ReadAll(ElfFixture("fill_m128.elf")),
            {QStringLiteral("MEGA8"), 8192, 512, 3}, files::ElfPart::Flash,
            "its flash data reach 0x1F939, beyond the 8,192 bytes of the MEGA8's flash"},
        ElfFitCase{"EepromUpToTheLastByte", MakeElf({{0x810000 + 511, Bytes(1)}}), kMega8,
            files::ElfPart::Eeprom, ""},
        ElfFitCase{"EepromPast", MakeElf({{0x810000, Bytes(600)}}), kMega8, files::ElfPart::Eeprom,
            "its EEPROM data reach 0x257, beyond the 512 bytes of the MEGA8's EEPROM"},
        ElfFitCase{"EepromOnAChipWithout", MakeElf({{0x810000, Bytes(1)}}), kAt89S51,
            files::ElfPart::Eeprom, "it has EEPROM data, and the AT89S51 has no EEPROM"},
        ElfFitCase{"ThreeFuseBytesForTwo", ReadAll(ElfFixture("fill_m128.elf")),
            {QStringLiteral("MEGA8"), 131072, 512, 2}, files::ElfPart::Fuses,
            "it has 3 fuse bytes, and the MEGA8 has 2"},
        ElfFitCase{"HighFuseOnly", MakeElf({{0x820001, Bytes(1)}}), {QStringLiteral("TINY12"), 1024, 64, 1},
            files::ElfPart::Fuses, "it has 2 fuse bytes, and the TINY12 has 1"},
        ElfFitCase{"LockAnywhere", MakeElf({{0x830000, Bytes(1)}}), kAt89S51, files::ElfPart::Lock,
            ""}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
