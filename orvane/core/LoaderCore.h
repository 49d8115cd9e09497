#pragma once

#include "common/Prompter.h"
#include "orvane/core/DeviceDatabase.h"
#include "orvane/core/HistoryFiles.h"
#include "orvane/core/LoaderBuffer.h"
#include "orvane/core/LoaderSettings.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

namespace orvane {

// The filter of the HEX open and save dialogs.
inline const QString kHexFileFilter = QStringLiteral("HEX Files (*.hex);;All Files (*.*)");

// What the "File" group of the main window shows.
struct FileLabels {
  QString txtFileName;    // full path of the loaded file
  QString lblModified;    // its date, empty when the last load found no file
  QString lblBytesLoaded; // BytesLoaded + " bytes"
};

// What the "Device" and "Device Position" groups show.
struct DeviceLabels {
  QString Device; // "None" when the last look-up found nothing
  QString Flash;
  QString EEPROM;
  QString Type;
  QString Picture; // path of the placement picture shown; empty = no picture
};

// The file's last-write time in local time, seconds rounded down to even.
QDateTime GetFileDate(const QString &path);
// "dddd, mmmm dd, yyyy, hh:nn:ss am/pm" with the locale's day and month names.
QString FormatFileDate(const QDateTime &when, const QLocale &locale = QLocale());

// The loader's state for the whole run, without its windows: settings, the
// buffer, the device database and the two recent lists, and the operations on
// them. Messages go through the prompter; the window reads the labels after
// the On...Changed calls.
class LoaderCore {
public:
  // programPath: the running program's full path; every file is named from it.
  // caption: the title of its message boxes.
  LoaderCore(const QString &programPath, common::Prompter &prompter,
             QString caption = ApplicationTitle());
  // Files where paths says.
  LoaderCore(LoaderPaths paths, common::Prompter &prompter, QString caption = ApplicationTitle());
  LoaderCore(const LoaderCore &) = delete;
  LoaderCore &operator=(const LoaderCore &) = delete;

  // "Orvane v5.4 - Kelmora Technologies " (with its trailing blank).
  static QString ApplicationTitle();

  // The caption of the loader's message boxes.
  const QString caption;
  LoaderPaths paths;
  LoaderSettings settings;
  LoaderBuffer buffer;
  DeviceDatabase devices;
  THistoryFiles HistoryFiles1; // recent files; a click loads the file
  THistoryFiles HistoryFiles2; // recent devices of the current model; a click selects it
  FileLabels fileLabels;
  DeviceLabels deviceLabels;
  // The example programs that ship with the suite; empty when none do.
  QString examplesFolder;

  // Where the Open dialog starts: the folder of the last file loaded, or the
  // examples while no file has been (a first start).
  QString OpenDialogFolder() const {
    return settings.LastDir.isEmpty() ? examplesFolder : settings.LastDir;
  }

  std::function<void()> OnFileChanged;   // fileLabels or the buffer changed
  std::function<void()> OnDeviceChanged; // deviceLabels changed

  // Start-up before the lists are filled: the program ini, user.ini, the
  // recent-files file and the last HEX file. A settings or recent-list file
  // that cannot be read is moved aside (NAME.bad) and the user told, so that
  // the one written in its place does not destroy it; the program ini, the
  // model catalogue, is only reported and never written over. A client
  // that brings its own file leaves the last one unloaded.
  void Start(bool loadLastFile = true);
  // Makes model current: its speed (kept as it was when the model gives no
  // positive decimal speed), its recent-devices list (moved aside when it
  // cannot be read, as at start).
  void ModelChange(const QString &model);
  // First activation of the main window: the model's database and LastDevice.
  void FirstActivation();
  // Exit: the program ini, then user.ini. False when one could not be written.
  bool SaveSettings(QString *error = nullptr);

  // Loads an Intel HEX file into the image. False only when reading stopped
  // (at a field that is not a number, or at data beyond the 64 KiB image),
  // or the file could not be read.
  bool LoadFileToBuffer(const QString &path);
  // False after a load that stopped part way: the image holds only part of
  // the file, and nothing of it may reach a chip until a file loads whole.
  bool ImageComplete() const { return imageComplete_; }
  // The lines of the last file loaded that were in error and left out.
  int LinesIgnored() const { return linesIgnored_; }
  // "Save Buffer as HEX": asks for a name, writes TransferCount bytes.
  bool FileSave1Execute();
  // Writes TransferCount bytes as Intel HEX to path, whole or not at all;
  // false with the message when it cannot.
  bool SaveBufferAs(const QString &path, QString *error);
  // Why path is no file to load ("Cannot open file ..."); empty when it is
  // a file that can be read. A load of a path that is no file only forgets
  // the last file, so the callers that need one ask here first.
  static QString FileProblem(const QString &path);

  // Selects the device of that name (ignoring case) in the loaded database;
  // false, with the "None" display, when it has no such row.
  bool LoadDevice(const QString &name);
  // Selects the database's current row.
  bool LoadDevice();
  // The "Device Select" action without its dialog: runDialog shows the
  // database modally and returns true for OK.
  void DeviceSelect(const std::function<bool(DeviceDatabase &)> &runDialog);
  // "&Clear List": forgets the current model's recent devices.
  void ClearRecentDevices();

private:
  void errorBox(const QString &text);
  // The notice for a file of the loader's that cannot be read, once.
  void unreadable(const IniFile &ini, const QString &keptAs, const QString &instead);
  // A file the loader writes that cannot be read is moved aside.
  void keepUnreadable(const QString &path, const QString &instead);
  void showDevice(const QString &name, const DeviceRecord &row);
  void showNone();
  void fileChanged();
  void deviceChanged();

  common::Prompter &prompter_;
  bool imageComplete_ = true;
  int linesIgnored_ = 0;
  // The program ini could not be read at start: it is not written at exit.
  bool programIniHeld_ = false;
};

} // namespace orvane
