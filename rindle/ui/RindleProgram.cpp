#include "rindle/ui/RindleProgram.h"

#include <QPointer>

#include "common/widgets/QtPrompter.h"
#include "rindle/app/CommandLine.h"
#include "rindle/app/OptionsModel.h"
#include "rindle/engine/Settings.h"
#include "isp/widgets/Pictures.h"
#include "isp/widgets/TfrmAbout.h"
#include "isp/widgets/TfrmCmdSts.h"
#include "rindle/ui/TfrmDispBuf.h"
#include "rindle/ui/TfrmEditBuffer.h"
#include "rindle/ui/TfrmFillBuffer.h"
#include "rindle/ui/TfrmFuses.h"
#include "rindle/ui/TfrmHelp.h"
#include "rindle/ui/TfrmMain.h"
#include "rindle/ui/TfrmOptions.h"
#include "isp/widgets/TfrmSplash.h"

namespace rindle::ui {

struct RindleProgram::SplashHolder {
  QPointer<TfrmSplash> window;
};

namespace {

IspHardware &Checked(const std::unique_ptr<IspHardware> &hardware) { return *hardware; }

QString VersionText() { return QStringLiteral("Version %1").arg(QLatin1String(kVersion)); }

// White on navy, the second credit line in light blue.
CreditsLook SplashLook() {
  return {QStringLiteral("Rindle"),
          VersionText(),
          QColor(0, 0, 128),
          Qt::white,
          {{QStringLiteral("lblAboutM2"), 1, {}, false, 0},
           {QStringLiteral("lblAboutM3"), 2, QColor(0xA6, 0xCA, 0xF0), false, 0}},
          CreditLine};
}

// Navy captions; the third credit line is the tooltip of the other two.
CreditsLook AboutLook() {
  return {QStringLiteral("Rindle"),
          VersionText(),
          QColor(),
          QColor(0, 0, 128),
          {{QStringLiteral("lblAboutM1"), 1, {}, false, 3},
           {QStringLiteral("lblAboutM2"), 2, {}, false, 3}},
          CreditLine};
}

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
  app_->SetExamplesFolder(setup.examplesFolder);
  // The main window comes first: its start-up runs before the others exist.
  main_ = std::make_unique<TfrmMain>(*app_, setup.simulated);
  if (ownPrompter_)
    ownPrompter_->setParent(main_.get());
  about_ = std::make_unique<TfrmAbout>(QStringLiteral(" About Rindle"), AboutLook(),
                                       TfrmAbout::OkButton::None, main_.get());
  splash_ = std::make_unique<SplashHolder>();
  splash_->window = new TfrmSplash(SplashLook(), 2000);
  fuses_ = std::make_unique<TfrmFuses>(engine_, *prompter, main_.get());
  dispBuf_ = std::make_unique<TfrmDispBuf>(engine_, *prompter, main_.get());
  fillBuffer_ = std::make_unique<TfrmFillBuffer>(engine_, *prompter, main_.get());
  progress_ = std::make_unique<TfrmCmdSts>();
  options_ = std::make_unique<TfrmOptions>(engine_, *prompter, main_.get());
  help_ = std::make_unique<TfrmHelp>(main_.get());
  editBuffer_ = std::make_unique<TfrmEditBuffer>(engine_, *prompter, main_.get());
  main_->setWindows(about_.get(), splash_->window, progress_.get(), help_.get());
  connectDialogs();
}

void RindleProgram::connectDialogs() {
  main_->showFuseBytes = [this] { fuses_->exec(); };
  main_->updateConfigFuseBytes = [this] { fuses_->UpdateConfigFuseBytes(); };
  main_->showDispBuffer = [this] { dispBuf_->exec(); };
  main_->showOptions = [this] { options_->exec(); };
  dispBuf_->SetBufferDialogs(*fillBuffer_, *editBuffer_);
  QObject::connect(dispBuf_.get(), &TfrmDispBuf::bufferEdited, main_.get(),
                   [this] { main_->bufferEditedByDialog(); });
  QObject::connect(dispBuf_.get(), &TfrmDispBuf::flashCleared, main_.get(), [this] {
    app_->ShowChecksum();
    app_->UpdateFilename();
    main_->showFields();
  });
  QObject::connect(dispBuf_.get(), &TfrmDispBuf::eepromCleared, main_.get(),
                   [this] { main_->showFields(); });
  // What the chosen address reaches: the simulated cable in a dry run, else
  // the parallel port device that serves it, with the port this program
  // holds counted as its own.
  if (hardware_->simulated()) {
    options_->SetPortDiagnosis([](quint16) { return QStringLiteral("simulated"); });
  } else {
    options_->SetPortDiagnosis([this](quint16 base) {
      PortProbe probe;
      probe.heldHere = [this](std::uint16_t b) {
        return b == engine_.Port.PortBase && hardware_->port().Reach().ok;
      };
      return DiagnoseParallelPort(base, probe);
    });
  }
}

RindleProgram::~RindleProgram() {
  if (splash_ && splash_->window)
    delete splash_->window.data();
  editBuffer_.reset();
  help_.reset();
  options_.reset();
  progress_.reset();
  fillBuffer_.reset();
  dispBuf_.reset();
  fuses_.reset();
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
  setup.settingsFolder = QFileInfo(files.settingsFile(settings::kSettingsFileName)).absolutePath();
  const QString stateFolder =
      options.simulate ? QFileInfo(files.dataFile(QStringLiteral("simulated"))).absolutePath()
                       : QString();
  setup.hardware = MakeHardware(options.simulate, options.simulatedDevice, stateFolder);
  setup.examplesFolder = files.examplesFolder();
  return std::make_unique<RindleProgram>(std::move(setup));
}

} // namespace rindle::ui
