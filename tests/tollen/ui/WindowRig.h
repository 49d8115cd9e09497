#pragma once

// The main window on a simulated cable and chip, answering its dialogs
// through a scripted prompter, with helpers that drive it by real events.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "common/testing/ScriptedPrompter.h"
#include "sim/isp/Bench.h"
#include "tollen/engine/TollenEngine.h"
#include "tollen/ui/MainWindow.h"

inline void PrintTo(const QString &text, std::ostream *os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tollen::uitest {

// Saves a window's picture under the build folder for a person to look at.
inline void Screenshot(QWidget *w, const char *name) {
  const QString folder = QStringLiteral(SUITE_BIN_DIR "/../screenshots");
  QDir().mkpath(folder);
  EXPECT_TRUE(w->grab().save(folder + QStringLiteral("/tollen_%1.png").arg(QLatin1String(name))));
}

// Runs `f` as soon as the event loop of the next modal window turns.
inline void WhenShown(std::function<void()> f) { QTimer::singleShot(0, qApp, std::move(f)); }

template <class T = QWidget>
T *Child(QWidget *parent, const char *name) {
  T *w = parent->findChild<T *>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// Clicks near the left end, where a check box has its indicator.
inline void Click(QWidget *w) {
  ASSERT_NE(w, nullptr);
  QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(std::min(w->width() / 2, 8), w->height() / 2));
}

// Picks a device row of the main window with the keys, as a user would.
inline void SelectDevice(QWidget *window, int row) {
  auto *combo = Child<QComboBox>(window, "cboType");
  combo->setFocus();
  for (int guard = 0; combo->currentIndex() != row && guard < 20; ++guard) {
    QTest::keyClick(combo, combo->currentIndex() < row ? Qt::Key_Down : Qt::Key_Up);
  }
  ASSERT_EQ(combo->currentIndex(), row);
}

struct WindowRig {
  QTemporaryDir dir;
  sim::isp::Bench bench;
  common::ScriptedPrompter prompter;
  TollenEngine engine{bench, bench};
  int beeps = 0;
  std::unique_ptr<ui::MainWindow> window;

  explicit WindowRig(const char *chip = "ATmega8") : bench(chip) {
    sim::isp::CableWiring wiring;
    wiring.presenceLoop = true;
    bench.setWiring(wiring);
    engine.SettingsPath = dir.filePath(QString::fromLatin1(kSettingsFileName));
    engine.Messages = &prompter;
    window = std::make_unique<ui::MainWindow>(engine, prompter,
                                              ui::MainWindow::Options{[this] { ++beeps; }, false});
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  ~WindowRig() {
    if (window) {
      window->close();
    }
  }

  QWidget *w() { return window.get(); }
  void Click(const char *name) { uitest::Click(Child(w(), name)); }
  QString Text(const char *name) { return Child<QLineEdit>(w(), name)->text(); }
  QString Status() { return Child<QLabel>(w(), "stsBar")->text(); }

  void SelectDevice(int row) { uitest::SelectDevice(w(), row); }
  QStringList Messages() const { return prompter.messages(); }
  const common::ScriptedPrompter::Shown &Last() const { return prompter.shown.back(); }
};

} // namespace tollen::uitest
