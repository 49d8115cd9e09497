#pragma once

// The README's pictures of each program's windows. The window tests draw
// them from the real windows into the build folder's screenshots/readme/;
// `./do screenshots` runs those tests and copies the pictures into docs/.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace readme {

// Saves the window's picture as screenshots/readme/<name>.png.
inline void Picture(QWidget &window, const QString &name) {
  const QString folder = QDir::cleanPath(QStringLiteral(SUITE_BIN_DIR "/../screenshots/readme"));
  QDir().mkpath(folder);
  const QString file = folder + u'/' + name + QStringLiteral(".png");
  EXPECT_TRUE(window.grab().save(file)) << file.toStdString();
}

// The shipped examples in one fixed folder, <temp>/chipsuite/examples, with
// one fixed date, so that the file names and dates the windows show are the
// same on every run and the pictures change only when the windows do.
inline QString Examples() {
  const QString from = QStringLiteral(SUITE_SOURCE_DIR "/examples");
  const QString to = QDir::cleanPath(QDir::tempPath() + QStringLiteral("/chipsuite/examples"));
  EXPECT_TRUE(QDir().mkpath(to)) << to.toStdString();
  for (const QString &name : QDir(from).entryList({"*.hex", "*.eep"}, QDir::Files)) {
    QFile source(from + u'/' + name);
    QFile copy(to + u'/' + name);
    EXPECT_TRUE(source.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray bytes = source.readAll();
    const bool same = copy.open(QIODevice::ReadOnly) && copy.readAll() == bytes;
    copy.close();
    if (!same) {
      // Whole or not at all: another test program may be reading it.
      QSaveFile fresh(copy.fileName());
      EXPECT_TRUE(fresh.open(QIODevice::WriteOnly)) << name.toStdString();
      fresh.write(bytes);
      EXPECT_TRUE(fresh.commit()) << name.toStdString();
    }
    EXPECT_TRUE(copy.open(QIODevice::ReadWrite)) << name.toStdString();
    copy.setFileTime(QDateTime(QDate(2026, 12, 1), QTime(10, 0)),
                     QFileDevice::FileModificationTime);
  }
  return to;
}

} // namespace readme
