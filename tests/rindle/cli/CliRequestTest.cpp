// The command line's words read into a request, without running anything.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "rindle/cli/CliRequest.h"

namespace rindle::cli {
namespace {

using Memory = MemoryOperation::Memory;
using Op = MemoryOperation::Op;
using Format = MemoryOperation::Format;

struct OperationCase {
  const char *text;
  Memory memory;
  Op op;
  const char *file;
  Format format;
};

class MemoryOperations : public ::testing::TestWithParam<OperationCase> {};

TEST_P(MemoryOperations, ReadAsWritten) {
  const OperationCase c = GetParam();
  QString error;
  const std::optional<MemoryOperation> m = ParseMemoryOperation(QLatin1String(c.text), error);
  ASSERT_TRUE(m.has_value()) << error.toStdString();
  EXPECT_EQ(m->memory, c.memory);
  EXPECT_EQ(m->op, c.op);
  EXPECT_EQ(m->file, QLatin1String(c.file));
  EXPECT_EQ(m->format, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MemoryOperations,
    ::testing::Values(
        OperationCase{"flash:w:app.hex:i", Memory::Flash, Op::Write, "app.hex", Format::Hex},
        OperationCase{"flash:w:app.hex", Memory::Flash, Op::Write, "app.hex", Format::Hex},
        OperationCase{"FLASH:R:out.dat:r", Memory::Flash, Op::Read, "out.dat", Format::Bin},
        OperationCase{"flash:v:c:/x/app.bin", Memory::Flash, Op::Verify, "c:/x/app.bin",
                      Format::Bin},
        OperationCase{"flash:w:app.rom", Memory::Flash, Op::Write, "app.rom", Format::Rom},
        OperationCase{"eeprom:w:app.eep", Memory::Eeprom, Op::Write, "app.eep", Format::Hex},
        OperationCase{"eeprom:w:app.elf", Memory::Eeprom, Op::Write, "app.elf", Format::Elf},
        OperationCase{"hfuse:w:0xD9:m", Memory::FuseHigh, Op::Write, "0xD9", Format::Immediate},
        OperationCase{"lfuse:w:0xE1", Memory::FuseLow, Op::Write, "0xE1", Format::Immediate},
        OperationCase{"efuse:r:-:h", Memory::FuseExtended, Op::Read, "-", Format::HexText},
        OperationCase{"lock:r:lock.txt:b", Memory::Lock, Op::Read, "lock.txt", Format::BinaryText},
        OperationCase{"fuses:w:app.elf", Memory::Fuses, Op::Write, "app.elf", Format::Elf},
        OperationCase{"lock:w:app.elf", Memory::Lock, Op::Write, "app.elf", Format::Elf}));

class BadOperations : public ::testing::TestWithParam<const char *> {};

TEST_P(BadOperations, RefusedWithTheArgumentNamed) {
  QString error;
  EXPECT_FALSE(ParseMemoryOperation(QLatin1String(GetParam()), error).has_value());
  EXPECT_TRUE(error.contains(QLatin1String(GetParam()))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, BadOperations,
                         ::testing::Values("flash", "flash:w", "ram:w:a.hex", "flash:q:a.hex",
                                           "flash:w:a.txt", "flash:w:a.hex:z", "flash:r:a.elf",
                                           "flash:w:0xD9:m", "eeprom:w:a.rom", "hfuse:w:0x1FF:m",
                                           "hfuse:w:a.hex", "hfuse:v:0xD9:m", "lfuse:r:-:m",
                                           "fuses:w:0xD9:m", "flash:w::i"));

// A last field that is a word names a format the program does not know; a
// last field that is a path is part of the file name.
TEST(BadOperations, AnUnknownFormatIsNamedAsSuch) {
  QString error;
  EXPECT_FALSE(ParseMemoryOperation(QStringLiteral("flash:w:app.hex:q"), error).has_value());
  EXPECT_TRUE(error.contains(QStringLiteral("unknown format \"q\""))) << error.toStdString();
  EXPECT_FALSE(ParseMemoryOperation(QStringLiteral("flash:w:c:/dir/app"), error).has_value());
  EXPECT_TRUE(error.contains(QStringLiteral("give the format"))) << error.toStdString();
}

TEST(PortBase, FromTheKernelsListOrTheStandardAddresses) {
  QTemporaryDir proc;
  ASSERT_TRUE(QDir(proc.path()).mkpath(QStringLiteral("parport4")));
  QFile file(proc.filePath(QStringLiteral("parport4/base-addr")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("49152\t49160\n");
  file.close();
  QString error;
  EXPECT_EQ(PortBase(QStringLiteral("/dev/parport4"), proc.path(), error), 0xC000);
  EXPECT_EQ(PortBase(QStringLiteral("/dev/parport1"), proc.path(), error), 0x278);
  EXPECT_EQ(PortBase(QStringLiteral("0x3BC"), proc.path(), error), 0x3BC);
  EXPECT_EQ(PortBase(QStringLiteral("/dev/parport5"), proc.path(), error), std::nullopt);
  EXPECT_TRUE(error.contains(QStringLiteral("/dev/parport5")));
  EXPECT_EQ(PortBase(QStringLiteral("/dev/ttyS0"), proc.path(), error), std::nullopt);
  EXPECT_EQ(PortBase(QStringLiteral("0x10000"), proc.path(), error), std::nullopt);
}

TEST(Arguments, StepsKeepTheirOrderAcrossOptionsAndWords) {
  const Parsed p = ParseArguments(
      {QStringLiteral("rindle-cli"), QStringLiteral("-p"), QStringLiteral("erase"),
       QStringLiteral("erase"), QStringLiteral("-Uflash:w:a.hex"), QStringLiteral("reset"),
       QStringLiteral("hold"), QStringLiteral("--memory=eeprom:r:e.bin"),
       QStringLiteral("--allow-lockout"), QStringLiteral("rstdisbl,DWEN"), QStringLiteral("write"),
       QStringLiteral("app.elf")});
  ASSERT_TRUE(p.request.has_value());
  const Request &r = *p.request;
  EXPECT_EQ(r.device, QStringLiteral("erase"));
  ASSERT_EQ(r.steps.size(), 5u);
  EXPECT_EQ(std::get<CommandStep>(r.steps[0]).kind, CommandStep::Kind::Erase);
  EXPECT_EQ(std::get<MemoryOperation>(r.steps[1]).file, QStringLiteral("a.hex"));
  EXPECT_EQ(std::get<CommandStep>(r.steps[2]).kind, CommandStep::Kind::ResetHold);
  EXPECT_EQ(std::get<MemoryOperation>(r.steps[3]).memory, Memory::Eeprom);
  EXPECT_EQ(std::get<CommandStep>(r.steps[4]).file, QStringLiteral("app.elf"));
  EXPECT_EQ(r.allowLockout, (QStringList{QStringLiteral("RSTDISBL"), QStringLiteral("DWEN")}));
}

} // namespace
} // namespace rindle::cli
