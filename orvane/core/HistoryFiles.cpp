#include "orvane/core/HistoryFiles.h"

#include "orvane/core/IniFile.h"

#include <QFileInfo>
#include "orvane/core/LoaderCore.h"

#include <array>
#include <limits>

namespace orvane {

namespace {

// Blank: nothing left after removing blanks and control characters at both ends.
bool isBlank(const QString &s) {
  for (QChar c : s)
    if (c.unicode() > 0x20)
      return false;
  return true;
}

QString folderPart(const QString &entry) {
  return entry.left(entry.lastIndexOf(QLatin1Char('/')) + 1);
}

QString namePart(const QString &entry) {
  return entry.mid(entry.lastIndexOf(QLatin1Char('/')) + 1);
}

// A list's keys are the numbers 1 to MaxItems + 1; their texts are made once.
QString keyName(int i) {
  static const auto names = [] {
    std::array<QString, std::numeric_limits<decltype(THistoryFiles::MaxItems)>::max() + 2> n;
    for (std::size_t k = 0; k < n.size(); ++k)
      n[k] = QString::number(k);
    return n;
  }();
  return i >= 0 && std::size_t(i) < names.size() ? names[std::size_t(i)] : QString::number(i);
}

} // namespace

THistoryFiles::THistoryFiles(common::Prompter &prompter, QString caption)
    : prompter_(prompter),
      caption_(caption.isEmpty() ? LoaderCore::ApplicationTitle() : std::move(caption)) {}

void THistoryFiles::showError(const QString &text) {
  prompter_.message(caption_, text, common::Prompter::Icon::Error);
}

void THistoryFiles::changed() {
  if (OnChanged)
    OnChanged();
}

void THistoryFiles::AddToHistory(const QString &entry) {
  orvane::IniFile ini(IniFile);
  AddToList(ini, entry);
  QString error;
  if (!ini.save(&error))
    showError(QStringLiteral("Cannot write \"%1\". %2").arg(IniFile, error));
  RebuildMenu();
}

void THistoryFiles::AddToList(orvane::IniFile &ini, const QString &entry) const {
  const QString item =
      !EntriesArePaths || entry.contains(QLatin1Char('/')) ? entry : LocalPath + entry;
  QStringList list{item};
  for (int i = 1; i <= MaxItems; ++i) {
    const QString old = ini.readString(IniKey, keyName(i));
    if (old.compare(item, Qt::CaseInsensitive) == 0)
      continue;
    // The new entry came first, so the list may end one longer than MaxItems.
    if (list.size() <= MaxItems && !isBlank(old))
      list << old;
  }
  if (Sorted)
    list.sort(Qt::CaseInsensitive);
  while (list.size() < MaxItems)
    list << QString();
  for (int i = 0; i < list.size(); ++i)
    ini.writeString(IniKey, keyName(i + 1), list[i]);
}

void THistoryFiles::ClearMenuItems() {
  if (items_.empty())
    return;
  items_.clear();
  changed();
}

void THistoryFiles::Click(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size()))
    return;
  // A copy: the handler may rebuild the list under the item.
  const QString entry = items_[static_cast<std::size_t>(index)].entry;
  if (OnClickHistoryItem && !entry.isEmpty())
    OnClickHistoryItem(this, entry);
}

QStringList THistoryFiles::shownEntries() const {
  QStringList out;
  for (const HistoryItem &item : items_)
    out << item.entry;
  return out;
}

bool THistoryFiles::separatorBefore() const {
  return !items_.empty() &&
         (Separator == TSeparatorStyle::sepTop || Separator == TSeparatorStyle::sepBoth);
}

bool THistoryFiles::separatorAfter() const {
  return !items_.empty() &&
         (Separator == TSeparatorStyle::sepBottom || Separator == TSeparatorStyle::sepBoth);
}

QString THistoryFiles::captionFor(int key, const QString &entry) const {
  QString text = entry;
  if (EntriesArePaths &&
      !(ShowFullPath && folderPart(entry).compare(LocalPath, Qt::CaseInsensitive) != 0))
    text = namePart(entry);
  if (ShowNumber)
    text = QStringLiteral("&%1 %2").arg(key).arg(text);
  return text;
}

void THistoryFiles::RebuildMenu() {
  items_.clear();
  orvane::IniFile ini(IniFile);
  bool dropped = false;
  for (int i = 1; i <= MaxItems; ++i) {
    QString entry = ini.readString(IniKey, keyName(i));
    while (FileMustExist && !entry.isEmpty() && !QFileInfo::exists(entry)) {
      for (int k = i; k <= MaxItems; ++k)
        ini.writeString(IniKey, keyName(k), ini.readString(IniKey, keyName(k + 1)));
      ini.writeString(IniKey, keyName(MaxItems + 1), QString());
      dropped = true;
      entry = ini.readString(IniKey, keyName(i));
    }
    if (entry.isEmpty())
      continue;
    items_.push_back({i, entry, captionFor(i, entry)});
  }
  QString error;
  if (dropped && !ini.save(&error))
    showError(QStringLiteral("Cannot write \"%1\". %2").arg(IniFile, error));
  changed();
}

} // namespace orvane
