#include "isp/core/FileCommands.h"

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "common/HexText.h"
#include "rindle/data/FileTexts.h"
#include "rindle/data/IspBuffer.h"

namespace rindle {

using Icon = common::Prompter::Icon;

namespace {

const QString kResultOk = QStringLiteral("OK");

// The filter at a picked index; the first one when the index is not in the
// list.
const FileFilter &PickedFilter(const std::vector<FileFilter> &filters, int index) {
  const bool inList = index >= 0 && index < static_cast<int>(filters.size());
  return filters.at(inList ? static_cast<std::size_t>(index) : 0);
}

QString JoinPatterns(const std::vector<FileFilter> &filters) {
  QStringList patterns;
  for (const FileFilter &filter : filters)
    patterns << filter.pattern;
  return patterns.join(QStringLiteral(";;"));
}

// Why a file cannot be read, as a message: the loaders' text, the file and
// the system's reason; empty when the whole file can be read.
QString Unreadable(const QString &name) {
  QString reason;
  QFile file(name);
  if (!QFileInfo(name).isFile()) {
    reason = QFileInfo::exists(name) ? QStringLiteral("Not a file")
                                     : QStringLiteral("No such file or directory");
  } else if (!file.open(QIODevice::ReadOnly)) {
    reason = file.errorString();
  } else {
    while (!file.atEnd() && !file.read(1 << 16).isEmpty()) {
    }
    if (file.error() != QFile::NoError)
      reason = file.errorString();
  }
  if (reason.isEmpty())
    return {};
  return files::kFileAccessError + u'\r' + name + u'\r' + reason;
}

std::optional<std::uint32_t> FillField(const QString &text) {
  return common::hex::Parse(QStringView(text).trimmed());
}

} // namespace

// ---- Dialog texts ----

QString FileDialogTexts::FilterList() const { return JoinPatterns(filters); }

std::vector<FileFilter> FileDialogTexts::OpenFilters() const {
  std::vector<FileFilter> all = filters;
  all.insert(all.end(), openOnly.begin(), openOnly.end());
  return all;
}

QString FileDialogTexts::OpenFilterList() const { return JoinPatterns(OpenFilters()); }

std::optional<FileFilter> FileDialogTexts::FilterForName(const QString &name) const {
  const QString suffix = QFileInfo(name).suffix();
  if (suffix.isEmpty())
    return std::nullopt;
  const std::vector<FileFilter> all = OpenFilters();
  const auto found = std::ranges::find_if(all, [&](const FileFilter &filter) {
    return filter.suffix.compare(u'.' + suffix, Qt::CaseInsensitive) == 0;
  });
  if (found == all.end())
    return std::nullopt;
  return *found;
}

// ---- Commands ----

FileCommandFlow::FileCommandFlow(FileCommandTarget &target, common::Prompter &prompter,
                                 FileCommandTexts texts)
    : target_(target), prompter_(prompter), texts_(std::move(texts)) {}

ChosenFile FileCommandFlow::ChooseOpenName(const FileDialogTexts &kind) {
  // Until a file has given the dialogs a folder, they open on the examples.
  const QString folder = target_.DialogFolder();
  const auto choice = prompter_.openFile(kind.openTitle, folder.isEmpty() ? firstFolder_ : folder,
                                         kind.OpenFilterList(), openFilter_);
  if (choice.name.isEmpty())
    return {};
  openFilter_ = choice.filter;
  return {choice.name, PickedFilter(kind.OpenFilters(), choice.filter).format};
}

ChosenFile FileCommandFlow::ChooseSaveName(const FileDialogTexts &kind, const QString &caption) {
  const auto choice =
      prompter_.saveFile(kind.saveTitle, target_.DialogFolder(), kind.FilterList(), saveFilter_);
  if (choice.name.isEmpty())
    return {};
  saveFilter_ = choice.filter;
  const FileFilter &filter = PickedFilter(kind.filters, choice.filter);
  ChosenFile chosen{choice.name, filter.format};
  if (QFileInfo(chosen.name).suffix().isEmpty())
    chosen.name += filter.suffix;
  if (QFileInfo::exists(chosen.name) &&
      !prompter_.question(caption, kind.overwriteQuestion, Icon::Warning, false))
    return {};
  return chosen;
}

void FileCommandFlow::LoadFailed(const QString &caption, const QString &result) {
  target_.BlankLoadedCells();
  target_.SetProgramFileName({});
  target_.UpdateFilename();
  target_.ShowChecksum();
  target_.FieldsChanged();
  prompter_.message(caption, result, Icon::Warning);
}

bool FileCommandFlow::KeptAfterRefusal(const QString &caption, const QString &result,
                                       const QString &current) {
  if (!target_.LoadChangedNothing())
    return false;
  target_.SetProgramFileName(current);
  target_.UpdateFilename();
  target_.FieldsChanged();
  if (!result.isEmpty())
    prompter_.message(caption, result, Icon::Warning);
  return true;
}

void FileCommandFlow::OpenFile() {
  const ChosenFile file = ChooseOpenName(texts_.program);
  if (file.name.isEmpty())
    return;
  const QString current = target_.ProgramFileName();
  target_.SetProgramFileName(file.name);
  target_.GetFilePath();
  const QString result = target_.LoadProgram(file.format);
  if (result != kResultOk) {
    if (!KeptAfterRefusal(texts_.openCaption, result, current))
      LoadFailed(texts_.openCaption, result);
    return;
  }
  target_.UpdateFilename();
  target_.ShowChecksum();
  target_.ProgramLoaded();
  target_.FieldsChanged();
}

void FileCommandFlow::ReloadFile() {
  const QString name = target_.ProgramFileName();
  if (name.isEmpty())
    return;
  const std::vector<FileFilter> filters = texts_.program.OpenFilters();
  const bool oneFormat = std::ranges::all_of(
      filters, [&](const FileFilter &filter) { return filter.format == filters.front().format; });
  const auto byName =
      oneFormat ? std::optional(filters.front()) : texts_.program.FilterForName(name);
  if (!byName) {
    // Open File chose the format by filter; the name alone cannot tell it.
    const QString suffix = QFileInfo(name).suffix();
    const QString type = suffix.isEmpty() ? QStringLiteral("no extension") : u'.' + suffix;
    prompter_.message(texts_.reloadCaption,
                      QStringLiteral("Cannot reload a file of type \"%1\"").arg(type),
                      Icon::Warning);
    return;
  }
  // A file that cannot be read changes nothing: the buffer keeps what it
  // holds and the name stays, so the file can be reloaded once it is back.
  if (const QString why = Unreadable(name); !why.isEmpty()) {
    prompter_.message(texts_.reloadCaption, why, Icon::Warning);
    return;
  }
  target_.GetFilePath();
  const QString result = target_.LoadProgram(byName->format);
  if (result != kResultOk) {
    if (!KeptAfterRefusal(texts_.reloadCaption, result, name))
      LoadFailed(texts_.reloadCaption, result);
    return;
  }
  target_.ShowChecksum();
  target_.FieldsChanged();
  prompter_.message(texts_.reloadCaption,
                    QFileInfo(name).fileName().toUpper() + QStringLiteral("  reload OK"),
                    Icon::None);
}

void FileCommandFlow::SaveFile() {
  const ChosenFile file = ChooseSaveName(texts_.program, texts_.saveCaption);
  if (file.name.isEmpty())
    return;
  if (const QString refusal = target_.SaveRefusal(file.format); !refusal.isEmpty()) {
    // Nothing was written, so the chosen name names no file: the current
    // program file stays as it was, as after a declined overwrite.
    prompter_.message(texts_.saveCaption, refusal, Icon::Information);
    return;
  }
  target_.SetProgramFileName(file.name);
  target_.GetFilePath();
  const QString result = target_.SaveProgram(file.format);
  if (result == kResultOk) {
    target_.UpdateFilename();
    target_.ProgramSaved();
    target_.FieldsChanged();
    return;
  }
  target_.SetProgramFileName({});
  target_.UpdateFilename();
  target_.FieldsChanged();
  prompter_.message(texts_.saveCaption, result, Icon::Error);
}

void FileCommandFlow::BufferEdited(bool edited) {
  target_.GetFilePath();
  if (EditLeftTheFiles(edited, target_.BufferChecksum(), target_.DisplayedChecksum())) {
    target_.DropFileNames();
    target_.ShowChecksum();
    target_.UpdateFilename();
  }
  target_.FieldsChanged();
}

// ---- Clear and fill ----

bool ClearProgramCells(common::Prompter &prompter, const ClearQuestion &question,
                       std::span<std::uint8_t> cells, QString &programFileName) {
  if (!prompter.question(question.caption, question.text, Icon::Question, question.defaultYes))
    return false;
  FillBlank(cells, 0, static_cast<std::int64_t>(cells.size()));
  programFileName.clear();
  return true;
}

bool FillCells(std::span<std::uint8_t> reachable, const QString &start, const QString &end,
               const QString &data, common::Prompter &prompter) {
  const QString caption = QStringLiteral("FILL BUFFER");
  const auto first = FillField(start);
  const auto last = FillField(end);
  const auto value = FillField(data);
  if (!first || !last || !value || *value > 0xFF) {
    prompter.message(caption, QStringLiteral("Invalid Hex Data Input"), Icon::Error);
    return false;
  }
  if (*last < *first) {
    prompter.message(caption, QStringLiteral("Error End Address less than Start Address"),
                     Icon::Warning);
    return false;
  }
  if (*first >= reachable.size() || *last >= reachable.size()) {
    prompter.message(caption, QStringLiteral("Error Address Out of Range"), Icon::Warning);
    return false;
  }
  std::ranges::fill(reachable.subspan(*first, *last - *first + 1),
                    static_cast<std::uint8_t>(*value));
  return true;
}

} // namespace rindle
