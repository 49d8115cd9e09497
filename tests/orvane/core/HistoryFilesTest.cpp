#include "orvane/core/HistoryFiles.h"

#include "orvane/core/IniFile.h"

#include "TestFiles.h"
#include "common/ScriptedPrompter.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::Scratch;
using test::writeAll;

class HistoryFilesTest : public testing::Test {
protected:
  HistoryFilesTest() : history(prompter) {
    history.IniFile = s.path("list.mru");
    history.IniKey = QStringLiteral("History Files");
    history.MaxItems = 10;
    // As the recent-devices menu: a hidden item, then "Select", then "Clear".
    menu.addAction(QStringLiteral("hidden"))->setVisible(false);
    menu.addAction(QStringLiteral("&Select Device..."));
    menu.addAction(QStringLiteral("&Clear List"));
  }

  void writeKeys(const QStringList &entries) {
    IniFile ini(history.IniFile);
    for (int i = 0; i < entries.size(); ++i)
      ini.writeString(history.IniKey, QString::number(i + 1), entries[i]);
    ASSERT_TRUE(ini.save());
  }

  QStringList keys(int count) const {
    const IniFile ini(history.IniFile);
    QStringList out;
    for (int i = 1; i <= count; ++i)
      out << ini.readString(history.IniKey, QString::number(i), QStringLiteral("<absent>"));
    return out;
  }

  QStringList captions() const {
    QStringList out;
    for (QAction *a : menu.actions())
      out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
  }

  // Real files, so that FileMustExist keeps them.
  QStringList makeFiles(int count) {
    QStringList out;
    for (int i = 1; i <= count; ++i) {
      out << s.path(QStringLiteral("f%1.hex").arg(i));
      writeAll(out.back(), ":00000001FF\n");
    }
    return out;
  }

  Scratch s;
  common::ScriptedPrompter prompter;
  QMenu menu;
  THistoryFiles history;
};

TEST_F(HistoryFilesTest, InsertsNumberedItemsAtPosition) {
  history.setParentMenu(&menu);
  history.setPosition(2);
  history.ShowFullPath = false;
  history.AddToHistory(QStringLiteral("AT89C51"));
  history.AddToHistory(QStringLiteral("AT89S52"));
  EXPECT_EQ(captions(), (QStringList{QStringLiteral("hidden"), QStringLiteral("&Select Device..."),
                                     QStringLiteral("&1 AT89S52"), QStringLiteral("&2 AT89C51"),
                                     QStringLiteral("&Clear List")}));
  EXPECT_EQ(history.shownEntries(), (QStringList{QStringLiteral("AT89S52"), QStringLiteral("AT89C51")}));
  // Empty keys fill the list up to MaxItems.
  EXPECT_EQ(keys(11), (QStringList{QStringLiteral("AT89S52"), QStringLiteral("AT89C51"), "", "", "",
                                   "", "", "", "", "", QStringLiteral("<absent>")}));
}

TEST_F(HistoryFilesTest, Captions) {
  struct Case {
    bool fullPath, number;
    const char *localPath, *entry, *caption;
  } cases[] = {
      {true, true, "", "/srv/hex/blink.hex", "&1 /srv/hex/blink.hex"},
      {false, true, "", "/srv/hex/blink.hex", "&1 blink.hex"},
      {true, true, "/SRV/hex/", "/srv/hex/blink.hex", "&1 blink.hex"},
      {true, true, "/srv/", "/srv/hex/blink.hex", "&1 /srv/hex/blink.hex"},
      {true, false, "", "/srv/hex/blink.hex", "/srv/hex/blink.hex"},
      {false, true, "", "AT89S52", "&1 AT89S52"},
  };
  history.setParentMenu(&menu);
  for (const Case &c : cases) {
    history.ShowFullPath = c.fullPath;
    history.ShowNumber = c.number;
    history.LocalPath = QString::fromLatin1(c.localPath);
    writeKeys({QString::fromLatin1(c.entry)});
    history.RebuildMenu();
    ASSERT_EQ(history.insertedItems().size(), 1);
    EXPECT_EQ(history.insertedItems()[0]->text(), QString::fromLatin1(c.caption)) << c.entry;
  }
}

TEST_F(HistoryFilesTest, EntryWithoutFolderGetsLocalPath) {
  history.setParentMenu(&menu);
  history.LocalPath = QStringLiteral("/srv/hex/");
  history.AddToHistory(QStringLiteral("blink.hex"));
  EXPECT_EQ(keys(1), QStringList{QStringLiteral("/srv/hex/blink.hex")});
  EXPECT_EQ(history.insertedItems()[0]->text(), QStringLiteral("&1 blink.hex"));
}

TEST_F(HistoryFilesTest, SameEntryInOtherCaseMovesToTheTop) {
  history.setParentMenu(&menu);
  writeKeys({"/d/f1.hex", "/d/f2.hex", "/d/f3.hex", "/d/f4.hex", "/d/f5.hex"});
  history.AddToHistory(QStringLiteral("/D/F4.HEX"));
  EXPECT_EQ(keys(6), (QStringList{"/D/F4.HEX", "/d/f1.hex", "/d/f2.hex", "/d/f3.hex", "/d/f5.hex", ""}));
}

TEST_F(HistoryFilesTest, ElevenKeysWrittenTenShown) {
  history.setParentMenu(&menu);
  QStringList old;
  for (int i = 1; i <= 10; ++i)
    old << QStringLiteral("/d/old%1.hex").arg(i);
  writeKeys(old);
  history.AddToHistory(QStringLiteral("/d/new.hex"));
  EXPECT_EQ(keys(12), QStringList{"/d/new.hex"} + old + QStringList{"<absent>"});
  EXPECT_EQ(history.shownEntries(), QStringList{"/d/new.hex"} + old.mid(0, 9));
  EXPECT_EQ(history.insertedItems().size(), 10);

  // The next addition reads only keys 1 to 10: old10 drops out.
  history.AddToHistory(QStringLiteral("/d/newer.hex"));
  EXPECT_EQ(keys(11), (QStringList{"/d/newer.hex", "/d/new.hex"} + old.mid(0, 9)));
}

TEST_F(HistoryFilesTest, BlankEntriesAreDropped) {
  history.setParentMenu(&menu);
  writeKeys({"/d/a.hex", "", " \t", "/d/b.hex"});
  history.AddToHistory(QStringLiteral("/d/c.hex"));
  EXPECT_EQ(keys(4), (QStringList{"/d/c.hex", "/d/a.hex", "/d/b.hex", ""}));
}

TEST_F(HistoryFilesTest, DeletedFileLeavesAndKeyElevenShows) {
  history.setParentMenu(&menu);
  history.FileMustExist = true;
  const QStringList files = makeFiles(11);
  writeKeys(files);
  history.RebuildMenu();
  EXPECT_EQ(history.shownEntries(), files.mid(0, 10));

  ASSERT_TRUE(QFile::remove(files[4]));
  history.RebuildMenu();
  QStringList expected = files;
  expected.removeAt(4);
  EXPECT_EQ(history.shownEntries(), expected);
  ASSERT_EQ(history.insertedItems().size(), 10);
  EXPECT_EQ(history.insertedItems()[9]->text(), QStringLiteral("&10 ") + files[10]);
  // The list file itself has moved up; the freed key is empty.
  EXPECT_EQ(keys(11), expected + QStringList{""});

  // Two gone next to each other both leave.
  ASSERT_TRUE(QFile::remove(files[5]));
  ASSERT_TRUE(QFile::remove(files[6]));
  history.RebuildMenu();
  expected.removeAt(4);
  expected.removeAt(4);
  EXPECT_EQ(history.shownEntries(), expected);
}

TEST_F(HistoryFilesTest, SortedAndSeparators) {
  history.setParentMenu(&menu);
  history.setPosition(2);
  history.Sorted = true;
  history.ShowFullPath = false;
  history.Separator = TSeparatorStyle::sepBoth;
  history.AddToHistory(QStringLiteral("b"));
  history.AddToHistory(QStringLiteral("C"));
  history.AddToHistory(QStringLiteral("a"));
  EXPECT_EQ(captions(), (QStringList{"hidden", "&Select Device...", "-", "&1 a", "&2 b", "&3 C", "-",
                                     "&Clear List"}));

  // No entries, no separators.
  ASSERT_TRUE(QFile::remove(history.IniFile));
  history.RebuildMenu();
  EXPECT_EQ(captions(), (QStringList{"hidden", "&Select Device...", "&Clear List"}));
}

TEST_F(HistoryFilesTest, ClickAndCreateEvents) {
  QStringList created;
  QStringList clicked;
  history.OnCreateItem = [&](THistoryFiles *sender, QAction *item, const QString &entry) {
    EXPECT_EQ(sender, &history);
    created << item->text() + QStringLiteral("|") + entry;
  };
  history.OnClickHistoryItem = [&](THistoryFiles *sender, const QString &entry) {
    EXPECT_EQ(sender, &history);
    clicked << entry;
    // A click that rebuilds the menu under its own item must be safe.
    history.AddToHistory(entry);
  };
  history.setParentMenu(&menu);
  writeKeys({"/d/x.hex", "/d/y.hex"});
  history.RebuildMenu();
  EXPECT_EQ(created, (QStringList{"&1 /d/x.hex|/d/x.hex", "&2 /d/y.hex|/d/y.hex"}));
  history.insertedItems()[1]->trigger();
  EXPECT_EQ(clicked, QStringList{"/d/y.hex"});
  EXPECT_EQ(keys(2), (QStringList{"/d/y.hex", "/d/x.hex"}));
  QCoreApplication::processEvents();
}

TEST_F(HistoryFilesTest, ErrorsOfMenuAndPosition) {
  history.RebuildMenu();
  history.setParentMenu(&menu);
  history.setPosition(2);
  history.setPosition(4); // the menu holds 3 items
  EXPECT_EQ(history.Position(), 2);
  history.setPosition(3);
  EXPECT_EQ(history.Position(), 3);
  EXPECT_EQ(prompter.messages(),
            (QStringList{"ParentMenu not assigned", "Position out of range"}));
}

TEST_F(HistoryFilesTest, NewParentMenuTakesTheItemsAway) {
  history.setParentMenu(&menu);
  history.AddToHistory(QStringLiteral("/d/a.hex"));
  ASSERT_EQ(menu.actions().size(), 4);
  QMenu other;
  history.setParentMenu(&other);
  EXPECT_EQ(menu.actions().size(), 3);
  history.RebuildMenu();
  ASSERT_EQ(other.actions().size(), 1);
  EXPECT_EQ(other.actions()[0]->text(), QStringLiteral("&1 /d/a.hex"));
}

TEST_F(HistoryFilesTest, MissingListFileIsAnEmptyList) {
  history.setParentMenu(&menu);
  history.RebuildMenu();
  EXPECT_TRUE(history.shownEntries().isEmpty());
  EXPECT_EQ(menu.actions().size(), 3);
  EXPECT_TRUE(prompter.shown.empty());
}

} // namespace
} // namespace orvane
