#include "orvane/core/HistoryFiles.h"

#include "orvane/core/IniFile.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

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

QString keyName(int i) { return QString::number(i); }

} // namespace

THistoryFiles::THistoryFiles(common::Prompter &prompter, QObject *parent)
    : QObject(parent), prompter_(prompter) {}

THistoryFiles::~THistoryFiles() { ClearMenuItems(); }

void THistoryFiles::showError(const QString &text) {
  prompter_.message(QGuiApplication::applicationDisplayName(), text,
                    common::Prompter::Icon::Error);
}

void THistoryFiles::setParentMenu(QMenu *menu) {
  ClearMenuItems();
  parent_ = menu;
}

void THistoryFiles::setPosition(int position) {
  if (parent_ && position > parent_->actions().size()) {
    showError(QStringLiteral("Position out of range"));
    return;
  }
  position_ = position;
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
  const QString item = entry.contains(QLatin1Char('/')) ? entry : LocalPath + entry;
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
  for (QAction *a : std::as_const(inserted_)) {
    if (parent_)
      parent_->removeAction(a);
    // Later: the item may be the one whose click led here.
    a->deleteLater();
  }
  inserted_.clear();
  shown_.clear();
}

void THistoryFiles::insertItem(QAction *item) {
  const QList<QAction *> actions = parent_->actions();
  const int at = position_ + static_cast<int>(inserted_.size());
  if (at < actions.size())
    parent_->insertAction(actions[at], item);
  else
    parent_->addAction(item);
  inserted_ << item;
}

QString THistoryFiles::captionFor(int key, const QString &entry) const {
  QString text = namePart(entry);
  if (ShowFullPath && folderPart(entry).compare(LocalPath, Qt::CaseInsensitive) != 0)
    text = entry;
  if (ShowNumber)
    text = QStringLiteral("&%1 %2").arg(key).arg(text);
  return text;
}

void THistoryFiles::RebuildMenu() {
  if (!parent_) {
    showError(QStringLiteral("ParentMenu not assigned"));
    return;
  }
  ClearMenuItems();
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
    if (shown_.isEmpty() &&
        (Separator == TSeparatorStyle::sepTop || Separator == TSeparatorStyle::sepBoth)) {
      auto *sep = new QAction(this);
      sep->setSeparator(true);
      insertItem(sep);
    }
    auto *item = new QAction(captionFor(i, entry), this);
    item->setData(i);
    connect(item, &QAction::triggered, this, [this, entry] {
      if (OnClickHistoryItem && !entry.isEmpty())
        OnClickHistoryItem(this, entry);
    });
    insertItem(item);
    if (OnCreateItem)
      OnCreateItem(this, item, entry);
    shown_ << entry;
  }
  if (!shown_.isEmpty() &&
      (Separator == TSeparatorStyle::sepBottom || Separator == TSeparatorStyle::sepBoth)) {
    auto *sep = new QAction(this);
    sep->setSeparator(true);
    insertItem(sep);
  }
  QString error;
  if (dropped && !ini.save(&error))
    showError(QStringLiteral("Cannot write \"%1\". %2").arg(IniFile, error));
}

} // namespace orvane
