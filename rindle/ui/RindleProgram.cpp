#include "rindle/ui/RindleProgram.h"

#include <QPointer>

#include "common/widgets/QtPrompter.h"
#include "rindle/ui/TfrmAbout.h"
#include "rindle/ui/TfrmCmdSts.h"
#include "rindle/ui/TfrmHelp.h"
#include "rindle/ui/TfrmMain.h"
#include "rindle/ui/TfrmSplash.h"

namespace rindle::ui {

struct RindleProgram::SplashHolder {
  QPointer<TfrmSplash> window;
};

namespace {

IspHardware &Checked(const std::unique_ptr<IspHardware> &hardware) { return *hardware; }

} // namespace

RindleProgram::RindleProgram(ProgramSetup setup)
    : hardware_(std::move(setup.hardware)),
      engine_(Checked(hardware_).port(), Checked(hardware_).timer()) {
  engine_.ProgramFolder = setup.settingsFolder;
  common::Prompter *prompter = setup.prompter;
  if (prompter == nullptr) {
    ownPrompter_ = std::make_unique<common::QtPrompter>();
    prompter = ownPrompter_.get();
  }
  app_ = std::make_unique<IspApp>(engine_, *prompter, nullptr, hardware_.get());
  // The main window comes first: its start-up runs before the others exist.
  main_ = std::make_unique<TfrmMain>(*app_, setup.simulated);
  if (ownPrompter_)
    ownPrompter_->setParent(main_.get());
  about_ = std::make_unique<TfrmAbout>(main_.get());
  splash_ = std::make_unique<SplashHolder>();
  splash_->window = new TfrmSplash;
  // TfrmFuses, TfrmDispBuf, TfrmFillBuffer come here.
  progress_ = std::make_unique<TfrmCmdSts>();
  // TfrmOptions comes here.
  help_ = std::make_unique<TfrmHelp>(main_.get());
  // TfrmEditBuffer comes here.
  main_->setWindows(about_.get(), splash_->window, progress_.get(), help_.get());
}

RindleProgram::~RindleProgram() {
  if (splash_ && splash_->window)
    delete splash_->window.data();
  help_.reset();
  progress_.reset();
  about_.reset();
  main_.reset();
}

TfrmSplash *RindleProgram::splash() const { return splash_->window.data(); }

} // namespace rindle::ui

#include <QFileInfo>

#include "common/AppFiles.h"
#include "rindle/app/CommandLine.h"

namespace rindle::ui {

std::unique_ptr<RindleProgram> MakeProgramForRun(const CommandLine &options) {
  const common::AppFiles files = common::AppFiles::forRunningProgram();
  ProgramSetup setup;
  setup.simulated = options.simulate;
  setup.settingsFolder = QFileInfo(files.settingsFile(QStringLiteral("Rindle37.set"))).absolutePath();
  const QString stateFolder =
      options.simulate ? QFileInfo(files.dataFile(QStringLiteral("simulated"))).absolutePath()
                       : QString();
  setup.hardware = MakeHardware(options.simulate, options.simulatedDevice, stateFolder);
  return std::make_unique<RindleProgram>(std::move(setup));
}

} // namespace rindle::ui
