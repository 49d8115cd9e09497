#include "common/testing/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <QDir>

using common::Prompter;
using common::ScriptedPrompter;

namespace {
// A folder and files in it, as the dialogs would name them on this machine.
QString Folder() { return QDir::tempPath(); }
QString InFolder(const char *name) { return Folder() + u'/' + QLatin1String(name); }
} // namespace

TEST(ScriptedPrompter, AnswersFromItsQueueThenNo) {
  ScriptedPrompter p;
  p.answers = {true};
  EXPECT_TRUE(p.question("  Rindle", "Continue ?", Prompter::Icon::Warning, false));
  EXPECT_FALSE(p.question("  Rindle", "Again ?", Prompter::Icon::Warning, true));
  ASSERT_EQ(p.shown.size(), 2u);
  EXPECT_EQ(p.shown[1].text, "Again ?");
  EXPECT_TRUE(p.shown[1].defaultYes);
}

TEST(ScriptedPrompter, RecordsMessagesAndFileDialogs) {
  ScriptedPrompter p;
  p.fileNames = {InFolder("a.hex")};
  p.message("  Read", "OK", Prompter::Icon::Information);
  EXPECT_EQ(p.openFileName("Open", Folder(), "*.hex"), InFolder("a.hex"));
  EXPECT_EQ(p.saveFileName("Save", Folder(), "", "*.hex"), "");
  EXPECT_EQ(p.messages(), QStringList{"OK"});
  EXPECT_EQ(p.shown.size(), 3u);
}

TEST(ScriptedPrompter, FileDialogsPickTheScriptedFilterElseTheStartOne) {
  ScriptedPrompter p;
  p.fileNames = {InFolder("a.bin"), InFolder("b")};
  p.filterChoices = {1};
  const QString filters = "Hex files (*.hex);;Bin files (*.bin)";
  const auto first = p.openFile("Open", Folder(), filters, 0);
  EXPECT_EQ(first.name, InFolder("a.bin"));
  EXPECT_EQ(first.filter, 1);
  const auto second = p.saveFile("Save", Folder(), filters, 1);
  EXPECT_EQ(second.name, InFolder("b"));
  EXPECT_EQ(second.filter, 1);
  const auto cancelled = p.openFile("Open", Folder(), filters, 0);
  EXPECT_TRUE(cancelled.name.isEmpty());
  ASSERT_EQ(p.shown.size(), 3u);
  EXPECT_EQ(p.shown[1].kind, ScriptedPrompter::Shown::Kind::SaveFile);
  EXPECT_EQ(p.shown[1].filter, filters);
  EXPECT_EQ(p.shown[1].startFilter, 1);
}
