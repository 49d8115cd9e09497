#pragma once

#include "rindle/data/DataFiles.h"
#include "rindle/data/IspBuffer.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace rindle::testing {

inline QString DataFixture(const QString &name) {
  return QStringLiteral(SUITE_SOURCE_DIR "/tests/rindle/data/fixtures/") + name;
}

inline QByteArray ReadAll(const QString &path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

inline void WriteAll(const QString &path, const QByteArray &content) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(content), content.size());
}

// The five readers, so that tables of cases can name one.
enum class Reader { ProgramHex, EepromHex, ProgramBin, EepromBin, Rom };

inline QString Load(Reader reader, IspBuffer &buffer, std::int64_t flashSize,
                    const QString &fileName) {
  switch (reader) {
  case Reader::ProgramHex: return files::LoadProgramHex(buffer.all(), fileName);
  case Reader::EepromHex: return files::LoadEepromHex(buffer.all(), flashSize, fileName);
  case Reader::ProgramBin: return files::LoadProgramBin(buffer.all(), fileName);
  case Reader::EepromBin: return files::LoadEepromBin(buffer.all(), flashSize, fileName);
  case Reader::Rom: return files::LoadProgramRom(buffer.all(), fileName);
  }
  return {};
}

using Cells = std::vector<std::pair<std::size_t, std::uint8_t>>;

// Fails unless the buffer is blank except for `cells`.
inline void ExpectOnly(const IspBuffer &buffer, const Cells &cells, const std::string &where) {
  IspBuffer expected;
  for (auto [at, value] : cells)
    expected.cells[at] = value;
  const auto diff = std::mismatch(buffer.cells.begin(), buffer.cells.end(), expected.cells.begin());
  if (diff.first != buffer.cells.end()) {
    ADD_FAILURE() << where << ": cell 0x" << std::hex << (diff.first - buffer.cells.begin())
                  << " holds 0x" << int(*diff.first) << ", expected 0x" << int(*diff.second);
  }
}

// Reproducible non-blank data: no cell of a round trip can pass by luck.
inline void FillPattern(std::span<std::uint8_t> cells, std::uint32_t seed) {
  std::uint32_t x = seed | 1;
  for (auto &c : cells) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = std::uint8_t(x >> 11);
  }
}

// A fresh blank buffer and a scratch folder per test.
class BufferTest : public ::testing::Test {
protected:
  QString path(const QString &name) const { return dir.filePath(name); }
  QString file(const QString &name, const QByteArray &content) const {
    WriteAll(path(name), content);
    return path(name);
  }

  QTemporaryDir dir;
  IspBuffer buffer;
};

} // namespace rindle::testing
