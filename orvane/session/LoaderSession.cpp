#include "orvane/session/LoaderSession.h"

#include "common/AppFiles.h"
#include "sim/box/ProgrammerBox.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

namespace orvane {

LoaderSession::LoaderSession(LoaderPaths paths, common::Prompter &prompter, QString caption,
                             std::unique_ptr<StepTimer> stepTimer)
    : core_(std::move(paths), prompter, std::move(caption)),
      sequencer_(core_, port_, packets_, *this, prompter, nullptr, std::move(stepTimer)) {}

LoaderSession::~LoaderSession() {
  port_.Close();
  if (box_) {
    box_->Stop();
  }
}

QString LoaderSession::BoxChipFile(const QString &loaderPath) {
  const QFileInfo program(loaderPath);
  return common::AppFiles(program.absolutePath(), program.completeBaseName())
      .dataFile(QStringLiteral("box-chip.bin"));
}

void LoaderSession::StartUp(bool loadLastFile) {
  core_.Start(loadLastFile);
  ChoosePort();
  ModelChange(core_.settings.programmerModel);
}

bool LoaderSession::Simulate(const QString &chipFile, QString *error) {
  auto box = std::make_unique<sim::ProgrammerBox>(sim::ProgrammerBox::Chip{},
                                                  chipFile.toStdString());
  std::string why;
  if (!box->Start(&why)) {
    if (error) {
      *error = QString::fromStdString(why);
    }
    return false;
  }
  if (box_) {
    box_->Stop();
  }
  box_ = std::move(box);
  UseSimulatedPort(QString::fromStdString(box_->Path()));
  return true;
}

void LoaderSession::UseSimulatedPort(const QString &name) {
  simulatedPort_ = name;
  ChoosePort();
}

void LoaderSession::ChoosePort() {
  // The dry run talks to the emulated box; the saved port stays as it was.
  port_.SetPort(simulatedPort_.isEmpty() ? core_.settings.comPort : simulatedPort_);
}

void LoaderSession::SelectPort(const QString &name) {
  core_.settings.comPort = name;
  port_.SetPort(name);
}

void LoaderSession::ModelChange(const QString &model) {
  core_.ModelChange(model);
  port_.SetCustomBaudRate(core_.settings.comSpeed.toInt());
}

QStringList LoaderSession::Models() const {
  QStringList models;
  for (int i = 0; i < core_.settings.ModelCount; ++i) {
    const QString model = core_.settings.GetModelName(i);
    if (!model.isEmpty()) {
      models << model;
    }
  }
  return models;
}

QString LoaderSession::FindModel(const QString &name) const {
  const QStringList models = Models();
  if (models.contains(name))
    return name;
  for (const QString &model : models)
    if (model.compare(name, Qt::CaseInsensitive) == 0)
      return model;
  return {};
}

bool LoaderSession::Execute(int function) {
  if (sequencer_.Busy()) {
    return false;
  }
  return sequencer_.ExecuteFunction(function);
}

common::Outcome LoaderSession::Run(int function) {
  if (sequencer_.Busy()) {
    return common::Outcome::refused(QStringLiteral("A function is running"));
  }
  if (!Execute(function)) {
    return LastOutcome();
  }
  if (sequencer_.Busy()) {
    QEventLoop loop;
    connect(this, &LoaderSession::Finished, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return LastOutcome();
}

common::Outcome LoaderSession::LoadFile(const QString &path) {
  using common::Outcome;
  if (const QString problem = LoaderCore::FileProblem(path); !problem.isEmpty())
    return Outcome::failed(Outcome::Cause::File, problem);
  if (!core_.LoadFileToBuffer(path) || !core_.ImageComplete() || core_.LinesIgnored() > 0)
    return Outcome::failed(Outcome::Cause::File,
                           QStringLiteral("\"%1\" did not load whole as Intel HEX").arg(path));
  return Outcome::ok();
}

common::Outcome LoaderSession::SaveBuffer(const QString &path) {
  QString error;
  if (!core_.SaveBufferAs(path, &error))
    return common::Outcome::failed(common::Outcome::Cause::File, error);
  return common::Outcome::ok();
}

common::Outcome LoaderSession::RunWithFile(int function, const QString &path) {
  using common::Outcome;
  if (function == kProgram || function == kVerify || function == kAutoProgram) {
    const Outcome loaded = LoadFile(path);
    if (!loaded.isOk())
      return loaded;
    // An empty file is what a build step that failed leaves behind: the box
    // would erase the chip, write nothing and report success.
    if (core_.buffer.BytesLoaded <= 0)
      return Outcome::failed(Outcome::Cause::File,
                             QStringLiteral("\"%1\" holds no program: 0 bytes loaded").arg(path));
    return Run(function);
  }
  if (function != kRead)
    return Run(function);
  const QFileInfo target(path);
  if (target.isDir() || !target.absoluteDir().exists())
    return Outcome::failed(Outcome::Cause::File,
                           QStringLiteral("Cannot create file \"%1\". %2")
                               .arg(path, target.isDir() ? QStringLiteral("It is a folder")
                                                         : QStringLiteral("No such folder")));
  const Outcome read = Run(function);
  if (!read.isOk())
    return read;
  const Outcome saved = SaveBuffer(path);
  return saved.isOk() ? read : saved;
}

void LoaderSession::AddStatus(const QString &text, bool result) {
  if (log_) {
    log_->AddStatus(text, result);
  }
}

void LoaderSession::ClearStatus() {
  if (log_) {
    log_->ClearStatus();
  }
}

void LoaderSession::SelectFunction(int index) {
  if (log_) {
    log_->SelectFunction(index);
  }
}

void LoaderSession::BusyChanged(bool busy) {
  if (log_) {
    log_->BusyChanged(busy);
  }
  if (!busy) {
    emit Finished(sequencer_.LastOutcome());
  }
}

} // namespace orvane
