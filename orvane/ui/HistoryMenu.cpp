#include "orvane/ui/HistoryMenu.h"

#include <QAction>
#include "orvane/core/LoaderCore.h"
#include <QMenu>

#include <algorithm>

namespace orvane {

HistoryMenu::HistoryMenu(THistoryFiles &list, common::Prompter &prompter, QObject *parent)
    : QObject(parent), list_(list), prompter_(prompter) {
  list_.OnChanged = [this] { rebuild(); };
}

HistoryMenu::~HistoryMenu() {
  list_.OnChanged = nullptr;
  removeItems();
}

void HistoryMenu::setParentMenu(QMenu *menu) {
  removeItems();
  menu_ = menu;
  rebuild();
}

void HistoryMenu::setPosition(int position) {
  if (menu_ && position > menu_->actions().size() - inserted_.size()) {
    prompter_.message(LoaderCore::ApplicationTitle(),
                      QStringLiteral("Position out of range"), common::Prompter::Icon::Error);
    return;
  }
  position_ = position;
  rebuild();
}

void HistoryMenu::removeItems() {
  for (QAction *a : std::as_const(inserted_)) {
    if (menu_)
      menu_->removeAction(a);
    // Later: the item may be the one whose click led here.
    a->deleteLater();
  }
  inserted_.clear();
}

void HistoryMenu::insertItem(QAction *item) {
  const QList<QAction *> actions = menu_->actions();
  const int at = position_ + static_cast<int>(inserted_.size());
  if (at < actions.size())
    menu_->insertAction(actions[at], item);
  else
    menu_->addAction(item);
  inserted_ << item;
}

QAction *HistoryMenu::separator() {
  auto *sep = new QAction(this);
  sep->setSeparator(true);
  return sep;
}

void HistoryMenu::rebuild() {
  removeItems();
  if (!menu_)
    return;
  if (list_.separatorBefore())
    insertItem(separator());
  const std::vector<HistoryItem> &items = list_.items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto *item = new QAction(items[i].caption, this);
    item->setData(items[i].key);
    const int index = static_cast<int>(i);
    connect(item, &QAction::triggered, this, [this, index] { list_.Click(index); });
    insertItem(item);
    if (OnCreateItem)
      OnCreateItem(item, items[i].entry);
  }
  if (list_.separatorAfter())
    insertItem(separator());
  // A submenu with nothing in it cannot be opened: an empty one that was
  // opened once is never shown again on X11, even after it has filled.
  const QList<QAction *> all = menu_->actions();
  menu_->menuAction()->setEnabled(std::any_of(all.begin(), all.end(), [](const QAction *a) {
    return a->isVisible() && !a->isSeparator();
  }));
}

} // namespace orvane
