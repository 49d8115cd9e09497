// The device dialog, the buffer view and the About box, opened from the main
// window and driven with keys and the mouse.
#include "LoaderFixture.h"

#include "orvane/hexview/TVelaHexEditor.h"
#include "orvane/ui/TAboutBox.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <sys/stat.h>
#include <unistd.h>

namespace uitest {
namespace {

using orvane::hexview::TVelaHexEditor;

class DeviceDialogTest : public LoaderFixture {
protected:
  void SetUp() override {
    LoaderFixture::SetUp();
    start();
  }

  // Opens the dialog with the Device Select button and runs act in it.
  void withDialog(const std::function<void(orvane::TfrmDevices *)> &act) {
    bool seen = false;
    whenModal([&](QWidget *w) {
      auto *d = qobject_cast<orvane::TfrmDevices *>(w);
      ASSERT_NE(d, nullptr);
      seen = true;
      act(d);
      if (d->isVisible())
        d->reject();
    });
    QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_TRUE(seen);
  }

  static QStringList names(QTableView *grid) {
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
      out << grid->model()->index(r, 0).data().toString();
    return out;
  }

  QString device() { return control<QLabel>("lblDevice")->text(); }
};

TEST_F(DeviceDialogTest, FilterThenEnterEnterSelects) {
  withDialog([&](orvane::TfrmDevices *d) {
    auto *filter = d->findChild<QLineEdit *>("txtFilter");
    auto *grid = d->findChild<QTableView *>("DBGrid1");
    ASSERT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }));
    EXPECT_TRUE(filter->hasFocus());
    EXPECT_GT(grid->model()->rowCount(), 10);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Device"));
    EXPECT_EQ(grid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Type"));
    QTest::keyClicks(filter, QStringLiteral("s52"));
    EXPECT_EQ(names(grid), (QStringList{"AT89S52", "AT89LS52"}));
    saveScreenshot(d, QStringLiteral("orvane-device-dialog"));
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_TRUE(d->isVisible()) << "the first Enter only moves to the grid";
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_FALSE(d->isVisible());
  });
  EXPECT_EQ(device(), QStringLiteral("AT89S52"));
  EXPECT_EQ(main().core().settings.LastDevice, QStringLiteral("AT89S52"));
}

TEST_F(DeviceDialogTest, DoubleClickSelectsTheRow) {
  withDialog([&](orvane::TfrmDevices *d) {
    auto *grid = d->findChild<QTableView *>("DBGrid1");
    const QModelIndex third = grid->model()->index(2, 1);
    const QString name = grid->model()->index(2, 0).data().toString();
    const QPoint at = grid->visualRect(third).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(name, QStringLiteral("AT89C52"));
  });
  EXPECT_EQ(device(), QStringLiteral("AT89C52"));
}

TEST_F(DeviceDialogTest, EmptyFilterShowsAllAndCancelOrEmptyOkChangeNothing) {
  const QString before = device();
  withDialog([&](orvane::TfrmDevices *d) {
    auto *filter = d->findChild<QLineEdit *>("txtFilter");
    auto *grid = d->findChild<QTableView *>("DBGrid1");
    const int all = grid->model()->rowCount();
    QTest::keyClicks(filter, QStringLiteral("zz"));
    EXPECT_EQ(grid->model()->rowCount(), 0);
    QTest::keyClick(filter, Qt::Key_Backspace);
    QTest::keyClick(filter, Qt::Key_Backspace);
    EXPECT_EQ(grid->model()->rowCount(), all);
    QTest::keyClicks(filter, QStringLiteral("zz"));
    QTest::mouseClick(d->findChild<QPushButton *>("btnOK"), Qt::LeftButton);
  });
  EXPECT_EQ(device(), before);
  withDialog([&](orvane::TfrmDevices *d) {
    QTest::keyClicks(d->findChild<QLineEdit *>("txtFilter"), QStringLiteral("c51"));
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
  });
  EXPECT_EQ(device(), before);
  EXPECT_TRUE(prompter.shown.empty());
}

class BufferViewTest : public LoaderFixture {
protected:
  // Opens the buffer view with the Buffer button and runs act in it.
  void withView(const std::function<void(orvane::TfrmHexEdit *, TVelaHexEditor *)> &act) {
    bool seen = false;
    whenModal([&](QWidget *w) {
      auto *d = qobject_cast<orvane::TfrmHexEdit *>(w);
      ASSERT_NE(d, nullptr);
      seen = true;
      EXPECT_TRUE(QFile::exists(path("orvane.tmp")));
      act(d, d->editor());
      if (d->isVisible())
        d->reject();
    });
    QTest::mouseClick(control<QPushButton>("btnBufferView"), Qt::LeftButton);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(QFile::exists(path("orvane.tmp")));
  }

  std::uint8_t image(int at) {
    return main().core().buffer.ImageArea[static_cast<std::size_t>(at)];
  }
};

TEST_F(BufferViewTest, EditAndOkChangesTheBufferCancelDoesNot) {
  start();
  main().core().buffer.ImageArea[0x100] = 0x5A;
  main().core().buffer.ImageArea[0x101] = 0xA5;
  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    withView([&](orvane::TfrmHexEdit *d, TVelaHexEditor *view) {
      EXPECT_EQ(view->DataSize(), 65536);
      view->SetSelectionStart(0x100);
      QTest::keyClicks(view, QStringLiteral("12"));
      if (ok)
        saveScreenshot(d, QStringLiteral("orvane-buffer-view"));
      QTest::mouseClick(d->findChild<QPushButton *>(ok ? "btnOK" : "btnCancel"), Qt::LeftButton);
      EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(image(0x100), ok ? 0x12 : 0x5A);
    EXPECT_EQ(image(0x101), 0xA5) << "the byte after is untouched";
  }
  EXPECT_TRUE(prompter.shown.empty());
}

struct SearchCase {
  const char *name;
  bool findHex, ignoreCase;
  const char *text;
  qint64 caret;
  // Selection after each press of Search: {start, end}; {-1, -1} = the
  // message below, the selection unchanged.
  std::vector<std::pair<qint64, qint64>> presses;
  const char *message = "Not found.";
};

void PrintTo(const SearchCase &c, std::ostream *os) { *os << c.name; }

class SearchTest : public BufferViewTest, public testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, Presses) {
  const SearchCase &c = GetParam();
  start();
  auto &area = main().core().buffer.ImageArea;
  std::fill(area.begin(), area.end(), 0xFF);
  // The character pane shows 0x80 as the euro sign.
  const char text[] = "xxABCxxabc?\x80";
  std::copy(text, text + 12, area.begin() + 0x200);
  withView([&](orvane::TfrmHexEdit *d, TVelaHexEditor *view) {
    auto *hexBox = d->findChild<QCheckBox *>("chkFindHex");
    auto *caseBox = d->findChild<QCheckBox *>("chkIgnoreCase");
    if (hexBox->isChecked() != c.findHex)
      QTest::mouseClick(hexBox, Qt::LeftButton, {}, QPoint(4, hexBox->height() / 2));
    if (caseBox->isChecked() != c.ignoreCase)
      QTest::mouseClick(caseBox, Qt::LeftButton, {}, QPoint(4, caseBox->height() / 2));
    auto *search = d->findChild<QLineEdit *>("txtSearch");
    search->clear();
    // Key by key, with the characters the keyboard types.
    for (const QChar ch : QString::fromUtf8(c.text))
      QTest::sendKeyEvent(QTest::Click, search, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    view->SetSelectionStart(c.caret);
    for (const auto &[from, to] : c.presses) {
      const std::size_t messages = prompter.shown.size();
      const qint64 oldStart = view->SelectionStart(), oldEnd = view->SelectionEnd();
      QTest::mouseClick(d->findChild<QPushButton *>("btnSearch"), Qt::LeftButton);
      if (from < 0) {
        ASSERT_EQ(prompter.shown.size(), messages + 1);
        EXPECT_EQ(prompter.shown.back().text, QString::fromUtf8(c.message));
        EXPECT_EQ(view->SelectionStart(), oldStart);
        EXPECT_EQ(view->SelectionEnd(), oldEnd);
      } else {
        EXPECT_EQ(prompter.shown.size(), messages);
        EXPECT_EQ(std::min(view->SelectionStart(), view->SelectionEnd()), from);
        EXPECT_EQ(std::max(view->SelectionStart(), view->SelectionEnd()), to);
      }
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchTest,
    testing::Values(
        SearchCase{"HexPairsThenTheNextMatch", true, false, "FF FF", 0, {{0, 1}, {2, 3}}},
        SearchCase{"TextIgnoringCaseFindsUpperCase", false, true, "abc", 0, {{0x202, 0x204}}},
        SearchCase{"TextWithCaseSkipsUpperCase", false, false, "abc", 0, {{0x207, 0x209}}},
        SearchCase{"HexWithoutACompletePairDoesNothing", true, false, "G1", 5, {{5, 5}}},
        SearchCase{"HexSkipsOtherCharacters", true, false, "41 42-43", 0, {{0x202, 0x204}}},
        SearchCase{"StartPastTheLastFit", true, false, "FFFF", 65535, {{-1, -1}}},
        SearchCase{"RepeatUntilNotFound", false, true, "abc", 0x203, {{0x207, 0x209}, {-1, -1}}},
        SearchCase{"EuroFindsTheByteThePaneShowsIt", false, false, "\u20AC", 0, {{0x20B, 0x20B}}},
        SearchCase{"TextAroundTheEuro", false, true, "C?\u20AC", 0, {{0x209, 0x20B}}},
        SearchCase{"CharacterOutsideTheCodePageIsReported", false, false, "c\u03A9", 0, {{-1, -1}},
                   "The character \"\u03A9\" has no byte in the character pane's code page; it "
                   "cannot be searched for."}),
    [](const testing::TestParamInfo<SearchCase> &p) { return std::string(p.param.name); });

TEST_F(BufferViewTest, TemporaryFileThatCannotBeWrittenGivesTheIoError) {
  start();
  // A folder where the file should go: no write can succeed, whoever runs.
  ASSERT_TRUE(QDir(dir.path()).mkdir("orvane.tmp"));
  QTest::mouseClick(control<QPushButton>("btnBufferView"), Qt::LeftButton);
  EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("I/O error %1").arg(EISDIR)});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(BufferViewTest, ReadOnlyProgramFolderGivesTheIoError) {
  if (geteuid() == 0)
    GTEST_SKIP() << "the superuser writes into read-only folders";
  start();
  ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
  QTest::mouseClick(control<QPushButton>("btnBufferView"), Qt::LeftButton);
  chmod(QFile::encodeName(dir.path()).constData(), 0755);
  EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("I/O error %1").arg(EACCES)});
}

TEST_F(LoaderFixture, AboutBoxShowsTheVersionRightAfterTheColon) {
  start();
  bool seen = false;
  whenModal([&](QWidget *w) {
    auto *about = qobject_cast<orvane::TAboutBox *>(w);
    ASSERT_NE(about, nullptr);
    seen = true;
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about->findChild<QLabel *>("Version")->text(), QStringLiteral("Version :5.4"));
    saveScreenshot(about, QStringLiteral("orvane-about"));
    QTest::keyClick(about, Qt::Key_Return);
    EXPECT_FALSE(about->isVisible());
  });
  main().findChild<QAction *>("HelpAbout1")->trigger();
  EXPECT_TRUE(seen);
}

} // namespace
} // namespace uitest
