#include "rindle/data/TextLines.h"

#include <QBuffer>
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
