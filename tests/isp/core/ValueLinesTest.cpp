#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>
#include <ostream>

#include "isp/core/ValueLines.h"

namespace rindle::isp {
namespace {

// A file of the kind an engine keeps: every kind of line once.
struct Record {
  std::uint16_t base = 0;
  std::int32_t size = 0;
  QString program;
  std::uint16_t mask = 0;
  std::uint16_t invert = 0;
  bool verify = false;

  friend bool operator==(const Record &, const Record &) = default;
};

template <typename Lines, typename R>
void RecordLines(Lines &l, R &r) {
  l.number(r.base);
  l.number(r.size, 0, 4096);
  l.text(r.program);
  l.number(r.mask);
  l.invert(r.invert, r.mask);
  l.flag(r.verify);
}

class ValueLinesTest : public ::testing::Test {
protected:
  QString Write(const QByteArray &content) {
    const QString path = dir.filePath("values.set");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    return path;
  }
  // The record read from `content`, or the reader's error.
  std::pair<Record, QString> Read(const QByteArray &content, Record r = {}) {
    const auto lines = ReadValueLines(Write(content), 6);
    EXPECT_TRUE(lines.has_value());
    ValueReader in(lines.value_or(std::vector<QByteArray>{}), QStringLiteral("Bad file"));
    RecordLines(in, r);
    EXPECT_EQ(in.ok(), in.error().isEmpty());
    return {r, in.error()};
  }

  QTemporaryDir dir;
};

TEST_F(ValueLinesTest, WhatTheWriterWritesTheReaderReadsBack) {
  const QString file = QDir::tempPath() + QStringLiteral("/blink ü.hex");
  const Record saved{0x278, 2048, file, 0x10, 0x10, true};
  ValueWriter out;
  RecordLines(out, saved);
  EXPECT_EQ(out.content(), "632\r\n2048\r\n" + file.toUtf8() + "\r\n16\r\n16\r\n1\r\n");
  const auto [read, error] = Read(out.content());
  EXPECT_EQ(error, "");
  EXPECT_EQ(read, saved);
}

// A text that starts with U+FEFF keeps it: only the file's first line can
// carry a byte-order mark.
TEST_F(ValueLinesTest, ATextStartingWithAByteOrderMarkReadsBackWhole) {
  const QString file = QString(QChar(0xFEFF)) + QChar(0xFEFF) + QStringLiteral("x.hex");
  const Record saved{0x378, 16, file, 0x10, 0, false};
  ValueWriter out;
  RecordLines(out, saved);
  const auto [read, error] = Read(out.content());
  EXPECT_EQ(error, "");
  EXPECT_EQ(read, saved);
}

TEST_F(ValueLinesTest, ATextThatWouldSplitItsLineIsWrittenEmpty) {
  ValueWriter out;
  out.text(QStringLiteral("two\nlines"));
  out.text(QStringLiteral("cr\rtoo"));
  EXPECT_EQ(out.content(), "\r\n\r\n");
}

TEST_F(ValueLinesTest, AByteOrderMarkIsSkippedOnlyInFrontOfTheFile) {
  const QByteArray mark("\xEF\xBB\xBF");
  const auto front = ReadValueLines(Write(mark + "1\r\n2\n3\r4\r\n"), 3);
  ASSERT_TRUE(front);
  EXPECT_EQ(*front, (std::vector<QByteArray>{"1", "2", "3"}));
  const auto inside = ReadValueLines(Write("1\r\n" + mark + "2\r\n"), 5);
  ASSERT_TRUE(inside);
  EXPECT_EQ(*inside, (std::vector<QByteArray>{"1", mark + "2"}));
  EXPECT_FALSE(ReadValueLines(dir.filePath("missing.set"), 3));
}

struct InvertCase {
  const char *name;
  QByteArray line;
  std::optional<std::uint16_t> read; // nothing: refused
};
void PrintTo(const InvertCase &c, std::ostream *os) { *os << c.name; }

class InvertLine : public ValueLinesTest, public ::testing::WithParamInterface<InvertCase> {};

// Any invert value but 0 or the line's own mask would flip pins of other
// lines on every write of the data port.
TEST_P(InvertLine, IsZeroOrTheMaskOfItsLine) {
  const InvertCase &c = GetParam();
  const Record before{1, 2, QStringLiteral("kept"), 3, 0, true};
  const auto [read, error] =
      Read("888\r\n4096\r\nblink.hex\r\n16\r\n" + c.line + "\r\n0\r\n", before);
  if (c.read) {
    EXPECT_EQ(error, "");
    EXPECT_EQ(read.invert, *c.read);
  } else {
    EXPECT_EQ(error,
              "Bad file\rLine 5: " + QString::fromUtf8(c.line.trimmed()) + " is out of range");
    EXPECT_EQ(read.invert, before.invert);
    EXPECT_EQ(read.verify, before.verify) << "nothing after the bad line is read";
    EXPECT_EQ(read.mask, 16) << "what came before it is";
  }
}

INSTANTIATE_TEST_SUITE_P(Values, InvertLine,
                         ::testing::Values(InvertCase{"Zero", "0", 0},
                                           InvertCase{"OwnMask", "16", 16},
                                           InvertCase{"OwnMaskInHex", "$10", 16},
                                           InvertCase{"AnotherBit", "32", std::nullopt},
                                           InvertCase{"MaskWithAnotherBit", "48", std::nullopt},
                                           InvertCase{"LowBitOnly", "1", std::nullopt},
                                           InvertCase{"NegativeMask", "-16", std::nullopt},
                                           InvertCase{"MaskPlusOneWord", "65552", std::nullopt}),
                         [](const ::testing::TestParamInfo<InvertCase> &param) {
                           return std::string(param.param.name);
                         });

// A missing text line reads as empty; a missing number stops the reading.
TEST_F(ValueLinesTest, AShortFileStopsAtItsFirstMissingNumber) {
  const Record before{1, 2, QStringLiteral("kept"), 3, 0, true};
  const auto [read, error] = Read("888\r\n4096\r\n", before);
  EXPECT_EQ(error, "Bad file\rThe file ends before line 4");
  EXPECT_EQ(read.size, 4096);
  EXPECT_EQ(read.program, "");
  EXPECT_EQ(read.mask, before.mask);
}

} // namespace
} // namespace rindle::isp
