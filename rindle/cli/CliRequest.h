#pragma once

#include "common/ConsoleOutput.h"
#include "common/ProgramOptions.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include <QString>
#include <QStringList>

namespace rindle::cli {

// Exit statuses of rindle-cli, those of every command-line program.
using common::kExitChip;
using common::kExitFile;
using common::kExitOk;
using common::kExitPort;
using common::kExitRefused;
using common::kExitUsage;

// One -U operation: MEMORY:OP:FILE[:FORMAT].
struct MemoryOperation {
  enum class Memory { Flash, Eeprom, FuseLow, FuseHigh, FuseExtended, Lock, Fuses };
  enum class Op { Write, Read, Verify };
  // How the file is read or written.
  enum class Format { Hex, Bin, Rom, Elf, Immediate, HexText, DecimalText, BinaryText };

  Memory memory = Memory::Flash;
  Op op = Op::Write;
  QString file;
  Format format = Format::Hex;
  // The -U argument as given, for messages.
  QString text;
};

// A command word after the options.
struct CommandStep {
  enum class Kind { Erase, BlankCheck, Signature, ResetHold, ResetRelease, WriteAll };
  Kind kind = Kind::Erase;
  // With WriteAll: the ELF file.
  QString file;
};

using Step = std::variant<MemoryOperation, CommandStep>;

// What one run of rindle-cli is asked to do.
struct Request {
  bool listDevices = false;
  // The device as given (list or data-sheet name).
  QString device;
  // -U operations and command words, in the order given.
  std::vector<Step> steps;
  QString port;
  QString settingsFile;
  bool simulate = false;
  QString simulatedDevice;
  // With simulate: the simulated chip answers at once instead of taking as
  // long as a real one.
  bool noDelays = false;
  bool dryRun = false;
  bool force = false;
  bool noVerify = false;
  bool quiet = false;
  bool verbose = false;
  bool json = false;
  // Bits (RSTDISBL, DWEN, SPIEN) that a fuse write may program.
  QStringList allowLockout;
};

// A request, or the exit status to stop with at once (help, version, a
// usage error already reported on stderr).
struct Parsed {
  std::optional<Request> request;
  int exitStatus = kExitOk;
};

// Reads the arguments, the program's name first.
Parsed ParseArguments(const QStringList &arguments);

// The help text's synopsis, description and notes.
QString HelpText();

// The name of a memory as -U names it.
QString MemoryName(MemoryOperation::Memory memory);

// One -U argument; the reason in `error` when it cannot be used.
std::optional<MemoryOperation> ParseMemoryOperation(const QString &text, QString &error);

// The base address of a port given as /dev/parportN or as an address
// (0x378); the reason in `error` when there is none.
std::optional<std::uint16_t> PortBase(const QString &port, const QString &procRoot, QString &error);

} // namespace rindle::cli
