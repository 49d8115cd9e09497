#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace {

using common::SaveOptions;
using common::SaveOutcome;
using common::SaveWholeFile;

// Passes writes on to the file until `budget` bytes have gone through, then
// takes only what is left, as a disk that fills up does.
class FillingDevice : public QIODevice {
public:
  FillingDevice(QIODevice &file, qint64 budget) : file_(file), budget_(budget) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }

protected:
  qint64 readData(char *, qint64) override { return -1; }
  qint64 writeData(const char *data, qint64 len) override {
    const qint64 n = std::min(len, budget_);
    if (n < len)
      setErrorString(QStringLiteral("No space left on device"));
    if (n == 0)
      return -1;
    budget_ -= n;
    return file_.write(data, n);
  }

private:
  QIODevice &file_;
  qint64 budget_;
};

QByteArray Content(qsizetype n) {
  QByteArray b(n, '\0');
  for (qsizetype i = 0; i < n; ++i)
    b[i] = char('a' + i % 26);
  return b;
}

class SafeFile : public ::testing::Test {
protected:
  QString path(const QString &name = QStringLiteral("data.bin")) const {
    return dir.filePath(name);
  }
  void put(const QByteArray &content) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  QByteArray read() const {
    QFile f(path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir dir;
};

TEST_F(SafeFile, WritesANewFileAndReplacesAnOldOne) {
  const auto first = SaveWholeFile(path(), Content(1000));
  ASSERT_TRUE(first.ok()) << first.reason.toStdString();
  EXPECT_EQ(read(), Content(1000));
  const auto second = SaveWholeFile(path(), "short", {.block = 2});
  ASSERT_TRUE(second.ok()) << second.reason.toStdString();
  EXPECT_EQ(read(), "short");
  EXPECT_EQ(files(), QStringList{"data.bin"});
}

TEST_F(SafeFile, EmptyContentMakesAnEmptyFile) {
  put("old");
  ASSERT_TRUE(SaveWholeFile(path(), QByteArray()).ok());
  EXPECT_EQ(read(), QByteArray());
}

struct ShortWriteCase {
  const char *name;
  qsizetype block;
  qint64 budget;
};

void PrintTo(const ShortWriteCase &c, std::ostream *os) { *os << c.name; }

class SafeFileShortWrite : public SafeFile, public ::testing::WithParamInterface<ShortWriteCase> {};

TEST_P(SafeFileShortWrite, IsReportedAndLeavesTheOldFile) {
  const ShortWriteCase &c = GetParam();
  put("previous content");
  SaveOptions options;
  options.block = c.block;
  options.wrapDevice = [&](QIODevice &file) {
    return std::make_unique<FillingDevice>(file, c.budget);
  };
  const auto result = SaveWholeFile(path(), Content(1000), options);
  EXPECT_EQ(result.outcome, SaveOutcome::WriteFailed);
  EXPECT_FALSE(result.reason.isEmpty());
  EXPECT_EQ(read(), "previous content");
  EXPECT_EQ(files(), QStringList{"data.bin"}); // no temporary file left behind
}

INSTANTIATE_TEST_SUITE_P(Cases, SafeFileShortWrite,
                         ::testing::Values(ShortWriteCase{"WholeContentAtOnce", 0, 999},
                                           ShortWriteCase{"InBlocksMidBlock", 128, 300},
                                           ShortWriteCase{"InBlocksAtABlockEdge", 128, 256},
                                           ShortWriteCase{"NothingTaken", 0, 0}),
                         [](const auto &testCase) { return std::string(testCase.param.name); });

TEST_F(SafeFile, FolderWithoutRoomForATemporaryWritesTheFileInPlace) {
  put("a longer previous content");
  SaveOptions options;
  options.temporaryAllowed = false;
  const auto result = SaveWholeFile(path(), "new", options);
  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(read(), "new");
}

// Makes a folder immutable (no entry may be made or removed in it, its files
// stay writable) for as long as it lives.
class ImmutableFolder {
public:
  explicit ImmutableFolder(const QString &path) : path_(path) {
    done_ = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) == 0;
  }
  ~ImmutableFolder() {
    if (done_)
      QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
  }
  bool done() const { return done_; }

private:
  QString path_;
  bool done_ = false;
};

TEST_F(SafeFile, RealFolderWithoutRoomForATemporaryWritesTheFileInPlace) {
  put("a longer previous content");
  const ImmutableFolder frozen(dir.path());
  if (!frozen.done())
    GTEST_SKIP() << "this file system or user cannot make a folder immutable";
  ASSERT_FALSE(QFile(path("probe")).open(QIODevice::WriteOnly)); // no new file here
  const auto result = SaveWholeFile(path(), "new", {.block = 2});
  ASSERT_TRUE(result.ok()) << result.reason.toStdString();
  EXPECT_EQ(read(), "new");
  EXPECT_EQ(files(), QStringList{"data.bin"});
  EXPECT_EQ(SaveWholeFile(path("other.bin"), "x").outcome, SaveOutcome::CreateFailed);
}

TEST_F(SafeFile, InPlaceShortWriteIsReported) {
  put("previous content");
  SaveOptions options;
  options.temporaryAllowed = false;
  options.wrapDevice = [](QIODevice &file) { return std::make_unique<FillingDevice>(file, 10); };
  EXPECT_EQ(SaveWholeFile(path(), Content(100), options).outcome, SaveOutcome::WriteFailed);
}

TEST_F(SafeFile, NoFileAndNoRoomForATemporaryCannotBeCreated) {
  SaveOptions options;
  options.temporaryAllowed = false;
  const auto result = SaveWholeFile(path(), "new", options);
  EXPECT_EQ(result.outcome, SaveOutcome::CreateFailed);
  EXPECT_FALSE(result.reason.isEmpty());
  EXPECT_TRUE(files().isEmpty());
}

TEST_F(SafeFile, UncreatableTargetsAreCreateFailures) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  EXPECT_EQ(SaveWholeFile(path("folder"), "x").outcome, SaveOutcome::CreateFailed);
  EXPECT_EQ(SaveWholeFile(path("missing/data.bin"), "x").outcome, SaveOutcome::CreateFailed);
  EXPECT_EQ(SaveWholeFile(QString(), "x").outcome, SaveOutcome::CreateFailed);
}

// A damaged file is kept under the first free name of NAME.bad, NAME.bad.2,
// ...; nothing kept before is replaced, and with every name taken it stays
// where it is.
TEST_F(SafeFile, DamagedFilesAreKeptUnderAFreeName) {
  for (int round = 1; round <= 3; ++round) {
    put("damaged " + QByteArray::number(round));
    const QString kept = common::KeepDamagedFile(path());
    EXPECT_EQ(kept, round == 1 ? path() + ".bad" : path() + ".bad." + QString::number(round));
    EXPECT_FALSE(QFile::exists(path()));
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "damaged " + QByteArray::number(round));
  }
  for (int n = 4; n <= 99; ++n) {
    QFile taken(path() + ".bad." + QString::number(n));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
  }
  put("the last one");
  EXPECT_EQ(common::KeepDamagedFile(path()), QString());
  EXPECT_EQ(read(), "the last one");
  EXPECT_EQ(common::KeepDamagedFile(path("absent")), QString());
}

TEST(DamagedFileNotice, SaysWhatIsWrongWhereTheFileIsAndWhatHappensInstead) {
  EXPECT_EQ(common::DamagedFileNotice("/a/x.set", "Settings file error . . .\rLine 2: bad",
                                      "/a/x.set.bad", "the defaults are used"),
            "Settings file error . . .\rLine 2: bad\r\r"
            "The file \"/a/x.set\" is kept as \"/a/x.set.bad\"; the defaults are used.");
  EXPECT_EQ(common::DamagedFileNotice("/a/x.set", "Cannot be read", {}, "the defaults are used"),
            "Cannot be read\r\r"
            "The file \"/a/x.set\" is left as it is and not written over; the defaults are used.");
}

} // namespace
