#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include "common/Prompter.h"

// The file commands both ISP programmers offer (open, reload and save the
// program file), the buffer dialogs' fill check and the rule that drops the
// file name after a buffer edit. Each programmer passes its own dialog texts
// and implements the target over its engine and main-window fields.
namespace rindle {

// What a loader or saver reads or writes.
enum class FileFormat { Hex, Bin, Rom, Elf };

// One entry of a file dialog's filter list.
struct FileFilter {
  QString pattern; // as the dialog shows it: "Hex files (*.hex)"
  QString suffix;  // appended to a name saved without an extension: ".hex"
  FileFormat format;
};

// The dialogs of one kind of file.
struct FileDialogTexts {
  QString openTitle;
  QString saveTitle;
  std::vector<FileFilter> filters;
  // Asked before an existing file is replaced.
  QString overwriteQuestion;
  // Formats that are read but never written: offered after the others in
  // the open dialog only.
  std::vector<FileFilter> openOnly;

  // The filter list as the save dialog takes it: "A (*.a);;B (*.b)".
  QString FilterList() const;
  // The open dialog's filters and their list.
  std::vector<FileFilter> OpenFilters() const;
  QString OpenFilterList() const;
  // The open filter whose suffix is the name's extension (any case), if one
  // is.
  std::optional<FileFilter> FilterForName(const QString &name) const;
};

// A name chosen in a file dialog and the format its filter stands for; an
// empty name when the dialog was cancelled or the overwrite declined.
struct ChosenFile {
  QString name;
  FileFormat format = FileFormat::Hex;
};

// What the file commands act on: the engine's program file name, loaders and
// savers, and the main window's fields.
class FileCommandTarget {
public:
  virtual ~FileCommandTarget() = default;

  virtual QString ProgramFileName() const = 0;
  virtual void SetProgramFileName(const QString &name) = 0;
  // The folder the file dialogs start in.
  virtual QString DialogFolder() const = 0;
  // The engine's ResultText after loading or saving the program file; "OK"
  // means success.
  virtual QString LoadProgram(FileFormat format) = 0;
  // True when the load that just failed changed nothing: the file was
  // refused before anything was taken, or the user declined it. The current
  // file then stays and only the result is shown (nothing when it is empty).
  virtual bool LoadChangedNothing() const { return false; }
  virtual QString SaveProgram(FileFormat format) = 0;
  // After a failed load: every buffer cell a load could have written is
  // blank again.
  virtual void BlankLoadedCells() = 0;
  // After a buffer edit that left the files: every file name is dropped.
  virtual void DropFileNames() = 0;
  // The checksum of the program area now, and the one the window shows.
  virtual std::int32_t BufferChecksum() = 0;
  virtual std::int32_t DisplayedChecksum() const = 0;

  // The main window's field refreshes.
  virtual void UpdateFilename() = 0;
  virtual void GetFilePath() = 0;
  virtual void ShowChecksum() = 0;
  // The fields changed: a window that draws them on request draws them now.
  virtual void FieldsChanged() {}

  // Edition hooks, after a good load and a good save.
  virtual void ProgramLoaded() {}
  virtual void ProgramSaved() {}
  // Why the program cannot be saved in this format, or empty to go ahead.
  virtual QString SaveRefusal(FileFormat) { return {}; }
};

// The program file's dialogs and the captions of its commands' messages.
struct FileCommandTexts {
  FileDialogTexts program;
  QString openCaption = QStringLiteral("  Open File");
  QString reloadCaption = QStringLiteral("  Reload File");
  QString saveCaption = QStringLiteral("  Save File");
};

// The open, reload and save commands of the program file, and the file-name
// rule of the buffer dialogs. One open and one save dialog serve every file
// kind; each keeps the filter picked last for its next showing.
class FileCommandFlow {
public:
  FileCommandFlow(FileCommandTarget &target, common::Prompter &prompter, FileCommandTexts texts);

  // Where the open dialog starts while the target has no folder yet (a
  // first start): the example programs.
  void SetFirstFolder(const QString &folder) { firstFolder_ = folder; }

  void OpenFile();
  // Loads the current program file again. The format follows the name's
  // extension; when every filter reads the same format, any name is read in
  // it. A file that cannot be read is reported and changes nothing.
  void ReloadFile();
  void SaveFile();

  // The open dialog for a kind of file.
  ChosenFile ChooseOpenName(const FileDialogTexts &kind);
  // The save dialog, the filter's suffix for a name without an extension,
  // and the overwrite question (warning, No the default) with `caption`.
  // Declining leaves the name empty, so that the current file names stay
  // as they were.
  ChosenFile ChooseSaveName(const FileDialogTexts &kind, const QString &caption);

  // A buffer dialog closed. When it changed the buffer and the checksum is
  // no longer the one shown, the buffer no longer holds the files: their
  // names are dropped and the window shows the new checksum. The file's
  // folder is kept first, while the name is known.
  void BufferEdited(bool edited);

private:
  // The shared end of a failed load: blank cells, no program file.
  void LoadFailed(const QString &caption, const QString &result);
  // A failed load that changed nothing: `current` stays the program file
  // and the result, if any, is shown. False for any other failure.
  bool KeptAfterRefusal(const QString &caption, const QString &result, const QString &current);

  FileCommandTarget &target_;
  common::Prompter &prompter_;
  FileCommandTexts texts_;
  QString firstFolder_;
  int openFilter_ = 0;
  int saveFilter_ = 0;
};

// The fill dialog's OK: start, end and data read as hexadecimal, checked
// against the cells the dialog can reach, then those cells filled. False,
// with the reason shown under the caption "FILL BUFFER", when a field cannot
// be used; nothing changes then.
bool FillCells(std::span<std::uint8_t> reachable, const QString &start, const QString &end,
               const QString &data, common::Prompter &prompter);

// The question asked before the buffer's program area is cleared.
struct ClearQuestion {
  QString caption;
  QString text;
  bool defaultYes = false;
};

// Asks the question (question icon); on Yes the cells are blank and the
// program file name is dropped, as the buffer no longer holds that file.
// True when cleared.
bool ClearProgramCells(common::Prompter &prompter, const ClearQuestion &question,
                       std::span<std::uint8_t> cells, QString &programFileName);

// True when a buffer dialog's edit moved the checksum off the one shown: the
// buffer no longer matches the files it was loaded from.
inline bool EditLeftTheFiles(bool edited, std::int32_t checksum, std::int32_t shownChecksum) {
  return edited && checksum != shownChecksum;
}

} // namespace rindle
