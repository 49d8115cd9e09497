#pragma once

#include "common/IoPort.h"
#include "common/TickTimer.h"
#include "rindle/engine/IspEngine.h"
#include "tests/rindle/data/DataTestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace rindle::testing {

// Port and timer that remember what start-up did to them.
class StartupPort : public common::IoPort, public common::TickTimer {
public:
  struct Event {
    enum Kind { Out, Setup, Restore } kind;
    std::uint16_t port = 0;
    std::uint8_t value = 0;
    friend bool operator==(const Event &, const Event &) = default;
  };

  std::uint8_t Inp32(std::uint16_t) override { return 0; }
  void Out32(std::uint16_t port, std::uint8_t value) override {
    events.push_back({Event::Out, port, value});
  }
  void TimerSetup() override { events.push_back({Event::Setup}); }
  void TickDelay(std::uint16_t) override {}
  void TimerRestore() override { events.push_back({Event::Restore}); }

  std::vector<Event> events;
};

inline QString ToolchainFixture(const QString &name) {
  return QStringLiteral(SUITE_SOURCE_DIR "/tests/rindle/data/fixtures/toolchain/") + name;
}

// Lines joined with CR LF, each one ended.
inline QByteArray CrLf(const std::vector<QByteArray> &lines) {
  QByteArray out;
  for (const auto &l : lines)
    out += l + "\r\n";
  return out;
}

// One program folder per test; engines made on it are fresh program runs.
class EngineTest : public ::testing::Test {
protected:
  std::unique_ptr<IspEngine> newEngine() {
    auto e = std::make_unique<IspEngine>(port, port);
    e->ProgramFolder = dir.path();
    return e;
  }
  QString path(const QString &name) const { return dir.filePath(name); }
  QString settingsPath() const { return path(QStringLiteral("Rindle37.set")); }

  QTemporaryDir dir;
  StartupPort port;
};

} // namespace rindle::testing
