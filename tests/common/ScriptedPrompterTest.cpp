#include "common/ScriptedPrompter.h"

#include <gtest/gtest.h>

using common::Prompter;
using common::ScriptedPrompter;

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
  p.fileNames = {"/tmp/a.hex"};
  p.message("  Read", "OK", Prompter::Icon::Information);
  EXPECT_EQ(p.openFileName("Open", "/tmp", "*.hex"), "/tmp/a.hex");
  EXPECT_EQ(p.saveFileName("Save", "/tmp", "", "*.hex"), "");
  EXPECT_EQ(p.messages(), QStringList{"OK"});
  EXPECT_EQ(p.shown.size(), 3u);
}

TEST(ScriptedPrompter, FileDialogsPickTheScriptedFilterElseTheStartOne) {
  ScriptedPrompter p;
  p.fileNames = {"/tmp/a.bin", "/tmp/b"};
  p.filterChoices = {1};
  const QString filters = "Hex files (*.hex);;Bin files (*.bin)";
  const auto first = p.openFile("Open", "/tmp", filters, 0);
  EXPECT_EQ(first.name, "/tmp/a.bin");
  EXPECT_EQ(first.filter, 1);
  const auto second = p.saveFile("Save", "/tmp", filters, 1);
  EXPECT_EQ(second.name, "/tmp/b");
  EXPECT_EQ(second.filter, 1);
  const auto cancelled = p.openFile("Open", "/tmp", filters, 0);
  EXPECT_TRUE(cancelled.name.isEmpty());
  ASSERT_EQ(p.shown.size(), 3u);
  EXPECT_EQ(p.shown[1].kind, ScriptedPrompter::Shown::Kind::SaveFile);
  EXPECT_EQ(p.shown[1].filter, filters);
  EXPECT_EQ(p.shown[1].startFilter, 1);
}
