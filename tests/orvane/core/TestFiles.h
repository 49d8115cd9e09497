#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

// Readable failure output for Qt strings.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace orvane::test {

inline QString fixture(const QString &name) {
  return QStringLiteral(SUITE_SOURCE_DIR) + QStringLiteral("/tests/orvane/core/fixtures/") + name;
}

inline QByteArray readAll(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return {};
  return f.readAll();
}

inline void writeAll(const QString &path, const QByteArray &bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

// A scratch folder standing in for the folder of the program.
struct Scratch {
  QTemporaryDir dir;
  QString path(const QString &name) const { return dir.filePath(name); }
};

} // namespace orvane::test
