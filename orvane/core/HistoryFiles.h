#pragma once

#include "common/Prompter.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QAction;


namespace orvane {

class IniFile;

enum class TSeparatorStyle { sepNone, sepTop, sepBottom, sepBoth };

// A most-recently-used list kept in an INI file (keys "1", "2", ... of section
// IniKey, "1" the most recent) and mirrored as numbered items inside a menu.
class THistoryFiles : public QObject {
  Q_OBJECT
public:
  explicit THistoryFiles(common::Prompter &prompter, QObject *parent = nullptr);
  ~THistoryFiles() override;

  std::uint8_t MaxItems = 5;
  QString IniKey = QStringLiteral("History Files");
  QString LocalPath;
  // Read afresh by every AddToHistory and RebuildMenu.
  QString IniFile = QStringLiteral("History.ini");
  TSeparatorStyle Separator = TSeparatorStyle::sepNone;
  bool ShowFullPath = true;
  bool FileMustExist = false;
  bool Sorted = false;
  bool ShowNumber = true;

  std::function<void(THistoryFiles *sender, const QString &entry)> OnClickHistoryItem;
  std::function<void(THistoryFiles *sender, QAction *item, const QString &entry)> OnCreateItem;

  QMenu *ParentMenu() const { return parent_; }
  // Removes the items inserted into the old menu first.
  void setParentMenu(QMenu *menu);

  int Position() const { return position_; }
  // More than the items of ParentMenu: "Position out of range", value kept.
  void setPosition(int position);

  void AddToHistory(const QString &entry);
  // The list in a document in memory with entry put first: what
  // AddToHistory saves before it rebuilds the menu.
  void AddToList(orvane::IniFile &ini, const QString &entry) const;
  void RebuildMenu();
  void ClearMenuItems();

  // The entries shown in the menu now, in menu order.
  const QStringList &shownEntries() const { return shown_; }
  // The items this list put into ParentMenu, separators included.
  const QList<QAction *> &insertedItems() const { return inserted_; }

private:
  void showError(const QString &text);
  QString captionFor(int key, const QString &entry) const;
  void insertItem(QAction *item);

  common::Prompter &prompter_;
  QPointer<QMenu> parent_;
  int position_ = 0;
  QStringList shown_;
  QList<QAction *> inserted_;
};

} // namespace orvane
