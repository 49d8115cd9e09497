#pragma once

#include "common/testing/ScriptedPrompter.h"
#include "orvane/core/LoaderBuffer.h"
#include "orvane/ui/LoaderWindows.h"
#include "orvane/ui/TfrmDevices.h"
#include "orvane/ui/TfrmHexEdit.h"
#include "sim/box/ProgrammerBox.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

namespace uitest {

// Short enough to keep the tests quick, long enough for a reply to cross the
// pseudo-terminal on a loaded machine.
constexpr int kTick = 250;
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kBlack(0, 0, 0);

// One status-log line as the user sees it.
struct LogLine {
  QString text;
  QColor color;
  bool operator==(const LogLine &) const = default;
};

inline void PrintTo(const LogLine &l, std::ostream *os) {
  *os << (l.color == kGrey    ? "grey \""
          : l.color == kBlack ? "black \""
                              : "other \"")
      << l.text.toStdString() << "\"";
}

// A progress line, and a result line with its three blanks.
inline LogLine P(const QString &text) { return {text, kGrey}; }
inline LogLine R(const QString &text) { return {QStringLiteral("   ") + text, kBlack}; }

using Log = std::vector<LogLine>;

inline Log operator+(Log a, const Log &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline QString screenshotPath(const QString &name) {
  const QString dir = QStringLiteral(SUITE_BIN_DIR "/../screenshots");
  QDir().mkpath(dir);
  return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}

inline void saveScreenshot(QWidget *w, const QString &name) {
  ASSERT_TRUE(w->grab().save(screenshotPath(name)));
}

// Runs act on the next modal dialog as soon as it is up; the dialog's own
// event loop delivers the call.
inline void whenModal(std::function<void(QWidget *)> act) {
  auto *timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (QWidget *w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      act(w);
    }
  });
  timer->start();
}

// What detecting the box and its AT89S51 writes.
inline Log detected() {
  return {P("Detecting Hardware..."), R("Serial Programmer Ver 2.0 Ready"), P("Detecting Chip..."),
          R("AT89S51, 4K Flash approx.")};
}

// A program folder with the shipped model catalogue and device databases,
// the emulated box with an AT89S51 on a pseudo-terminal, and the loader's
// windows on that folder with a scripted prompter.
class LoaderFixture : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    const QString bin = QStringLiteral(SUITE_BIN_DIR);
    ASSERT_TRUE(QFile::copy(bin + "/orvane.ini", path("orvane.ini")));
    QFile(path("orvane.ini")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QDir(dir.path()).mkpath("devices"));
    for (const QString &f : QDir(bin + "/devices").entryList(QDir::Files))
      ASSERT_TRUE(QFile::copy(bin + "/devices/" + f, path("devices/" + f)));
    startBox();
  }

  void TearDown() override {
    windows.reset();
    if (box)
      box->Stop();
  }

  void startBox(const sim::BoxFaults &faults = {}) {
    box = std::make_unique<sim::ProgrammerBox>(sim::ProgrammerBox::Chip{},
                                               path("box-chip.bin").toStdString());
    box->SetFaults(faults);
    std::string error;
    ASSERT_TRUE(box->Start(&error)) << error;
  }

  QString path(const QString &name) const { return dir.filePath(name); }

  void writeFile(const QString &name, const QByteArray &bytes) {
    QFile f(path(name));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(f).absolutePath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  // A HEX file of count bytes, none of them 0xFF.
  QString writeHex(const QString &name, int count, int seed = 11) {
    orvane::LoaderBuffer b;
    b.FileBufferReset();
    for (int i = 0; i < count; ++i)
      b.ImageArea[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 37 + seed) % 250);
    writeFile(name, orvane::HexFileText(b.ImageArea, count));
    return path(name);
  }

  // Starts the loader on the folder, as the program does, and shows it.
  void start() {
    orvane::LoaderOptions options;
    options.opener = [this](const QUrl &url) {
      opened.push_back(url);
      return true;
    };
    options.simulatedPort = QString::fromStdString(box->Path());
    options.examplesFolder = examplesFolder;
    windows = std::make_unique<orvane::LoaderWindows>(path("orvane"), prompter, options);
    main().sequencer().SetTickInterval(kTick);
    main().sequencer().SetInlineSilenceLimit(3000);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }

  orvane::TSDIAppForm &main() { return windows->main(); }

  template <typename T>
  T *control(const char *name) {
    T *w = main().findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  QListWidget *functionList() { return control<QListWidget>("functionList"); }

  QPoint itemCenter(int row) {
    QListWidget *list = functionList();
    return list->visualItemRect(list->item(row)).center();
  }

  void clickFunction(int row) {
    QTest::mouseClick(functionList()->viewport(), Qt::LeftButton, {}, itemCenter(row));
  }

  void doubleClickFunction(int row) {
    clickFunction(row);
    QTest::mouseDClick(functionList()->viewport(), Qt::LeftButton, {}, itemCenter(row));
  }

  bool waitIdle(int ms = 30000) {
    return QTest::qWaitFor([&] { return !main().Busy(); }, ms);
  }

  Log statusLog() {
    Log out;
    const QTextDocument *doc = control<QTextEdit>("ctlStatus")->document();
    if (doc->isEmpty())
      return out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      QColor color;
      if (b.begin() != b.end())
        color = b.begin().fragment().charFormat().foreground().color();
      out.push_back({b.text(), color});
    }
    return out;
  }

  QTemporaryDir dir;
  common::ScriptedPrompter prompter;
  std::unique_ptr<sim::ProgrammerBox> box;
  std::unique_ptr<orvane::LoaderWindows> windows;
  std::vector<QUrl> opened;
  // Where the Open dialog starts on a first start.
  QString examplesFolder;
};

} // namespace uitest
