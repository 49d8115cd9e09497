#pragma once

#include <memory>

#include <QString>

#include "common/Prompter.h"
#include "rindle/app/IspApp.h"
#include "isp/hardware/IspHardware.h"
#include "rindle/engine/IspEngine.h"

namespace common {
class QtPrompter;
}

namespace rindle {
class TfrmDispBuf;
class TfrmEditBuffer;
class TfrmFillBuffer;
class TfrmFuses;
class TfrmOptions;
} // namespace rindle

namespace rindle::ui {

class TfrmAbout;
class TfrmCmdSts;
class TfrmHelp;
class TfrmMain;
class TfrmSplash;

struct ProgramSetup {
  // The port and timer; the program owns it from here on.
  std::unique_ptr<IspHardware> hardware;
  bool simulated = false;
  // Folder of the settings file.
  QString settingsFolder;
  // Message boxes and file dialogs; nullptr: the real ones.
  common::Prompter *prompter = nullptr;
  // Where the open dialogs start on a first start; empty: the working folder.
  QString examplesFolder;
};

// One run of the programmer: the hardware, the engine, the application layer
// and the windows, created once in their order and kept for the whole run
// (but the splash, which frees itself).
class RindleProgram {
public:
  explicit RindleProgram(ProgramSetup setup);
  ~RindleProgram();
  RindleProgram(const RindleProgram &) = delete;
  RindleProgram &operator=(const RindleProgram &) = delete;

  TfrmMain &main() { return *main_; }
  TfrmAbout &about() { return *about_; }
  TfrmCmdSts &progress() { return *progress_; }
  TfrmHelp &help() { return *help_; }
  TfrmFuses &fuses() { return *fuses_; }
  TfrmDispBuf &dispBuf() { return *dispBuf_; }
  TfrmFillBuffer &fillBuffer() { return *fillBuffer_; }
  TfrmEditBuffer &editBuffer() { return *editBuffer_; }
  TfrmOptions &options() { return *options_; }
  // Null once the splash has closed.
  TfrmSplash *splash() const;
  IspEngine &engine() { return engine_; }
  IspApp &app() { return *app_; }
  IspHardware &hardware() { return *hardware_; }

private:
  void connectDialogs();

  std::unique_ptr<IspHardware> hardware_;
  IspEngine engine_;
  std::unique_ptr<common::QtPrompter> ownPrompter_;
  std::unique_ptr<IspApp> app_;
  std::unique_ptr<TfrmMain> main_;
  std::unique_ptr<TfrmAbout> about_;
  struct SplashHolder;
  std::unique_ptr<SplashHolder> splash_;
  std::unique_ptr<TfrmFuses> fuses_;
  std::unique_ptr<TfrmDispBuf> dispBuf_;
  std::unique_ptr<TfrmFillBuffer> fillBuffer_;
  std::unique_ptr<TfrmCmdSts> progress_;
  std::unique_ptr<TfrmOptions> options_;
  std::unique_ptr<TfrmHelp> help_;
  std::unique_ptr<TfrmEditBuffer> editBuffer_;
};

} // namespace rindle::ui

namespace rindle {
struct CommandLine;
}

namespace rindle::ui {

// The program of a run with these options: settings and simulated chips
// where AppFiles puts them (needs the application object).
std::unique_ptr<RindleProgram> MakeProgramForRun(const CommandLine &options);

} // namespace rindle::ui
