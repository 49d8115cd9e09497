// The main window's file commands on the older edition: every file is HEX,
// and a declined overwrite leaves the current program file as it was.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "common/testing/ScriptedPrompter.h"
#include "tests/tollen/engine/QuietView.h"
#include "tests/tollen/engine/TollenRig.h"

namespace tollen::testing {
namespace {

using Icon = common::Prompter::Icon;
using Kind = common::ScriptedPrompter::Shown::Kind;

class TollenFiles : public ::testing::Test {
protected:
  QTemporaryDir dir;
  sim::isp::Bench bench;
  TollenEngine engine{bench, bench};
  common::ScriptedPrompter prompter;
  QuietView view;
  MainCommands commands{engine, prompter, view};

  // A HEX file whose first cell holds `first`.
  QString Write(const char *name, std::uint8_t first) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    const auto sum = static_cast<std::uint8_t>(0x100 - ((1 + first) & 0xFF));
    f.write(QStringLiteral(":01000000%1%2\r\n:00000001FF\r\n")
                .arg(first, 2, 16, QLatin1Char('0'))
                .arg(sum, 2, 16, QLatin1Char('0'))
                .toUpper()
                .toLatin1());
    return path;
  }
  void Open(const QString &path) {
    prompter.fileNames = {path};
    commands.cmdOpenFileClick();
    ASSERT_EQ(engine.ProgramFileName, path) << prompter.messages().join(u'|').toStdString();
  }
};

TEST_F(TollenFiles, DecliningTheOverwriteKeepsTheOpenFileForReload) {
  const QString mine = Write("mine.hex", 0x12);
  const QString other = Write("other.hex", 0x34);
  Open(mine);
  const QString status = commands.StatusText;

  prompter.fileNames = {other};
  prompter.answers = {false};
  commands.cmdSaveFileClick();
  ASSERT_EQ(prompter.shown.back().kind, Kind::Question);
  EXPECT_EQ(engine.ProgramFileName, mine) << "the refused name is not the program file";
  EXPECT_EQ(commands.StatusText, status);

  engine.Cells.cells[0] = 0x00;
  commands.cmdReloadFileClick();
  EXPECT_EQ(prompter.shown.back().text, "MINE.HEX  reload OK");
  EXPECT_EQ(engine.Cells.cells[0], 0x12) << "reloaded the file the user kept, not the refused one";
}

TEST_F(TollenFiles, AnyNameReloadsAsHex) {
  // Opened through "All Files": the extension says nothing about the format.
  const QString text = Write("image.txt", 0x5A);
  prompter.filterChoices = {1};
  Open(text);
  engine.Cells.cells[0] = 0x00;
  commands.cmdReloadFileClick();
  EXPECT_EQ(prompter.shown.back().text, "IMAGE.TXT  reload OK");
  EXPECT_EQ(engine.Cells.cells[0], 0x5A);
}

TEST_F(TollenFiles, AFailedReloadBlanksTheBufferAndDropsTheName) {
  const QString path = Write("blink.hex", 0x12);
  Open(path);
  QFile damaged(path);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(":0100000012ED\r\n:01000100");
  damaged.close();
  engine.Cells.cells[1] = 0x00;
  const int refreshes = view.refreshes;
  commands.cmdReloadFileClick();
  EXPECT_EQ(prompter.shown.back().caption, "  Reload File");
  EXPECT_EQ(prompter.shown.back().icon, Icon::Warning);
  EXPECT_TRUE(engine.ProgramFileName.isEmpty());
  EXPECT_EQ(commands.StatusText, QString::fromLatin1(kIdleStatus));
  EXPECT_EQ(engine.Cells.cells[0], 0xFF);
  EXPECT_EQ(engine.Cells.cells[1], 0xFF);
  EXPECT_GT(view.refreshes, refreshes) << "the window shows the blank buffer's checksum";
}

TEST_F(TollenFiles, AReloadOfAFileThatIsGoneKeepsTheBufferAndTheName) {
  const QString path = Write("blink.hex", 0x12);
  Open(path);
  QFile::remove(path);
  engine.Cells.cells[1] = 0x00;
  const QString checksum = commands.ChecksumText;
  commands.cmdReloadFileClick();
  EXPECT_EQ(prompter.shown.back().caption, "  Reload File");
  EXPECT_EQ(prompter.shown.back().icon, Icon::Warning);
  EXPECT_EQ(prompter.shown.back().text,
            "File access error . . .\r" + path + "\rNo such file or directory");
  EXPECT_EQ(engine.ProgramFileName, path);
  EXPECT_EQ(commands.StatusText, u' ' + path);
  EXPECT_EQ(engine.Cells.cells[0], 0x12);
  EXPECT_EQ(engine.Cells.cells[1], 0x00);
  EXPECT_EQ(commands.ChecksumText, checksum);
}

TEST_F(TollenFiles, TheStatusBarSpellsThePathAsItIs) {
  const QString path = Write("Blink_UP.HEX", 0x12);
  Open(path);
  EXPECT_EQ(commands.StatusText, u' ' + path);
  prompter.fileNames = {dir.filePath("Saved_As")};
  commands.cmdSaveFileClick();
  EXPECT_EQ(commands.StatusText, u' ' + dir.filePath("Saved_As.hex"));
}

// What start-up found wrong with the files it read by itself is told once,
// after the fields are drawn, under the program's title.
TEST_F(TollenFiles, StartUpTellsWhatWasWrongWithItsFiles) {
  engine.SettingsPath = dir.filePath(QString::fromLatin1(kSettingsFileName));
  QFile settings(engine.SettingsPath);
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("888\r\n10\r\nthree\r\n");
  settings.close();
  engine.StoredFileNotices << QStringLiteral("chip state notice");
  const int refreshes = view.refreshes;
  commands.FormCreate();
  EXPECT_GT(view.refreshes, refreshes);
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text, "chip state notice");
  EXPECT_EQ(prompter.shown[1].caption, QString::fromLatin1(kTitle));
  EXPECT_EQ(prompter.shown[1].icon, Icon::Warning);
  EXPECT_TRUE(prompter.shown[1].text.startsWith(
      "Settings file error . . .\rLine 3: 'three' is not a valid integer value\r\r"));
  EXPECT_TRUE(prompter.shown[1].text.contains(engine.SettingsPath + ".bad"));
  EXPECT_TRUE(engine.StoredFileNotices.isEmpty());
  prompter.shown.clear();
  commands.InitForm1();
  EXPECT_TRUE(prompter.shown.empty()) << "told once";
}

TEST_F(TollenFiles, AFailedSaveDropsTheNameAndSaysWhy) {
  Open(Write("blink.hex", 0x12));
  prompter.fileNames = {dir.filePath("missing/out.hex")};
  commands.cmdSaveFileClick();
  ASSERT_EQ(prompter.shown.back().kind, Kind::Message);
  EXPECT_EQ(prompter.shown.back().caption, "  Save File");
  EXPECT_EQ(prompter.shown.back().icon, Icon::Error);
  EXPECT_TRUE(engine.ProgramFileName.isEmpty());
  EXPECT_EQ(engine.Cells.cells[0], 0x12) << "the buffer is untouched";
}

} // namespace
} // namespace tollen::testing
