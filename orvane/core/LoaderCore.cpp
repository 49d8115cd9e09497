#include "orvane/core/LoaderCore.h"

#include "common/SafeFile.h"
#include "orvane/core/IniFile.h"

#include <QFile>
#include <QFileInfo>

namespace orvane {

namespace {

QString decimalOrEmpty(const std::optional<std::int32_t> &v) {
  return v ? QString::number(*v) : QString();
}

} // namespace

QDateTime GetFileDate(const QString &path) {
  QDateTime t = QFileInfo(path).lastModified().toLocalTime();
  const QTime time = t.time();
  // File dates are kept to two seconds, as on the file systems the dates
  // first came from; the label never shows an odd second.
  t.setTime(QTime(time.hour(), time.minute(), time.second() - time.second() % 2));
  return t;
}

QString FormatFileDate(const QDateTime &when, const QLocale &locale) {
  const QDate d = when.date();
  const QTime t = when.time();
  int hour12 = t.hour() % 12;
  if (hour12 == 0)
    hour12 = 12;
  return QStringLiteral("%1, %2 %3, %4, %5:%6:%7 %8")
      .arg(locale.dayName(d.dayOfWeek(), QLocale::LongFormat),
           locale.monthName(d.month(), QLocale::LongFormat))
      .arg(d.day(), 2, 10, QLatin1Char('0'))
      .arg(d.year(), 4, 10, QLatin1Char('0'))
      .arg(hour12, 2, 10, QLatin1Char('0'))
      .arg(t.minute(), 2, 10, QLatin1Char('0'))
      .arg(t.second(), 2, 10, QLatin1Char('0'))
      .arg(t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

LoaderCore::LoaderCore(const QString &programPath, common::Prompter &prompter, QString caption)
    : LoaderCore(LoaderPaths::ForProgram(programPath), prompter, std::move(caption)) {}

LoaderCore::LoaderCore(LoaderPaths paths_, common::Prompter &prompter, QString caption_)
    : caption(std::move(caption_)), paths(std::move(paths_)), HistoryFiles1(prompter, caption),
      HistoryFiles2(prompter, caption), prompter_(prompter) {
  // The lists name their files from the program path from the start, so that
  // nothing is ever written to a "History.ini" in the working folder.
  HistoryFiles1.IniFile = paths.recentFiles();
  HistoryFiles2.IniFile = paths.recentDevices(settings.programmerModel);
  HistoryFiles1.IniKey = QStringLiteral("History Files");
  HistoryFiles1.MaxItems = 10;
  HistoryFiles1.ShowFullPath = true;
  HistoryFiles1.FileMustExist = true;
  HistoryFiles1.OnClickHistoryItem = [this](THistoryFiles *, const QString &entry) {
    LoadFileToBuffer(entry);
  };

  HistoryFiles2.IniKey = QStringLiteral("Device History");
  HistoryFiles2.MaxItems = 10;
  HistoryFiles2.ShowFullPath = false;
  HistoryFiles2.FileMustExist = false;
  // Device names, not paths: "AT89C51/LV" shows whole.
  HistoryFiles2.EntriesArePaths = false;
  HistoryFiles2.OnClickHistoryItem = [this](THistoryFiles *, const QString &entry) {
    LoadDevice(entry);
  };
}

QString LoaderCore::ApplicationTitle() {
  return QStringLiteral("Orvane v") + LoaderSettings::GetVersionText() +
         QStringLiteral(" - Kelmora Technologies ");
}

void LoaderCore::errorBox(const QString &text) {
  prompter_.message(caption, text, common::Prompter::Icon::Error);
}

void LoaderCore::fileChanged() {
  if (OnFileChanged)
    OnFileChanged();
}

void LoaderCore::deviceChanged() {
  if (OnDeviceChanged)
    OnDeviceChanged();
}

void LoaderCore::unreadable(const IniFile &ini, const QString &keptAs, const QString &instead) {
  errorBox(common::DamagedFileNotice(
      ini.path(), QStringLiteral("The file cannot be read: %1").arg(ini.loadError()), keptAs,
      instead));
}

void LoaderCore::keepUnreadable(const QString &path, const QString &instead) {
  const IniFile ini(path);
  if (!ini.loadError().isEmpty())
    unreadable(ini, common::KeepDamagedFile(path), instead);
}

void LoaderCore::Start(bool loadLastFile) {
  // The model catalogue is shipped, not the user's: it stays where it is.
  const IniFile catalogue(paths.programIniToRead());
  programIniHeld_ = !catalogue.loadError().isEmpty();
  if (programIniHeld_)
    unreadable(catalogue, {}, QStringLiteral("the loader has no hardware models"));
  settings.ReadProgramIni(catalogue);
  keepUnreadable(paths.userIni(), QStringLiteral("the settings start from their defaults"));
  settings.ReadUserIni(paths.userIni());
  keepUnreadable(paths.recentFiles(), QStringLiteral("the recent-files list starts empty"));
  if (loadLastFile)
    LoadFileToBuffer(settings.LastFile);
}

void LoaderCore::ModelChange(const QString &model) {
  settings.programmerModel = model;
  // A model without a usable speed keeps the one in use rather than leaving
  // the port without a baud rate.
  const QString speed = settings.ReadModelValue(QStringLiteral("comSpeed"));
  bool ok = false;
  const int baud = speed.toInt(&ok);
  if (ok && baud > 0)
    settings.comSpeed = speed;
  HistoryFiles2.IniFile = paths.recentDevices(model);
  keepUnreadable(HistoryFiles2.IniFile, QStringLiteral("the recent-devices list starts empty"));
  HistoryFiles2.RebuildMenu();
}

void LoaderCore::FirstActivation() {
  const QString path = paths.deviceDatabase(settings.programmerModel);
  if (QFileInfo::exists(path)) {
    QString error;
    if (!devices.LoadDeviceDatabase(path, &error))
      errorBox(QStringLiteral("Cannot read the device database \"%1\": %2").arg(path, error));
  }
  if (!settings.LastDevice.isEmpty())
    LoadDevice(settings.LastDevice);
}

bool LoaderCore::SaveSettings(QString *error) {
  QString why;
  // The first save of an installed program starts its own program ini from
  // the shipped one, so the model catalogue goes along with the settings.
  if (paths.programIniToRead() != paths.programIni() && !programIniHeld_)
    QFile::copy(paths.programIniToRead(), paths.programIni());
  // A catalogue that could not be read is not replaced by one without its
  // models; the user was told at start.
  if (!programIniHeld_ && !settings.WriteProgramIni(paths.programIni(), &why)) {
    if (error)
      *error = QStringLiteral("Cannot write \"%1\". %2").arg(paths.programIni(), why);
    // user.ini is still worth keeping.
    settings.WriteUserIni(paths.userIni());
    return false;
  }
  if (!settings.WriteUserIni(paths.userIni(), &why)) {
    if (error)
      *error = QStringLiteral("Cannot write \"%1\". %2").arg(paths.userIni(), why);
    return false;
  }
  return true;
}

bool LoaderCore::LoadFileToBuffer(const QString &path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isFile()) {
    settings.LastFile.clear();
    fileLabels.lblModified.clear();
    fileChanged();
    return true;
  }
  // Read before anything changes, so that an unreadable file costs nothing.
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    errorBox(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    return false;
  }
  const QByteArray text = f.readAll();
  f.close();

  const QString full = info.absoluteFilePath();
  HistoryFiles1.AddToHistory(full);
  fileLabels.txtFileName = full;
  settings.LastDir = info.absolutePath();
  if (!settings.LastDir.endsWith(QLatin1Char('/')))
    settings.LastDir += QLatin1Char('/');
  settings.LastFile = full;
  fileLabels.lblModified = FormatFileDate(GetFileDate(full));

  linesIgnored_ = 0;
  const HexLoadResult load = buffer.LoadHex(text, [this](const QString &message) {
    ++linesIgnored_;
    prompter_.message(caption, message,
                      common::Prompter::Icon::None);
  });
  imageComplete_ = load.end == HexLoadResult::End::Complete;
  if (load.end == HexLoadResult::End::NotANumber) {
    errorBox(load.message);
    fileChanged();
    return false;
  }
  // What was read before data beyond the buffer stays and is counted, to be
  // looked at, but the load has failed and the image is not sent.
  if (load.end == HexLoadResult::End::BeyondImage)
    errorBox(load.message);
  fileLabels.lblBytesLoaded = QString::number(buffer.BytesLoaded) + QStringLiteral(" bytes");
  fileChanged();
  return load.end == HexLoadResult::End::Complete;
}

bool LoaderCore::FileSave1Execute() {
  QString name = prompter_.saveFileName(QStringLiteral("Save As"), settings.LastDir, QString(),
                                        kHexFileFilter);
  if (name.isEmpty())
    return false;
  name += QStringLiteral(".HEX");
  QString error;
  if (!SaveBufferAs(name, &error)) {
    errorBox(error);
    return false;
  }
  return true;
}

bool LoaderCore::SaveBufferAs(const QString &path, QString *error) {
  const common::SaveResult saved =
      common::SaveWholeFile(path, HexFileText(buffer.ImageArea, buffer.SaveCount()));
  if (!saved.ok()) {
    *error = QStringLiteral("Cannot create file \"%1\". %2").arg(path, saved.reason);
    return false;
  }
  return true;
}

QString LoaderCore::FileProblem(const QString &path) {
  if (QFileInfo(path).isFile())
    return {};
  QFile probe(path);
  const QString why =
      probe.open(QIODevice::ReadOnly) ? QStringLiteral("Not a file") : probe.errorString();
  return QStringLiteral("Cannot open file \"%1\". %2").arg(path, why);
}

void LoaderCore::showDevice(const QString &name, const DeviceRecord &row) {
  const QString picture = paths.placementPicture(row.Placement.value_or(QString()));
  if (row.Placement && QFileInfo::exists(picture))
    deviceLabels.Picture = picture;
  HistoryFiles2.AddToHistory(name);
  settings.LastDevice = name;
  deviceLabels.Device = name;
  deviceLabels.Flash = decimalOrEmpty(row.Flash);
  deviceLabels.EEPROM = decimalOrEmpty(row.EEPROM);
  deviceLabels.Type = row.Type.value_or(QString());
  deviceChanged();
}

void LoaderCore::showNone() {
  deviceLabels.Device = QStringLiteral("None");
  deviceLabels.Flash.clear();
  deviceLabels.EEPROM.clear();
  deviceLabels.Type.clear();
  deviceLabels.Picture.clear();
  deviceChanged();
}

bool LoaderCore::LoadDevice(const QString &name) {
  devices.setFilterEquals(name);
  const DeviceRecord *row = devices.currentRow();
  if (!row) {
    showNone();
    return false;
  }
  showDevice(name, *row);
  return true;
}

bool LoaderCore::LoadDevice() {
  const DeviceRecord *row = devices.currentRow();
  if (!row || !row->Device) {
    showNone();
    return false;
  }
  showDevice(*row->Device, *row);
  return true;
}

void LoaderCore::DeviceSelect(const std::function<bool(DeviceDatabase &)> &runDialog) {
  const QString path = paths.deviceDatabase(settings.programmerModel);
  if (!QFileInfo::exists(path)) {
    prompter_.message(caption,
                      QStringLiteral("Device database file for this model not found"),
                      common::Prompter::Icon::None);
    return;
  }
  QString error;
  if (!devices.LoadDeviceDatabase(path, &error)) {
    errorBox(QStringLiteral("Cannot read the device database \"%1\": %2").arg(path, error));
    return;
  }
  if (runDialog && runDialog(devices)) {
    const DeviceRecord *row = devices.currentRow();
    if (row && row->Device)
      LoadDevice();
  }
}

void LoaderCore::ClearRecentDevices() {
  QFile::remove(HistoryFiles2.IniFile);
  HistoryFiles2.RebuildMenu();
}

} // namespace orvane
