#include "HexFixtures.h"

#include "orvane/hexview/HexByteModel.h"
#include "orvane/hexview/HexViewError.h"

#include <QFileInfo>

namespace orvane::hexview {
namespace {

using testing::errorOf;
using testing::readAll;
using testing::writeFile;

class ByteModelTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    writeFile(path("data.bin"), QByteArray("0123456789"));
    model.loadFile(path("data.bin"));
  }

  QString path(const QString &name) const { return dir.filePath(name); }
  QByteArray bytes() const {
    return {reinterpret_cast<const char *>(model.data()), static_cast<qsizetype>(model.size())};
  }

  QTemporaryDir dir;
  HexByteModel model;
};

TEST_F(ByteModelTest, OverwriteMarksOnlyRealChanges) {
  EXPECT_FALSE(model.overwrite(3, '3'));
  EXPECT_FALSE(model.isChanged(3));
  EXPECT_FALSE(model.modified());
  EXPECT_TRUE(model.undoRecords().empty());

  EXPECT_TRUE(model.overwrite(3, 'x'));
  EXPECT_TRUE(model.isChanged(3));
  EXPECT_FALSE(model.isChanged(2));
  EXPECT_FALSE(model.isChanged(4));
  EXPECT_TRUE(model.modified());
  ASSERT_EQ(model.undoRecords().size(), 1u);
  EXPECT_EQ(model.undoRecords()[0].position, 3);
  EXPECT_EQ(model.undoRecords()[0].oldBytes, QByteArray("3"));
  EXPECT_EQ(model.undoRecords()[0].newCount, 1);
}

TEST_F(ByteModelTest, ReplaceClearsMarksFromTheEditOnAndKeepsUndo) {
  model.overwrite(1, 'a');
  model.overwrite(6, 'b');
  model.replace(4, 2, QByteArray("XYZ"));
  EXPECT_EQ(bytes(), QByteArray("0a23XYZb789"));
  EXPECT_TRUE(model.isChanged(1));
  for (qint64 p = 4; p < model.size(); ++p)
    EXPECT_FALSE(model.isChanged(p)) << p;
  ASSERT_EQ(model.undoRecords().size(), 3u);
  EXPECT_EQ(model.undoRecords()[2].position, 4);
  EXPECT_EQ(model.undoRecords()[2].oldBytes, QByteArray("45"));
  EXPECT_EQ(model.undoRecords()[2].newCount, 3);
}

struct BookmarkCase {
  const char *name;
  qint64 position;
  qint64 count;
  QByteArray inserted;
  qint64 before;
  qint64 after; // -1: removed
};

void PrintTo(const BookmarkCase &c, std::ostream *out) { *out << c.name; }

class BookmarkShift : public ByteModelTest, public ::testing::WithParamInterface<BookmarkCase> {};

TEST_P(BookmarkShift, FollowsTheEdit) {
  const BookmarkCase &c = GetParam();
  model.setBookmark(5, Bookmark{c.before, Pane::Char});
  model.replace(c.position, c.count, c.inserted);
  const Bookmark mark = model.bookmark(5);
  EXPECT_EQ(mark.position, c.after);
  if (c.after >= 0) {
    EXPECT_EQ(mark.pane, Pane::Char);
  }
}

INSTANTIATE_TEST_SUITE_P(Bookmarks, BookmarkShift,
                         ::testing::Values(BookmarkCase{"InsertBefore", 2, 0, "ab", 6, 8},
                                           BookmarkCase{"InsertAtIt", 6, 0, "a", 6, 7},
                                           BookmarkCase{"InsertAfter", 7, 0, "a", 6, 6},
                                           BookmarkCase{"RemoveBefore", 1, 3, "", 6, 3},
                                           BookmarkCase{"RemoveIt", 5, 3, "", 6, 5},
                                           BookmarkCase{"RemoveAfter", 7, 2, "", 6, 6},
                                           BookmarkCase{"FallsPastEnd", 7, 3, "", 9, -1}),
                         [](const auto &testCase) { return std::string(testCase.param.name); });

TEST_F(ByteModelTest, BookmarkIndexOutsideTenIsAnError) {
  EXPECT_EQ(errorOf([&] { model.bookmark(10); }), "Invalid bookmark index");
  EXPECT_EQ(errorOf([&] { model.setBookmark(-1, Bookmark{}); }), "Invalid bookmark index");
  EXPECT_EQ(errorOf([&] { model.bookmark(9); }), "");
}

TEST_F(ByteModelTest, LoadReadsFilesLargerThanOnePiece) {
  const QByteArray big = testing::countingBytes(3 * HexByteModel::kFileChunk + 17);
  writeFile(path("big.bin"), big);
  model.overwrite(0, 'z');
  model.setBookmark(2, Bookmark{4, Pane::Hex});
  model.loadFile(path("big.bin"));
  EXPECT_EQ(bytes(), big);
  EXPECT_EQ(model.fileName(), path("big.bin"));
  EXPECT_FALSE(model.isChanged(0));
  EXPECT_FALSE(model.modified());
  EXPECT_TRUE(model.undoRecords().empty());
  EXPECT_FALSE(model.readOnlyFile());
  EXPECT_EQ(model.bookmark(2), (Bookmark{4, Pane::Hex})) << "a load keeps the bookmarks";
}

TEST_F(ByteModelTest, LoadOfMissingFileChangesNothing) {
  model.overwrite(0, 'z');
  const QString missing = path("missing.bin");
  EXPECT_EQ(errorOf([&] { model.loadFile(missing); }),
            QStringLiteral("Cannot open %1.\r\n(No such file or directory.)").arg(missing));
  EXPECT_EQ(bytes(), QByteArray("z123456789"));
  EXPECT_TRUE(model.isChanged(0));
  EXPECT_EQ(model.fileName(), path("data.bin"));
}

TEST_F(ByteModelTest, SaveWithMarkClearsMarksAndTakesThePath) {
  model.overwrite(0, 'z');
  model.saveFile(path("copy.bin"), true);
  EXPECT_EQ(readAll(path("copy.bin")), QByteArray("z123456789"));
  EXPECT_FALSE(model.isChanged(0));
  EXPECT_FALSE(model.modified());
  EXPECT_TRUE(model.undoRecords().empty());
  EXPECT_EQ(model.fileName(), path("copy.bin"));
}

TEST_F(ByteModelTest, SaveWithoutMarkKeepsEverything) {
  model.overwrite(0, 'z');
  model.saveFile(path("copy.bin"), false);
  EXPECT_EQ(readAll(path("copy.bin")), QByteArray("z123456789"));
  EXPECT_TRUE(model.isChanged(0));
  EXPECT_TRUE(model.modified());
  EXPECT_EQ(model.undoRecords().size(), 1u);
  EXPECT_EQ(model.fileName(), path("data.bin"));
}

TEST_F(ByteModelTest, SaveReplacesALongerFileWhole) {
  writeFile(path("old.bin"), QByteArray(50, 'q'));
  model.saveFile(path("old.bin"), true);
  EXPECT_EQ(readAll(path("old.bin")), QByteArray("0123456789"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2)
      << "no temporary file is left beside the target";
}

TEST_F(ByteModelTest, ReadOnlyFileIsNotOverwritten) {
  const QString file = path("locked.bin");
  writeFile(file, QByteArray("locked"));
  ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  model.loadFile(file);
  EXPECT_TRUE(model.readOnlyFile());
  model.overwrite(0, 'L');

  EXPECT_EQ(errorOf([&] { model.saveFile(file, true); }),
            QStringLiteral("Cannot save readonly file %1.").arg(file));
  EXPECT_EQ(readAll(file), QByteArray("locked"));
  EXPECT_TRUE(model.isChanged(0)) << "a refused save marks nothing saved";

  // Saving elsewhere works, and the copy is no longer read-only.
  model.saveFile(path("free.bin"), true);
  EXPECT_FALSE(model.readOnlyFile());
  EXPECT_EQ(readAll(path("free.bin")), QByteArray("Locked"));
}

TEST_F(ByteModelTest, SaveOverAnotherReadOnlyFileFailsWithoutWriting) {
  const QString other = path("other.bin");
  writeFile(other, QByteArray("other"));
  ASSERT_TRUE(QFile::setPermissions(other, QFileDevice::ReadOwner));
  EXPECT_EQ(errorOf([&] { model.saveFile(other, true); }),
            QStringLiteral("Cannot create %1.\r\n(Permission denied.)").arg(other));
  EXPECT_EQ(readAll(other), QByteArray("other"));
  EXPECT_EQ(model.fileName(), path("data.bin"));
}

TEST_F(ByteModelTest, SaveIntoMissingFolderFails) {
  const QString target = path("no/such/folder/x.bin");
  EXPECT_TRUE(errorOf([&] {
                model.saveFile(target, true);
              }).startsWith(QStringLiteral("Cannot create %1.").arg(target)));
  EXPECT_FALSE(QFileInfo::exists(target));
  EXPECT_EQ(model.fileName(), path("data.bin"));
}

} // namespace
} // namespace orvane::hexview
