#include "rindle/data/TextLines.h"

#include <QBuffer>
#include <QTemporaryFile>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using rindle::files::TextLines;

namespace {

std::vector<QByteArray> Lines(QByteArray content, qsizetype cap = TextLines::kDefaultCap) {
  QBuffer device(&content);
  EXPECT_TRUE(device.open(QIODevice::ReadOnly));
  TextLines lines(device, cap);
  std::vector<QByteArray> out;
  QByteArray line;
  while (lines.next(line)) {
    out.push_back(line);
    EXPECT_EQ(lines.lineNumber(), int(out.size()));
  }
  EXPECT_FALSE(lines.failed());
  return out;
}

struct LineCase {
  const char *name;
  QByteArray content;
  std::vector<QByteArray> lines;
};

} // namespace

TEST(TextLines, SplitsAtEveryKindOfLineEnd) {
  const QByteArray longLine(65535,
                            'x'); // its CR ends the first 64 KiB chunk, its LF starts the next
  const std::vector<LineCase> cases = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF", "a\nb\n", {"a", "b"}},
      {"lone CR", "a\rb\r", {"a", "b"}},
      {"no line end at the end", "a\r\nb", {"a", "b"}},
      {"empty lines kept", "a\r\n\r\nb\n\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
      {"LF lines, then CR lines, then LF", "a\nb\nc\rd\re\nf", {"a", "b", "c", "d", "e", "f"}},
      {"one empty line", "\r\n", {""}},
      {"empty file", "", {}},
      {"CR LF across a chunk boundary", longLine + "\r\ny", {longLine, "y"}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(Lines(c.content, 1 << 20), c.lines) << c.name;
}

TEST(TextLines, KeepsTheStartOfOverlongLines) {
  const QByteArray content = QByteArray(5000, 'a') + "\nnext\n";
  EXPECT_EQ(Lines(content, 4096), (std::vector<QByteArray>{QByteArray(4096, 'a'), "next"}));
}

namespace {

// A pipe-like device that hands out a few bytes per read and cannot say how
// many are left.
class TricklingDevice : public QIODevice {
public:
  explicit TricklingDevice(QByteArray content) : content_(std::move(content)) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return true; }
  bool atEnd() const override { return at_ >= content_.size(); }

protected:
  qint64 readData(char *data, qint64 maxSize) override {
    const qint64 n = std::min<qint64>({maxSize, 3, content_.size() - at_});
    std::memcpy(data, content_.constData() + at_, std::size_t(n));
    at_ += n;
    return n;
  }
  qint64 writeData(const char *, qint64) override { return -1; }

private:
  QByteArray content_;
  qsizetype at_ = 0;
};

} // namespace

TEST(TextLines, ReadsADeviceThatCannotTellItsSize) {
  TricklingDevice device("first\r\nsecond\rthird\n\nlast");
  TextLines lines(device);
  std::vector<QByteArray> out;
  QByteArray line;
  while (lines.next(line))
    out.push_back(line);
  EXPECT_FALSE(lines.failed());
  EXPECT_EQ(out, (std::vector<QByteArray>{"first", "second", "third", "", "last"}));
}

TEST(TextLines, ReadsOnWhenAFileHoldsMoreThanOneChunk) {
  // Lines of 10 bytes over three 64 KiB chunks, read from a file on disk.
  QByteArray content;
  for (int i = 0; i < 20000; ++i)
    content += QByteArray::number(i).rightJustified(8, '0') + "\r\n";
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  ASSERT_EQ(file.write(content), content.size());
  ASSERT_TRUE(file.seek(0));
  TextLines lines(file);
  QByteArray line;
  int n = 0;
  while (lines.next(line)) {
    ASSERT_EQ(line, QByteArray::number(n).rightJustified(8, '0')) << "line " << n + 1;
    ++n;
  }
  EXPECT_FALSE(lines.failed());
  EXPECT_EQ(n, 20000);
}
