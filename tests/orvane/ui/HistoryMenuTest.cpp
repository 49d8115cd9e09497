// The menu side of the recent lists: where the items go, their separators,
// clicks, and moving to another menu.
#include "orvane/ui/HistoryMenu.h"
#include "common/testing/ScriptedPrompter.h"
#include "orvane/core/IniFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvane {
namespace {

class HistoryMenuTest : public testing::Test {
protected:
  HistoryMenuTest() : list(prompter), adapter(list, prompter) {
    list.IniFile = dir.filePath("list.dev");
    list.IniKey = QStringLiteral("Device History");
    list.MaxItems = 10;
    list.ShowFullPath = false;
    list.EntriesArePaths = false;
    // As the recent-devices menu: a hidden item, then "Select", then "Clear".
    menu.addAction(QStringLiteral("hidden"))->setVisible(false);
    menu.addAction(QStringLiteral("&Select Device..."));
    menu.addAction(QStringLiteral("&Clear List"));
  }

  QStringList captions(const QMenu &m) const {
    QStringList out;
    for (QAction *a : m.actions())
      out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
  }

  QTemporaryDir dir;
  common::ScriptedPrompter prompter;
  THistoryFiles list;
  HistoryMenu adapter;
  QMenu menu;
};

TEST_F(HistoryMenuTest, ItemsGoAtPositionAndFollowTheList) {
  adapter.setParentMenu(&menu);
  adapter.setPosition(2);
  list.AddToHistory(QStringLiteral("AT89C51"));
  list.AddToHistory(QStringLiteral("AT89C51/LV"));
  EXPECT_EQ(captions(menu), (QStringList{"hidden", "&Select Device...", "&1 AT89C51/LV",
                                         "&2 AT89C51", "&Clear List"}));
  list.AddToHistory(QStringLiteral("at89c51"));
  EXPECT_EQ(captions(menu), (QStringList{"hidden", "&Select Device...", "&1 at89c51",
                                         "&2 AT89C51/LV", "&Clear List"}));
  list.ClearMenuItems();
  EXPECT_EQ(captions(menu), (QStringList{"hidden", "&Select Device...", "&Clear List"}));
}

TEST_F(HistoryMenuTest, SeparatorsOnlyAroundEntries) {
  adapter.setParentMenu(&menu);
  adapter.setPosition(2);
  list.Separator = TSeparatorStyle::sepBoth;
  list.RebuildMenu();
  EXPECT_EQ(captions(menu), (QStringList{"hidden", "&Select Device...", "&Clear List"}));
  list.AddToHistory(QStringLiteral("b"));
  EXPECT_EQ(captions(menu),
            (QStringList{"hidden", "&Select Device...", "-", "&1 b", "-", "&Clear List"}));
}

TEST_F(HistoryMenuTest, ClickReachesTheListAndMayRebuildUnderItself) {
  QStringList clicked;
  QStringList created;
  adapter.OnCreateItem = [&](QAction *item, const QString &entry) {
    created << item->text() + QStringLiteral("|") + entry;
  };
  list.OnClickHistoryItem = [&](THistoryFiles *, const QString &entry) {
    clicked << entry;
    list.AddToHistory(entry);
  };
  adapter.setParentMenu(&menu);
  list.AddToHistory(QStringLiteral("x"));
  list.AddToHistory(QStringLiteral("y"));
  EXPECT_EQ(created.back(), QStringLiteral("&2 x|x"));
  adapter.insertedItems()[1]->trigger();
  EXPECT_EQ(clicked, QStringList{"x"});
  EXPECT_EQ(list.shownEntries(), (QStringList{"x", "y"}));
  // The items replaced under the click go away with the event loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(adapter.insertedItems().size(), 2);
}

TEST_F(HistoryMenuTest, PositionOutOfRangeKeepsTheOldValue) {
  adapter.setParentMenu(&menu);
  adapter.setPosition(2);
  adapter.setPosition(4); // the menu holds 3 items
  EXPECT_EQ(adapter.Position(), 2);
  adapter.setPosition(3);
  EXPECT_EQ(adapter.Position(), 3);
  EXPECT_EQ(prompter.messages(), QStringList{"Position out of range"});
}

TEST_F(HistoryMenuTest, NewParentMenuTakesTheItemsAlong) {
  adapter.setParentMenu(&menu);
  list.AddToHistory(QStringLiteral("a"));
  ASSERT_EQ(menu.actions().size(), 4);
  QMenu other;
  adapter.setPosition(0);
  adapter.setParentMenu(&other);
  EXPECT_EQ(menu.actions().size(), 3);
  EXPECT_EQ(captions(other), QStringList{"&1 a"});
}

} // namespace
} // namespace orvane
