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
