#include "orvane/core/HistoryFiles.h"

#include "orvane/core/IniFile.h"

#include "TestFiles.h"
#include "common/testing/ScriptedPrompter.h"

#include <QFile>
#include <gtest/gtest.h>
#include <ostream>

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
    history.OnChanged = [this] { ++changes; };
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
    for (const HistoryItem &item : history.items())
      out << item.caption;
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
  THistoryFiles history;
  int changes = 0;
};

TEST_F(HistoryFilesTest, NewestFirstAndEmptyKeysUpToMaxItems) {
  history.ShowFullPath = false;
  history.AddToHistory(QStringLiteral("AT89C51"));
  history.AddToHistory(QStringLiteral("AT89S52"));
  EXPECT_EQ(captions(), (QStringList{QStringLiteral("&1 AT89S52"), QStringLiteral("&2 AT89C51")}));
  EXPECT_EQ(history.shownEntries(),
            (QStringList{QStringLiteral("AT89S52"), QStringLiteral("AT89C51")}));
  EXPECT_EQ(history.items()[1].key, 2);
  EXPECT_EQ(changes, 2);
  // Empty keys fill the list up to MaxItems.
  EXPECT_EQ(keys(11), (QStringList{QStringLiteral("AT89S52"), QStringLiteral("AT89C51"), "", "", "",
                                   "", "", "", "", "", QStringLiteral("<absent>")}));
}

struct CaptionCase {
  const char *name;
  bool fullPath, number, paths;
  const char *localPath, *entry, *caption;
};

void PrintTo(const CaptionCase &c, std::ostream *os) { *os << c.name; }

class HistoryCaptionTest : public HistoryFilesTest,
                           public testing::WithParamInterface<CaptionCase> {};

TEST_P(HistoryCaptionTest, Caption) {
  const CaptionCase &c = GetParam();
  history.ShowFullPath = c.fullPath;
  history.ShowNumber = c.number;
  history.EntriesArePaths = c.paths;
  history.LocalPath = QString::fromLatin1(c.localPath);
  writeKeys({QString::fromLatin1(c.entry)});
  history.RebuildMenu();
  ASSERT_EQ(history.items().size(), 1u);
  EXPECT_EQ(history.items()[0].caption, QString::fromLatin1(c.caption));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, HistoryCaptionTest,
    testing::Values(
        CaptionCase{"FullPath", true, true, true, "", "/srv/hex/blink.hex",
                    "&1 /srv/hex/blink.hex"},
        CaptionCase{"NameOnly", false, true, true, "", "/srv/hex/blink.hex", "&1 blink.hex"},
        CaptionCase{"InLocalPathAnyCase", true, true, true, "/SRV/hex/", "/srv/hex/blink.hex",
                    "&1 blink.hex"},
        CaptionCase{"BelowLocalPath", true, true, true, "/srv/", "/srv/hex/blink.hex",
                    "&1 /srv/hex/blink.hex"},
        CaptionCase{"WithoutNumber", true, false, true, "", "/srv/hex/blink.hex",
                    "/srv/hex/blink.hex"},
        CaptionCase{"DeviceName", false, true, false, "", "AT89S52", "&1 AT89S52"},
        CaptionCase{"DeviceNameWithSlash", false, true, false, "", "AT89C51/LV", "&1 AT89C51/LV"}),
    [](const testing::TestParamInfo<CaptionCase> &p) { return std::string(p.param.name); });

TEST_F(HistoryFilesTest, NameWithSlashIsKeptWhole) {
  history.EntriesArePaths = false;
  history.ShowFullPath = false;
  history.LocalPath = QStringLiteral("/srv/");
  history.AddToHistory(QStringLiteral("AT89C51/LV"));
  EXPECT_EQ(keys(1), QStringList{QStringLiteral("AT89C51/LV")});
  EXPECT_EQ(captions(), QStringList{QStringLiteral("&1 AT89C51/LV")});
}

TEST_F(HistoryFilesTest, EntryWithoutFolderGetsLocalPath) {
  history.LocalPath = QStringLiteral("/srv/hex/");
  history.AddToHistory(QStringLiteral("blink.hex"));
  EXPECT_EQ(keys(1), QStringList{QStringLiteral("/srv/hex/blink.hex")});
  EXPECT_EQ(captions(), QStringList{QStringLiteral("&1 blink.hex")});
}

TEST_F(HistoryFilesTest, SameEntryInOtherCaseMovesToTheTop) {
  writeKeys({"/d/f1.hex", "/d/f2.hex", "/d/f3.hex", "/d/f4.hex", "/d/f5.hex"});
  history.AddToHistory(QStringLiteral("/D/F4.HEX"));
  EXPECT_EQ(keys(6),
            (QStringList{"/D/F4.HEX", "/d/f1.hex", "/d/f2.hex", "/d/f3.hex", "/d/f5.hex", ""}));
}

TEST_F(HistoryFilesTest, ElevenKeysWrittenTenShown) {
  QStringList old;
  for (int i = 1; i <= 10; ++i)
    old << QStringLiteral("/d/old%1.hex").arg(i);
  writeKeys(old);
  history.AddToHistory(QStringLiteral("/d/new.hex"));
  EXPECT_EQ(keys(12), QStringList{"/d/new.hex"} + old + QStringList{"<absent>"});
  EXPECT_EQ(history.shownEntries(), QStringList{"/d/new.hex"} + old.mid(0, 9));

  // The next addition reads only keys 1 to 10: old10 drops out.
  history.AddToHistory(QStringLiteral("/d/newer.hex"));
  EXPECT_EQ(keys(11), (QStringList{"/d/newer.hex", "/d/new.hex"} + old.mid(0, 9)));
}

TEST_F(HistoryFilesTest, BlankEntriesAreDropped) {
  writeKeys({"/d/a.hex", "", " \t", "/d/b.hex"});
  history.AddToHistory(QStringLiteral("/d/c.hex"));
  EXPECT_EQ(keys(4), (QStringList{"/d/c.hex", "/d/a.hex", "/d/b.hex", ""}));
}

TEST_F(HistoryFilesTest, DeletedFileLeavesAndKeyElevenShows) {
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
  ASSERT_EQ(history.items().size(), 10u);
  EXPECT_EQ(history.items()[9].caption, QStringLiteral("&10 ") + files[10]);
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
  history.Sorted = true;
  history.ShowFullPath = false;
  history.Separator = TSeparatorStyle::sepBoth;
  history.AddToHistory(QStringLiteral("b"));
  history.AddToHistory(QStringLiteral("C"));
  history.AddToHistory(QStringLiteral("a"));
  EXPECT_EQ(captions(), (QStringList{"&1 a", "&2 b", "&3 C"}));
  EXPECT_TRUE(history.separatorBefore());
  EXPECT_TRUE(history.separatorAfter());
  history.Separator = TSeparatorStyle::sepBottom;
  EXPECT_FALSE(history.separatorBefore());
  EXPECT_TRUE(history.separatorAfter());

  // No entries, no separators.
  ASSERT_TRUE(QFile::remove(history.IniFile));
  history.RebuildMenu();
  EXPECT_TRUE(history.items().empty());
  EXPECT_FALSE(history.separatorAfter());
}

TEST_F(HistoryFilesTest, ClickCallsBackWithTheEntry) {
  QStringList clicked;
  history.OnClickHistoryItem = [&](THistoryFiles *sender, const QString &entry) {
    EXPECT_EQ(sender, &history);
    clicked << entry;
    // A click that rebuilds the list under its own item must be safe.
    history.AddToHistory(entry);
  };
  writeKeys({"/d/x.hex", "/d/y.hex"});
  history.RebuildMenu();
  history.Click(1);
  history.Click(5); // no such item
  history.Click(-1);
  EXPECT_EQ(clicked, QStringList{"/d/y.hex"});
  EXPECT_EQ(keys(2), (QStringList{"/d/y.hex", "/d/x.hex"}));
}

TEST_F(HistoryFilesTest, ClearMenuItemsKeepsTheFile) {
  writeKeys({"/d/x.hex"});
  history.RebuildMenu();
  const int before = changes;
  history.ClearMenuItems();
  EXPECT_TRUE(history.items().empty());
  EXPECT_EQ(changes, before + 1);
  EXPECT_EQ(keys(1), QStringList{"/d/x.hex"});
}

TEST_F(HistoryFilesTest, MissingListFileIsAnEmptyList) {
  history.RebuildMenu();
  EXPECT_TRUE(history.shownEntries().isEmpty());
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(QFile::exists(history.IniFile));
}

} // namespace
} // namespace orvane
