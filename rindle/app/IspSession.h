#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include <QString>
#include <QStringList>

#include "common/Outcome.h"
#include "common/Prompter.h"
#include "rindle/data/ElfFile.h"
#include "rindle/engine/IspEngine.h"
#include "isp/core/FileCommands.h"

namespace rindle {

class IspHardware;

// The question a session is asking its client right now, for a client that
// answers by a rule instead of a person (a command line).
struct SessionQuestion {
  enum class Kind {
    None,
    // The chip's signature is not the selected device's.
    ChipSignature,
    // A program file was built for another device than the selected one.
    FileSignature,
    // The fuse bytes to be written would end serial programming.
    Lockout,
  };
  Kind kind = Kind::None;
  // With Lockout: the chip's names of the bits at stake (RSTDISBL, DWEN,
  // SPIEN).
  QStringList lockoutBits;
  // With ChipSignature: false when no chip answered at all.
  bool chipResponded = true;
};

// What the last ELF file gave, while it is the program file.
struct ElfTaken {
  QString fileName;
  files::ElfImage image;
  FuseState fuses; // the fuse state as the file left it
};

// One run of the programmer without widgets: the hardware, the engine and
// its settings, and the flow of every chip command: the device check, the
// default-fuse safeguard, the lockout guard, the engine calls, the release of
// the target and the outcome. Questions go through the prompter, progress
// through the progress interface. The window's application layer and the
// command line are its clients.
class IspSession {
public:
  // Over an engine and hardware the caller keeps.
  IspSession(IspEngine &engine, common::Prompter &prompter, IspHardware *hardware,
             QString questionCaption);
  // Owning the hardware, with an engine of its own on it.
  IspSession(std::unique_ptr<IspHardware> hardware, common::Prompter &prompter,
             QString questionCaption);
  ~IspSession();
  IspSession(const IspSession &) = delete;
  IspSession &operator=(const IspSession &) = delete;

  IspEngine &Engine() { return engine_; }
  IspHardware *Hardware() { return hardware_; }
  // Where long commands report; nullptr: nowhere.
  void SetProgress(common::Progress *progress);
  const SessionQuestion &Asking() const { return asking_; }
  // Runs after a device check found the chip to go on with.
  std::function<void()> DeviceChecked;

  // ---- Start of a run without windows.
  // The engine's defaults, the settings of `settingsFile` when it exists
  // (the port, its lines and timing, the options; the files it names are
  // not read, and it is never written), `portBase` in place of the stored
  // port when given, then the port opened, the timer set up and the target
  // released. Failed (File) for a damaged settings file, (Port) for a port
  // that cannot be opened, with the port's reason.
  common::Outcome Start(const QString &settingsFile, std::optional<std::uint16_t> portBase);
  // The end of such a run: the timer given back, the chip's state kept.
  void Finish();

  // ---- Device.
  // The row as the device list has it; false for a separator or no row.
  bool SelectDevice(std::uint16_t row);
  // Reads the signature; asks whether to go on when it is not the selected
  // device's. False: stop, nothing done.
  bool CheckDevice();

  // ---- Chip commands. Each but ReadSignature checks the device first.
  // Flash and EEPROM into the buffer; Ok "Reading Completed".
  common::Outcome Read();
  // Erase, write, read back (AutoVerify), fuses and lock bits, after the
  // default-fuse safeguard and the lockout guard.
  common::Outcome Program();
  // asProgrammed: the buffer first takes what Program adds to it (the
  // calibration bytes the check read), for a buffer that holds only files.
  common::Outcome Verify(bool asProgrammed = false);
  common::Outcome BlankCheck();
  // Erase; the chip gets the default fuses.
  common::Outcome Erase();
  // Signature and calibration, fuses and lock bits; the report as message.
  common::Outcome ReadSignature();
  // The fuse state's fuse bytes and lock bits, after the safeguard and the
  // lockout guard.
  common::Outcome WriteFuses();
  // The fuse state becomes what the chip holds, with no lock bit asked for:
  // a write of memory then keeps the chip's fuses.
  common::Outcome TakeChipFuses();
  // The lock bits the chip had programmed when TakeChipFuses read it (bit
  // 0..2 for LB1..LB3); 0 when none were, or the chip does not tell.
  std::uint16_t ChipLockBits() const { return chipLockBits_; }
  void HoldReset();
  void ReleaseReset();

  // ---- Files.
  enum class Memory { Flash, Eeprom };
  // Reads the program file (flash) or the EEPROM file into the buffer, or
  // writes it from there, as `format`; the engine's result text ("OK" or the
  // message). An EEPROM file is HEX or BIN (EEP is HEX); ELF is read only
  // through the files from the compiler below.
  QString LoadFile(Memory memory, FileFormat format);
  QString SaveFile(Memory memory, FileFormat format);

  // The buffer as Program leaves it in the chip: the calibration bytes read
  // by the last device check where the options put them.
  void AsProgrammed();
  // Why the buffer cannot be saved so; empty when it can.
  QString SaveRefusal(Memory memory, FileFormat format);

  // ---- Files from the compiler.
  // Reads `fileName` as an ELF file and takes `parts` of it (the program
  // file is then that file): Failed (File) with the file's name and the
  // reason when it cannot be read or a part does not fit the device,
  // Refused when it was built for another device and the user does not go
  // on. Nothing changes unless all is well.
  common::Outcome TakeElf(const QString &fileName, std::span<const files::ElfPart> parts);
  // True when the file's signature is the selected device's, or the user
  // goes on anyway.
  bool ConfirmFileSignature(const QString &fileName, const files::ElfImage &image);
  // What the file gave is remembered while it is the program file: the
  // default-fuse safeguard leaves its fuses alone.
  void RememberElf(ElfTaken taken) { elf_ = std::move(taken); }
  void ForgetElf() { elf_.reset(); }
  const ElfTaken *CurrentElf() const;

  // The engine's result text, with the port's problem when the chip was
  // silent.
  QString WithPortProblem(const QString &text);
  // A chip operation ended: the hardware keeps its state.
  void OperationDone();

private:
  common::Outcome failure(const QString &text);
  void applyDefaultFuses();
  bool confirmFuseWrite(const QString &caption);
  // One engine operation under progress, the target released after it;
  // false when it was cancelled.
  bool run(const QString &title, qint64 total, void (IspEngine::*operation)(), bool releaseFirst);
  // The device check, then a walk over the chip that ends "OK" on success.
  common::Outcome checkedWalk(const QString &title, void (IspEngine::*operation)(),
                              bool releaseFirst, const QString &okText, bool asProgrammed);
  bool ask(SessionQuestion question, const QString &caption, const QString &text);

  std::unique_ptr<IspHardware> ownHardware_;
  std::unique_ptr<IspEngine> ownEngine_;
  IspEngine &engine_;
  common::Prompter &prompter_;
  IspHardware *hardware_;
  QString caption_;
  common::NoProgress noProgress_;
  common::Progress *progress_ = &noProgress_;
  SessionQuestion asking_;
  std::optional<ElfTaken> elf_;
  // The bits the last lockout question named.
  QStringList lockoutBits_;
  std::uint16_t chipLockBits_ = 0;
};

// The message of a refusal by the device check.
QString SignatureRefusal(const IspEngine &engine);
// The message of a refusal by the lockout guard, naming the bits at stake.
QString FuseLockoutRefusal(const QStringList &bits);

} // namespace rindle
