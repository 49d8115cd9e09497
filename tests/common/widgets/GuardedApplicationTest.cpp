#include "common/widgets/GuardedApplication.h"
#include "common/testing/ScriptedPrompter.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using common::GuardedApplication;
using common::Prompter;
using common::ScriptedPrompter;

GuardedApplication &app() { return *static_cast<GuardedApplication *>(qApp); }

// A field whose handler meets text that is not a number, as a window's
// handler does when it converts a field.
class ThrowingField : public QLineEdit {
public:
  explicit ThrowingField(std::string what) : what_(std::move(what)) {}

protected:
  void keyPressEvent(QKeyEvent *) override { throw std::invalid_argument(what_); }

private:
  std::string what_;
};

class CountingWindow : public QMainWindow {
public:
  int closes = 0;

protected:
  void closeEvent(QCloseEvent *e) override {
    ++closes;
    QMainWindow::closeEvent(e);
  }
};

struct ErrorCase {
  const char *name;
  const char *thrown;
  const char *shown;
};

class ErrorBox : public testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorBox, ShowsTheMessageWithAFullStopAndTheProgramGoesOn) {
  ScriptedPrompter prompter;
  app().setPrompter(&prompter);
  ThrowingField field(GetParam().thrown);
  field.show();
  QTest::keyClick(&field, Qt::Key_Return);
  QTest::keyClick(&field, Qt::Key_Return);
  app().setPrompter(nullptr);

  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].caption, QStringLiteral(" Rindle"));
  EXPECT_EQ(prompter.shown[0].text, QString::fromUtf8(GetParam().shown));
  EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Error);
}

INSTANTIATE_TEST_SUITE_P(Messages, ErrorBox,
                         testing::Values(ErrorCase{"Conversion", "'$' is not a valid integer value",
                                                   "'$' is not a valid integer value."},
                                         ErrorCase{"EndsWithFullStop", "Disk full.", "Disk full."}),
                         [](const testing::TestParamInfo<ErrorCase> &c) {
                           return std::string(c.param.name);
                         });

TEST(CloseAll, ClosesTheVisibleMainWindowsSoTheyRunTheirExitCode) {
  CountingWindow shown;
  CountingWindow hidden;
  shown.show();
  app().closeAll();
  EXPECT_EQ(shown.closes, 1);
  EXPECT_EQ(hidden.closes, 0);
  EXPECT_FALSE(shown.isVisible());
}

TEST(CloseAll, ATerminateSignalClosesTheMainWindow) {
  CountingWindow window;
  window.show();
  std::raise(SIGTERM);
  QTRY_COMPARE_WITH_TIMEOUT(window.closes, 1, 5000);
  EXPECT_FALSE(window.isVisible());
}

} // namespace
