#pragma once

#include "sim/box/ProgrammerBox.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace linktest {

// A temporary folder and an emulated box with an AT89S51 whose flash file
// lives in that folder.
class BoxFixture : public ::testing::Test {
protected:
  std::unique_ptr<sim::ProgrammerBox> startBox(sim::ProgrammerBox::Chip chip = {},
                                               const QString &file = QStringLiteral("flash.bin")) {
    auto box = std::make_unique<sim::ProgrammerBox>(chip, dir.filePath(file).toStdString());
    std::string error;
    EXPECT_TRUE(box->Start(&error)) << error;
    return box;
  }

  static QString pathOf(const sim::ProgrammerBox &box) {
    return QString::fromStdString(box.Path());
  }

  QTemporaryDir dir;
};

} // namespace linktest
