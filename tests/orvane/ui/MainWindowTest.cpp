// The main window against the emulated box: the function list and its
// buttons, the status log, what a running function refuses and allows.
#include "LoaderFixture.h"

#include "orvane/link/Sequencer.h"
#include "orvane/ui/TAboutBox.h"
#include "orvane/ui/THyperlinkLabel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <stdexcept>

namespace uitest {
namespace {

using orvane::kAutoProgram;
using orvane::kProgram;
using orvane::kRead;
using orvane::kSignature;
using orvane::kVerify;

QString bytesRead(int n) {
  return QString::number(n) +
         QStringLiteral(
             " Bytes read, Use File>Save Buffer as HEX to save the buffer content to HEX file.");
}

const Log kErased = {P("Erasing..."), R("Erased, Chip should be blank now")};
const Log kWrite1000 = {P("Setting Write Counter..."), R("1000 bytes"),
                        P("Writing, Please wait..."), R("1000 Bytes written, Verify Pending")};
const Log kReadBack1000 = {P("Setting Read Counter..."), R("1000 bytes"),
                           P("Reading to Verify, Please wait..."), R(bytesRead(1000))};

class MainWindowTest : public LoaderFixture {
protected:
  // A 1000-byte file loaded at start, reloaded before every function.
  void startWithFile() {
    hex = writeHex("work/image.hex", 1000);
    writeFile("user.ini", ("[Global]\nLastFile=" + hex + "\nLastDevice=AT89S51\n").toUtf8());
    start();
  }

  std::vector<std::uint8_t> imageBytes(int count) {
    const auto &image = main().core().buffer.ImageArea;
    return {image.begin(), image.begin() + count};
  }

  QString hex;
};

TEST_F(MainWindowTest, IdleWindowAfterStart) {
  startWithFile();
  EXPECT_EQ(main().windowTitle(), QStringLiteral("Orvane v5.4 - Kelmora Technologies "));
  auto *models = control<QComboBox>("cmbModel");
  ASSERT_EQ(models->count(), 3);
  EXPECT_EQ(models->currentText(), QStringLiteral("2207-5130 v2"));
  EXPECT_EQ(control<QLabel>("lblModel")->text(), QStringLiteral("51 Series Flash Programmer v2"));
  EXPECT_EQ(control<QComboBox>("SerialCombo")->currentText(), QString::fromStdString(box->Path()));
  EXPECT_EQ(main().port().BaudRate(), 57600);
  EXPECT_EQ(control<QLineEdit>("txtFileName")->text(), hex);
  EXPECT_EQ(control<QLabel>("lblBytesLoaded")->text(), QStringLiteral("1000 bytes"));
  EXPECT_EQ(control<QLabel>("lblDevice")->text(), QStringLiteral("AT89S51"));
  EXPECT_EQ(control<QLabel>("lblFlash")->text(), QStringLiteral("4096"));
  EXPECT_FALSE(control<QLabel>("imgDevice")->pixmap().isNull());
  EXPECT_EQ(functionList()->count(), 8);
  EXPECT_EQ(functionList()->currentRow(), kAutoProgram);
  EXPECT_TRUE(control<QPushButton>("btnAuto")->isVisible());
  EXPECT_FALSE(control<QPushButton>("btnFunction")->isVisible());
  EXPECT_TRUE(control<QCheckBox>("chkVerify")->isChecked());
  EXPECT_FALSE(control<QCheckBox>("chkLock")->isChecked());
  EXPECT_TRUE(prompter.shown.empty());
  saveScreenshot(&main(), QStringLiteral("orvane-main-idle"));
}

TEST_F(MainWindowTest, FunctionButtonFollowsTheSelection) {
  start();
  auto *button = control<QPushButton>("btnFunction");
  auto *autoButton = control<QPushButton>("btnAuto");
  EXPECT_EQ(button->text(), QStringLiteral("Auto Program"));
  clickFunction(kRead);
  EXPECT_EQ(button->text(), QStringLiteral("Read"));
  EXPECT_TRUE(button->isVisible());
  EXPECT_FALSE(autoButton->isVisible());
  QTest::keyClick(functionList(), Qt::Key_Up);
  EXPECT_EQ(button->text(), QStringLiteral("Lock"));
  clickFunction(kAutoProgram);
  EXPECT_TRUE(autoButton->isVisible());
  EXPECT_FALSE(button->isVisible());
}

enum class Start { DoubleClick, Enter, Button };

struct RunCase {
  const char *name;
  int function;
  Start how;
  bool chipHoldsTheFile; // the chip was programmed with the file before
  Log expected;
};

void PrintTo(const RunCase &c, std::ostream *os) { *os << c.name; }

class FunctionRunTest : public MainWindowTest, public testing::WithParamInterface<RunCase> {};

TEST_P(FunctionRunTest, StatusLogLinesAndColours) {
  const RunCase &c = GetParam();
  startWithFile();
  if (c.chipHoldsTheFile) {
    std::vector<std::uint8_t> chip = imageBytes(1000);
    chip.resize(4096, 0xFF);
    box->SetFlash(chip);
  }
  switch (c.how) {
  case Start::DoubleClick: doubleClickFunction(c.function); break;
  case Start::Enter:
    clickFunction(c.function);
    QTest::keyClick(functionList(), Qt::Key_Return);
    break;
  case Start::Button:
    clickFunction(c.function);
    QTest::mouseClick(control<QPushButton>(c.function == kAutoProgram ? "btnAuto" : "btnFunction"),
                      Qt::LeftButton);
    break;
  }
  EXPECT_TRUE(main().Busy());
  ASSERT_TRUE(waitIdle());
  EXPECT_EQ(statusLog(), c.expected);
  EXPECT_FALSE(main().port().Connected());
  EXPECT_EQ(functionList()->currentRow(), c.function);
  EXPECT_TRUE(prompter.shown.empty());
  if (c.function == kProgram || c.function == kAutoProgram) {
    // The box takes the last byte on its own thread, a moment after the
    // loader handed it to the driver.
    const auto image = imageBytes(1000);
    const auto written = [&] {
      const auto flash = box->Flash();
      return std::equal(flash.begin(), flash.begin() + 1000, image.begin());
    };
    (void)QTest::qWaitFor(written, 5000);
    EXPECT_TRUE(written());
  }
  if (c.function == kAutoProgram)
    saveScreenshot(&main(), QStringLiteral("orvane-main-after-auto-program"));
}

INSTANTIATE_TEST_SUITE_P(
    Functions, FunctionRunTest,
    testing::Values(RunCase{"ProgramByDoubleClick", kProgram, Start::DoubleClick, false,
                            detected() + kErased + Log{P("Blank Check..."), R("OK")} + kWrite1000},
                    RunCase{"VerifyByEnter", kVerify, Start::Enter, true,
                            detected() + kReadBack1000 + Log{R("Verify Succesful")}},
                    RunCase{"ReadByButton", kRead, Start::Button, false,
                            detected() + Log{P("Chip Size..."), R("4096 Bytes"),
                                             P("Setting Read Counter..."), R("4096 bytes"),
                                             P("Reading, Please wait..."), R(bytesRead(4096))}},
                    RunCase{"AutoProgramByItsButton", kAutoProgram, Start::Button, false,
                            detected() + kErased + Log{P("Verifying Erase..."), R("OK")} +
                                kWrite1000 + kReadBack1000 +
                                Log{P("Verifying..."), R("Verify Succesful"),
                                    P("Reading chip info..."),
                                    R("1000 Bytes Used Approximately")}}),
    [](const testing::TestParamInfo<RunCase> &p) { return std::string(p.param.name); });

TEST_F(MainWindowTest, VerifyDifferenceShowsTwoLinesAndKeepsTheBuffer) {
  startWithFile();
  box->SetFlash(std::vector<std::uint8_t>(4096, 0xFF));
  const auto before = imageBytes(1000);
  doubleClickFunction(kVerify);
  ASSERT_TRUE(waitIdle());
  const Log failed = {R("Verify Failed at address 1"), {"   Try re-inserting chip", kBlack}};
  EXPECT_EQ(statusLog(), detected() + kReadBack1000 + failed);
  EXPECT_EQ(imageBytes(1000), before);
}

// The step timer set so long that the first step keeps the function running
// while the test tries everything else; a short tick then lets it end.
class BusyWindowTest : public MainWindowTest {
protected:
  void startLongFunction() {
    startWithFile();
    main().sequencer().SetTickInterval(600000);
    doubleClickFunction(kSignature);
    ASSERT_TRUE(main().Busy());
    log = statusLog();
    ASSERT_EQ(log, Log{P("Detecting Hardware...")});
  }

  void finish() {
    main().sequencer().SetTickInterval(kTick);
    ASSERT_TRUE(waitIdle());
  }

  Log log;
};

TEST_F(BusyWindowTest, RefusedWhileAFunctionRuns) {
  startLongFunction();
  const QString temp = path("orvane.tmp");
  QTest::mouseClick(control<QPushButton>("btnBrowse"), Qt::LeftButton);
  QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
  QTest::mouseClick(control<QPushButton>("btnBufferView"), Qt::LeftButton);
  QTest::keyClick(&main(), Qt::Key_M, Qt::ControlModifier);
  QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
  // A second function, by each way of starting one.
  QTest::mouseDClick(functionList()->viewport(), Qt::LeftButton, {}, itemCenter(kSignature));
  QTest::keyClick(functionList(), Qt::Key_Return);
  QTest::mouseClick(control<QPushButton>("btnAuto"), Qt::LeftButton);
  EXPECT_TRUE(prompter.shown.empty()) << "no open dialog, no device dialog";
  EXPECT_FALSE(QFile::exists(temp));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(statusLog(), log) << "a second start would have cleared the log";
  EXPECT_TRUE(main().port().Connected());
  finish();
  EXPECT_EQ(statusLog(), detected());
}

TEST_F(BusyWindowTest, AllowedWhileAFunctionRuns) {
  startLongFunction();
  // Help, save, check boxes, the function list.
  QTest::keyClick(&main(), Qt::Key_F1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(path("orvane.html")));
  QTest::keyClick(&main(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, common::ScriptedPrompter::Shown::Kind::SaveFile);
  auto *lock = control<QCheckBox>("chkLock");
  // On the box itself: the check box may be wider than its caption.
  QTest::mouseClick(lock, Qt::LeftButton, {}, QPoint(4, lock->height() / 2));
  EXPECT_EQ(main().core().settings.Lock, 1);
  clickFunction(kRead);
  EXPECT_EQ(control<QPushButton>("btnFunction")->text(), QStringLiteral("Read"));

  // The device dialog opens with Ctrl+D.
  bool dialogSeen = false;
  whenModal([&](QWidget *w) {
    dialogSeen = qobject_cast<orvane::TfrmDevices *>(w) != nullptr;
    QTest::keyClick(w, Qt::Key_Escape);
  });
  QTest::keyClick(&main(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(dialogSeen);

  // The About box.
  bool aboutSeen = false;
  whenModal([&](QWidget *w) {
    aboutSeen = qobject_cast<orvane::TAboutBox *>(w) != nullptr;
    QTest::keyClick(w, Qt::Key_Return);
  });
  main().findChild<QAction *>("HelpAbout1")->trigger();
  EXPECT_TRUE(aboutSeen);

  // The model box acts on the open port.
  auto *models = control<QComboBox>("cmbModel");
  models->setFocus();
  QTest::keyClick(models, Qt::Key_Down);
  EXPECT_EQ(models->currentText(), QStringLiteral("2207-5130"));
  EXPECT_EQ(main().port().BaudRate(), 19200);
  QTest::keyClick(models, Qt::Key_Up);
  EXPECT_EQ(main().port().BaudRate(), 57600);

  // The recent-devices menu and its Clear List.
  main().core().LoadDevice(QStringLiteral("AT89S52"));
  QAction *older = nullptr;
  for (QAction *a : main().findChild<QMenu *>("RecentDevices1")->actions())
    if (a->text() == QStringLiteral("&2 AT89S51"))
      older = a;
  ASSERT_NE(older, nullptr);
  older->trigger();
  EXPECT_EQ(control<QLabel>("lblDevice")->text(), QStringLiteral("AT89S51"));
  main().findChild<QAction *>("ClearRecentDevices1")->trigger();
  EXPECT_TRUE(main().core().HistoryFiles2.items().empty());

  finish();
  EXPECT_EQ(statusLog(), detected());
  // The function carried on as itself: the selection was put back.
  EXPECT_EQ(functionList()->currentRow(), kSignature);
}

TEST_F(MainWindowTest, ModelChangeSwitchesSpeedAndRecentDevices) {
  writeFile("user.ini", "[Global]\nLastDevice=AT89S51\n");
  start();
  QMenu *devices = main().findChild<QMenu *>("RecentDevices1");
  auto captions = [devices] {
    QStringList out;
    for (QAction *a : devices->actions())
      if (a->isVisible())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
  };
  EXPECT_EQ(captions(), (QStringList{"&Select Device...", "&1 AT89S51", "&Clear List"}));
  auto *models = control<QComboBox>("cmbModel");
  models->setFocus();
  QTest::keyClick(models, Qt::Key_End);
  EXPECT_EQ(models->currentText(), QStringLiteral("2207-2051"));
  EXPECT_EQ(main().port().BaudRate(), 38400);
  EXPECT_EQ(control<QLabel>("lblModel")->text(), QStringLiteral("20-pin 51 Series Programmer"));
  EXPECT_EQ(captions(), (QStringList{"&Select Device...", "&Clear List"}));

  // Clear List empties only the current model's list.
  main().core().LoadDevice(QStringLiteral("AT89C2051"));
  EXPECT_EQ(captions(), (QStringList{"&Select Device...", "&1 AT89C2051", "&Clear List"}));
  main().findChild<QAction *>("ClearRecentDevices1")->trigger();
  EXPECT_EQ(captions(), (QStringList{"&Select Device...", "&Clear List"}));
  QTest::keyClick(models, Qt::Key_Home);
  EXPECT_EQ(captions(), (QStringList{"&Select Device...", "&1 AT89S51", "&Clear List"}));
}

TEST_F(MainWindowTest, RecentFileClickLoadsIt) {
  const QString big = writeHex("a/big.hex", 2000);
  const QString small = writeHex("b/small.hex", 300);
  start();
  prompter.fileNames = {big, small};
  QTest::mouseClick(control<QPushButton>("btnBrowse"), Qt::LeftButton);
  QTest::keyClick(&main(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(control<QLabel>("lblBytesLoaded")->text(), QStringLiteral("300 bytes"));

  QMenu *recent = main().findChild<QMenu *>("OpenRecentFiles1");
  ASSERT_EQ(recent->actions().size(), 2);
  QAction *second = recent->actions()[1];
  EXPECT_EQ(second->text(), QStringLiteral("&2 ") + big);
  recent->popup(main().mapToGlobal(QPoint(10, 10)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(recent));
  QTest::mouseClick(recent, Qt::LeftButton, {}, recent->actionGeometry(second).center());
  EXPECT_EQ(control<QLabel>("lblBytesLoaded")->text(), QStringLiteral("2000 bytes"));
  EXPECT_EQ(control<QLineEdit>("txtFileName")->text(), big);
  EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("&1 ") + big);
}

TEST_F(MainWindowTest, BoxLostDuringProgram) {
  box->Stop();
  sim::BoxFaults faults;
  faults.dropAfterWriteBytes = 400;
  startBox(faults);
  startWithFile();
  doubleClickFunction(kProgram);
  ASSERT_TRUE(waitIdle());
  const Log log = statusLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], P("Writing, Please wait..."));
  EXPECT_EQ(log.back().color, kBlack) << "the function ends with its message";
  EXPECT_FALSE(log.back().text.contains(QStringLiteral("Bytes written")));
  EXPECT_FALSE(main().port().Connected());
  // The window takes input again.
  clickFunction(kRead);
  EXPECT_EQ(control<QPushButton>("btnFunction")->text(), QStringLiteral("Read"));
  prompter.fileNames = {hex};
  QTest::mouseClick(control<QPushButton>("btnBrowse"), Qt::LeftButton);
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().kind, common::ScriptedPrompter::Shown::Kind::OpenFile);
}

TEST_F(MainWindowTest, LinksOpenTheirAddresses) {
  start();
  auto *model = control<orvane::THyperlinkLabel>("lblModel");
  QTest::mouseClick(model, Qt::LeftButton);
  auto *maker = control<orvane::THyperlinkLabel>("lblKelmoraHomePage");
  EXPECT_EQ(maker->color(), kGrey);
  QTest::mouseClick(maker, Qt::LeftButton);
  for (const char *item :
       {"MicrocontrollerDesignProjects1", "Inter1", "KelmorasHomePage1", "OrvanePage1"})
    main().findChild<QAction *>(item)->trigger();
  ASSERT_EQ(opened.size(), 6u);
  EXPECT_EQ(opened[0].toString(), orvane::weblinks::kProductPagePrefix + QStringLiteral("132"));
  EXPECT_EQ(opened[1].toString(), orvane::weblinks::kMakerHome);
  EXPECT_EQ(maker->color(), kBlack) << "clicked colour";
  EXPECT_EQ(model->color(), QColor(Qt::red));
  EXPECT_EQ(opened[2].toString(), orvane::weblinks::kProjectsSite);
  EXPECT_EQ(opened[3].toString(), orvane::weblinks::kSupportForum);
}

TEST_F(MainWindowTest, HoverShowsLinkColoursAndTheLongHint) {
  start();
  auto *maker = control<orvane::THyperlinkLabel>("lblKelmoraHomePage");
  auto *model = control<orvane::THyperlinkLabel>("lblModel");
  auto textColor = [](QWidget *w) { return w->palette().color(QPalette::WindowText); };
  EXPECT_EQ(textColor(maker), kGrey);
  QTest::mouseMove(maker);
  EXPECT_EQ(textColor(maker), QColor(Qt::red));
  EXPECT_TRUE(maker->font().underline());
  EXPECT_EQ(main().statusBar()->currentMessage(),
            QStringLiteral("Click to visit Kelmora's Home Page"));
  QTest::mouseMove(control<QPushButton>("btnBufferView"));
  EXPECT_EQ(textColor(maker), kGrey) << "colour back when the mouse leaves";
  EXPECT_EQ(main().statusBar()->currentMessage(),
            QStringLiteral("View and Edit Buffer Loaded in Memory"));
  QTest::mouseMove(model);
  EXPECT_EQ(textColor(model), QColor(Qt::red));
  EXPECT_TRUE(model->font().bold());
}

TEST(HyperlinkLabel, WithoutAParentWindowItCannotOpen) {
  orvane::THyperlinkLabel label(QStringLiteral("https://www.kelmora.example/"));
  int opened = 0;
  label.setOpener([&](const QUrl &) { return ++opened > 0; });
  EXPECT_THROW(
      {
        try {
          label.Navigate();
        } catch (const std::runtime_error &e) {
          EXPECT_STREQ(e.what(), "THyperlinkLabel.Navigate() Parent must be assigned.");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(opened, 0);
}

TEST(HyperlinkLabel, FailedOpenKeepsTheColour) {
  QWidget parent;
  auto *label = new orvane::THyperlinkLabel(QStringLiteral("caption"), &parent);
  label->HyperlinkPrefix = QStringLiteral("https://");
  QUrl asked;
  label->setOpener([&](const QUrl &url) {
    asked = url;
    return false;
  });
  label->Navigate();
  EXPECT_EQ(asked, QUrl(QStringLiteral("https://caption")));
  EXPECT_EQ(label->color(), QColor(Qt::blue));
  label->setOpener([](const QUrl &) { return true; });
  label->Navigate();
  EXPECT_EQ(label->color(), QColor(0x80, 0x00, 0x80));
}

TEST_F(MainWindowTest, ExitWritesTheSettingsButNotTheDryRunPort) {
  writeFile("user.ini", "[Communication]\ncomPort=/dev/ttyUSB7\n");
  start();
  EXPECT_EQ(main().port().Port(), QString::fromStdString(box->Path()));
  auto *verify = control<QCheckBox>("chkVerify");
  QTest::mouseClick(verify, Qt::LeftButton, {}, QPoint(4, verify->height() / 2));
  QTest::keyClick(&main(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_FALSE(main().isVisible());
  QFile ini(path("user.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QByteArray text = ini.readAll();
  EXPECT_TRUE(text.contains("comPort=/dev/ttyUSB7")) << text.toStdString();
  EXPECT_TRUE(text.contains("Verify=0")) << text.toStdString();
  EXPECT_TRUE(text.contains("programmerModel=2207-5130 v2")) << text.toStdString();
}

TEST_F(MainWindowTest, ShippedGuideDescribesEveryFunction) {
  QFile guide(QStringLiteral(SUITE_BIN_DIR "/orvane.html"));
  ASSERT_TRUE(guide.open(QIODevice::ReadOnly)) << "Help Topics opens it beside the program";
  const QString text = QString::fromUtf8(guide.readAll());
  for (const QString &name : orvane::FunctionNames())
    EXPECT_TRUE(text.contains(QStringLiteral("<dt>") + name + QStringLiteral("</dt>")))
        << name.toStdString();
}

TEST_F(MainWindowTest, MenuShortcutsAndHints) {
  start();
  struct Item {
    const char *name;
    QKeySequence keys;
    const char *tip, *status;
  } items[] = {
      {"FileOpen1", QKeySequence(Qt::CTRL | Qt::Key_O), "Open", "Open a file"},
      {"OpenRecentFiles1Action", QKeySequence(Qt::CTRL | Qt::Key_R), "Open recent loaded files",
       "Open recent loaded files"},
      {"FileSave1", QKeySequence(Qt::CTRL | Qt::Key_S), "Save loaded buffer as HEX file",
       "Save loaded buffer as HEX file"},
      {"ViewBuffer1", QKeySequence(Qt::CTRL | Qt::Key_M),
       "View and Edit Buffer loaded into memory from HEX file",
       "View and Edit Buffer loaded into memory from HEX file"},
      {"FileExit1", QKeySequence(Qt::CTRL | Qt::Key_X), "Exit", "Exit application"},
      {"SelectDevice1", QKeySequence(Qt::CTRL | Qt::Key_D), "Browse Device Database",
       "Browse Device Database"},
      {"HelpTopics1", QKeySequence(Qt::Key_F1), "Open Help Manual", "Open Help Manual"},
  };
  for (const Item &i : items) {
    auto *a = main().findChild<QAction *>(QString::fromLatin1(i.name));
    ASSERT_NE(a, nullptr) << i.name;
    EXPECT_EQ(a->shortcut(), i.keys) << i.name;
    EXPECT_EQ(a->toolTip(), QString::fromLatin1(i.tip)) << i.name;
    EXPECT_EQ(a->statusTip(), QString::fromLatin1(i.status)) << i.name;
  }
  QMenu *file = main().findChild<QMenu *>("File1");
  QStringList shape;
  for (QAction *a : file->actions())
    shape << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(shape, (QStringList{"&Open...", "Open &Recent Files", "-",
                                "Save &Buffer as HEX file...", "&View Buffer...", "-", "E&xit"}));
}

} // namespace
} // namespace uitest
