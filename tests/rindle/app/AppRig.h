#pragma once

// The application layer on the simulated bench, with scripted answers and a
// view that records what the screen was asked to do.

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include "common/testing/ScriptedPrompter.h"
#include "rindle/app/IspApp.h"
#include "isp/hardware/IspHardware.h"
#include "isp/core/DeviceCatalogue.h"
#include "tests/rindle/data/DataTestSupport.h"

namespace rindle::apptest {

using rindle::testing::ReadAll;
using rindle::testing::WriteAll;
inline QString Fixture(const QString &name) { return rindle::testing::DataFixture(name); }

class RecordingView : public OperationView {
public:
  void showProgress(const QString &title, int maximum) override {
    calls << QStringLiteral("progress %1 of %2").arg(title).arg(maximum);
    lastPosition = 0;
  }
  void setProgress(int position) override {
    lastPosition = position;
    ++reports;
    if (onProgress)
      onProgress(position);
  }
  void closeProgress() override { calls << QStringLiteral("close"); }
  void setMainEnabled(bool enabled) override {
    calls << (enabled ? QStringLiteral("enable") : QStringLiteral("disable"));
  }
  void setBusyCursor(bool busy) override {
    calls << (busy ? QStringLiteral("busy") : QStringLiteral("normal"));
  }
  void processEvents() override { ++pumps; }
  void fieldsChanged() override {
    ++fieldDraws;
    if (onFields)
      onFields();
  }

  QStringList calls;
  int lastPosition = -1;
  int pumps = 0;
  int reports = 0;
  int fieldDraws = 0;
  std::function<void(int)> onProgress;
  // Runs when the fields are drawn.
  std::function<void()> onFields;
};

inline QString ListName(std::uint16_t index) {
  const DeviceEntry *e = FindDevice(index);
  return e ? QString::fromLatin1(e->Name().data(), static_cast<qsizetype>(e->Name().size()))
           : QString();
}

// A run of the programmer with a chip of `device` in the socket (or the one
// fixed chip), its settings and chip files in a folder of its own.
struct AppRig {
  explicit AppRig(std::uint16_t device, QString fixedChip = {}, QString folder = {})
      : folder_(folder.isEmpty() ? temp.path() : folder),
        hardware(folder_, std::move(fixedChip), false), engine(hardware.port(), hardware.timer()),
        app(engine, prompter, &view, &hardware) {
    engine.ProgramFolder = folder_;
    app.FormCreate();
    select(device);
  }

  void select(std::uint16_t device) {
    if ((engine.Device.DeviceIndex & 0xFF) != device) {
      ASSERT_TRUE(app.SelectRow(device));
    }
  }

  sim::isp::Chip &chip() { return *hardware.bench().chip(); }
  QString path(const QString &name) const { return folder_ + u'/' + name; }

  // The one message the last command showed, as "caption|text|icon".
  QString lastShown() const {
    if (prompter.shown.empty())
      return QStringLiteral("(nothing)");
    const auto &s = prompter.shown.back();
    return s.caption + u'|' + s.text + u'|' + QString::number(static_cast<int>(s.icon));
  }

  QTemporaryDir temp;
  QString folder_;
  SimulatedHardware hardware;
  IspEngine engine;
  common::ScriptedPrompter prompter;
  RecordingView view;
  IspApp app;
};

// Readable names for table cases: each parameter type has a `name`.
struct CaseName {
  template <typename P>
  std::string operator()(const ::testing::TestParamInfo<P> &info) const {
    return info.param.name;
  }
};

inline QString Shown(const QString &caption, const QString &text, common::Prompter::Icon icon) {
  return caption + u'|' + text + u'|' + QString::number(static_cast<int>(icon));
}

} // namespace rindle::apptest
