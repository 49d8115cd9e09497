#pragma once

// The real windows of a run on the simulated bench, with scripted answers
// to every message and file dialog.

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "common/testing/ScriptedPrompter.h"
#include "isp/hardware/IspHardware.h"
#include "rindle/ui/RindleProgram.h"
#include "isp/widgets/TfrmCmdSts.h"
#include "rindle/ui/TfrmMain.h"
#include "tests/rindle/data/DataTestSupport.h"

namespace rindle::uitest {

using rindle::testing::ReadAll;
inline QString Fixture(const QString &name) { return rindle::testing::DataFixture(name); }

// Saves a picture of a window under the build folder for a person to look at.
inline void Screenshot(QWidget *window, const QString &name) {
  const QString folder = QDir::cleanPath(QStringLiteral(SUITE_BIN_DIR "/../screenshots"));
  QDir().mkpath(folder);
  const QString file = folder + u'/' + name + QStringLiteral(".png");
  EXPECT_TRUE(window->grab().save(file)) << file.toStdString();
}

struct WindowRig {
  // folder: settings and chip files (a fresh one when empty); examples:
  // where the open dialogs start on a first start.
  explicit WindowRig(QString fixedChip = {}, bool realDelays = false, QString folder = {},
                     QString examples = {})
      : folder_(folder.isEmpty() ? temp.path() : folder) {
    ui::ProgramSetup setup;
    setup.examplesFolder = std::move(examples);
    auto hardware = std::make_unique<SimulatedHardware>(folder_, std::move(fixedChip), realDelays);
    sim = hardware.get();
    setup.hardware = std::move(hardware);
    setup.simulated = true;
    setup.settingsFolder = folder_;
    setup.prompter = &prompter;
    program = std::make_unique<ui::RindleProgram>(std::move(setup));
    main().show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&main()));
  }

  ui::TfrmMain &main() { return program->main(); }
  template <typename T = QPushButton>
  T *find(const char *name) {
    T *w = main().findChild<T *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void click(const char *name) { QTest::mouseClick(find(name), Qt::LeftButton); }
  QString field(const char *name) { return find<QLineEdit>(name)->text(); }

  // Picks a row of the device list in its popup: a click opens it, the
  // arrow keys walk to the row and Return takes it.
  void chooseDevice(int row) {
    auto *list = find<QComboBox>("cboType");
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView *view = list->view();
    ASSERT_TRUE(view->isVisible());
    const int from = view->currentIndex().row();
    const auto key = row > from ? Qt::Key_Down : Qt::Key_Up;
    for (int i = 0; i < std::abs(row - from); ++i)
      QTest::keyClick(view, key);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_FALSE(view->isVisible());
  }

  // Runs a File menu item: a click on the menu's title opens it, the item's
  // accelerator letter runs it.
  void fileMenu(Qt::Key item) {
    auto *menu = main().findChild<QMenu *>("mnuFile");
    ASSERT_NE(menu, nullptr);
    QMenuBar *bar = main().menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, item);
  }

  // Runs `step` each time the engine lets events run, until it returns true.
  void duringOperation(std::function<bool()> step) {
    auto *timer = new QTimer(&main());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
      if (step()) {
        timer->stop();
        timer->deleteLater();
      }
    });
    timer->start();
  }

  QString lastShown() const {
    if (prompter.shown.empty())
      return QStringLiteral("(nothing)");
    const auto &s = prompter.shown.back();
    return s.caption + u'|' + s.text;
  }

  QTemporaryDir temp;
  QString folder_;
  common::ScriptedPrompter prompter;
  SimulatedHardware *sim = nullptr;
  std::unique_ptr<ui::RindleProgram> program;
};

// Readable names for table cases: each parameter type has a `name`.
struct CaseName {
  template <typename P>
  std::string operator()(const ::testing::TestParamInfo<P> &info) const {
    return info.param.name;
  }
};

} // namespace rindle::uitest
