#pragma once

#include "common/Prompter.h"
#include "orvane/core/HistoryFiles.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <functional>

class QAction;

namespace orvane {

// Mirrors a recent list as numbered items inside a menu, from Position on,
// with the list's separators; a click on an item goes back to the list.
class HistoryMenu : public QObject {
  Q_OBJECT
public:
  HistoryMenu(THistoryFiles &list, common::Prompter &prompter, QObject *parent = nullptr);
  ~HistoryMenu() override;

  QMenu *ParentMenu() const { return menu_; }
  // Takes the items out of the old menu and puts them into the new one.
  void setParentMenu(QMenu *menu);
  int Position() const { return position_; }
  // More than the items of the menu: "Position out of range", value kept.
  void setPosition(int position);

  // Called after each entry's item is made.
  std::function<void(QAction *item, const QString &entry)> OnCreateItem;

  // The items this adapter put into the menu, separators included.
  const QList<QAction *> &insertedItems() const { return inserted_; }

  // Brings the menu in line with the list.
  void rebuild();

private:
  void removeItems();
  void insertItem(QAction *item);
  QAction *separator();

  THistoryFiles &list_;
  common::Prompter &prompter_;
  QPointer<QMenu> menu_;
  int position_ = 0;
  QList<QAction *> inserted_;
};

} // namespace orvane
