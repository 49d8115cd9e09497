#pragma once

#include <functional>
#include <ostream>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "common/testing/RecordingPort.h"
#include "common/testing/ScriptedPrompter.h"
#include "common/widgets/GuardedApplication.h"
#include "rindle/engine/IspEngine.h"

// Readable failure messages for texts.
inline void PrintTo(const QString &text, std::ostream *out) {
  *out << '"' << text.toStdString() << '"';
}

namespace rindle::testing {

// Names table cases after their `name` field.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case> &info) const {
    return info.param.name;
  }
};

// An engine on a recording port, a scripted prompter that also takes the
// general error box, and helpers that drive widgets with real events.
class DialogTest : public ::testing::Test {
protected:
  DialogTest() : engine(port, port) { app()->setPrompter(&prompter); }
  ~DialogTest() override { app()->setPrompter(nullptr); }

  static common::GuardedApplication *app() {
    return static_cast<common::GuardedApplication *>(QCoreApplication::instance());
  }

  void Select(std::uint16_t device) {
    engine.Device.DeviceIndex = device;
    engine.SelectDevice();
  }

  template <class W>
  static W *Find(QWidget &parent, const char *name) {
    W *w = parent.findChild<W *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  static void Click(QWidget *w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
  }

  // Puts the focus in a field, empties it and types the text key by key.
  static void Type(QLineEdit *field, const QString &text) {
    ASSERT_NE(field, nullptr);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
  }

  // Runs `script` on the modal dialog that the next exec() opens.
  static void WhenModal(std::function<void(QDialog &)> script) {
    QTimer::singleShot(0, [script = std::move(script)] {
      auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "no modal dialog open";
      script(*dialog);
      if (dialog->isVisible())
        dialog->reject();
    });
  }

  // A window's picture under the build folder, for a person to look at.
  static void Screenshot(QWidget &w, const QString &name) {
    const QString dir = QStringLiteral(SUITE_BIN_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(w.grab().save(file)) << file.toStdString();
  }

  common::RecordingPort port;
  common::ScriptedPrompter prompter;
  IspEngine engine;
};

} // namespace rindle::testing
