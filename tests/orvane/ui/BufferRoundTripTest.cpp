// The buffer view's trip through its temporary file, without the dialog.
#include "orvane/ui/BufferRoundTrip.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace orvane {
namespace {

class BufferRoundTripTest : public testing::Test {
protected:
  BufferRoundTripTest() {
    for (std::size_t i = 0; i < buffer.ImageArea.size(); ++i)
      buffer.ImageArea[i] = static_cast<std::uint8_t>(i * 7);
    original = buffer.ImageArea;
  }

  QString temp() const { return dir.filePath("orvane.tmp"); }

  static void overwrite(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }

  QTemporaryDir dir;
  LoaderBuffer buffer;
  std::array<std::uint8_t, kImageSize> original{};
};

TEST_F(BufferRoundTripTest, DialogSeesTheWholeImage) {
  QByteArray seen;
  const auto r = ViewBufferThroughFile(buffer, temp(), [&](const QString &path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    seen = f.readAll();
    return false;
  });
  EXPECT_TRUE(r.shown);
  EXPECT_FALSE(r.accepted);
  EXPECT_TRUE(r.error.isEmpty());
  ASSERT_EQ(seen.size(), kImageSize);
  EXPECT_TRUE(std::equal(original.begin(), original.end(),
                         reinterpret_cast<const std::uint8_t *>(seen.constData())));
  EXPECT_FALSE(QFile::exists(temp()));
}

TEST_F(BufferRoundTripTest, ShorterFileKeepsTheRestLongerIsCut) {
  ViewBufferThroughFile(buffer, temp(), [&](const QString &path) {
    overwrite(path, QByteArray(3, '\x12'));
    return true;
  });
  EXPECT_EQ(buffer.ImageArea[0], 0x12);
  EXPECT_EQ(buffer.ImageArea[2], 0x12);
  EXPECT_EQ(buffer.ImageArea[3], original[3]);
  EXPECT_EQ(buffer.ImageArea[kImageSize - 1], original[kImageSize - 1]);

  const auto r = ViewBufferThroughFile(buffer, temp(), [&](const QString &path) {
    overwrite(path, QByteArray(kImageSize + 100, '\x34'));
    return true;
  });
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(buffer.ImageArea[kImageSize - 1], 0x34);
  EXPECT_FALSE(QFile::exists(temp()));
}

TEST_F(BufferRoundTripTest, CancelLeavesTheImageEvenWhenTheFileChanged) {
  ViewBufferThroughFile(buffer, temp(), [&](const QString &path) {
    overwrite(path, QByteArray(kImageSize, '\0'));
    return false;
  });
  EXPECT_EQ(buffer.ImageArea, original);
  EXPECT_FALSE(QFile::exists(temp()));
}

TEST_F(BufferRoundTripTest, FileGoneEvenWhenTheDialogThrows) {
  EXPECT_THROW(ViewBufferThroughFile(
                   buffer, temp(),
                   [](const QString &) -> bool { throw std::runtime_error("from the dialog"); }),
               std::runtime_error);
  EXPECT_FALSE(QFile::exists(temp()));
  EXPECT_EQ(buffer.ImageArea, original);
}

TEST_F(BufferRoundTripTest, UnwritableFileGivesTheSystemCodeAndNoDialog) {
  bool shown = false;
  const auto r = ViewBufferThroughFile(buffer, dir.filePath("missing/orvane.tmp"),
                                       [&](const QString &) { return shown = true; });
  EXPECT_FALSE(shown);
  EXPECT_FALSE(r.shown);
  EXPECT_EQ(r.error, QStringLiteral("I/O error %1").arg(ENOENT));
}

} // namespace
} // namespace orvane
