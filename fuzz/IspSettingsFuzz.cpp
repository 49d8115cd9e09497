// The ISP programmer's settings file and fuse database: a damaged file
// changes nothing and says so; a file taken gives values that the writer
// saves and the reader takes back to the same values, and the text saved
// from them is saved again unchanged.
#include "common/testing/RecordingPort.h"
#include "fuzz/FuzzSupport.h"
#include "rindle/engine/IspEngine.h"
#include "rindle/engine/Settings.h"
#include "isp/core/ValueLines.h"

#include <QBuffer>

using namespace rindle;

namespace {

// Everything either file may set.
struct State {
  PortSettings port;
  IspDevice device;
  FuseState fuses;
  QString program, eeprom;
  bool verify, oscFlash, oscEeprom;
  bool operator==(const State &) const = default;
};

State StateOf(const IspEngine &e) {
  return {e.Port,
          e.Device,
          e.Fuses,
          e.ProgramFileName,
          e.EepromFileName,
          e.AutoVerify,
          e.SaveOscCalToFlash,
          e.SaveOscCalToEeprom};
}

std::vector<QByteArray> Lines(const QByteArray &bytes, int count) {
  QByteArray copy = bytes;
  QBuffer device(&copy);
  device.open(QIODevice::ReadOnly);
  const auto lines = isp::ReadValueLines(device, count);
  FUZZ_CHECK(lines.has_value(), "lines from memory always read");
  FUZZ_CHECK(int(lines->size()) <= count, "no more lines than asked for");
  return *lines;
}

// A text the writer can keep on its line; any other is saved empty.
QString Saved(const QString &text) {
  return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ? QString() : text;
}

// One file kind: how many lines, the reader, the writer, the error title.
struct Kind {
  int lines;
  bool (IspEngine::*take)(const std::vector<QByteArray> &);
  QByteArray (IspEngine::*text)() const;
  const QString &title;
};

// An engine with settings away from the defaults, so that a half-taken
// file would show. Two engines serve the whole run, set afresh each time:
// making one fills its 132 KiB buffer.
IspEngine &Engine(common::RecordingPort &hw, int which) {
  static IspEngine first(hw, hw), second(hw, hw);
  IspEngine &e = which == 0 ? first : second;
  e.Port = PortSettings{};
  e.Device = IspDevice{};
  e.Fuses = FuseState{};
  e.SaveOscCalToFlash = true;
  e.SaveOscCalToEeprom = false;
  e.ResultText.clear();
  e.Port.PortBase = 0x278;
  e.Fuses.FuseLow = 0x12;
  e.ProgramFileName = QStringLiteral("before.hex");
  e.EepromFileName = QStringLiteral("before.eep");
  e.AutoVerify = false;
  return e;
}

void Check(common::RecordingPort &hw, const Kind &kind, const QByteArray &bytes) {
  IspEngine &e = Engine(hw, 0);
  const State before = StateOf(e);

  if (!(e.*kind.take)(Lines(bytes, kind.lines))) {
    FUZZ_CHECK(StateOf(e) == before, "a damaged file changes nothing");
    FUZZ_CHECK(e.ResultText.startsWith(kind.title + QLatin1Char('\r')), "a damaged file says so");
    return;
  }
  const State taken = StateOf(e);
  const QByteArray saved = (e.*kind.text)();

  IspEngine &again = Engine(hw, 1);
  FUZZ_CHECK((again.*kind.take)(Lines(saved, kind.lines)), "a saved file reads back");
  State expected = taken;
  expected.program = Saved(taken.program);
  expected.eeprom = Saved(taken.eeprom);
  FUZZ_CHECK(StateOf(again) == expected, "a saved file reads back to the same values");
  FUZZ_CHECK((again.*kind.text)() == saved, "a saved file saves again unchanged");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static common::RecordingPort hw;
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  Check(hw,
        {settings::kSettingsLines, &IspEngine::TakeSettingsLines, &IspEngine::SettingsText,
         settings::kSettingsError},
        bytes);
  Check(hw,
        {settings::kFuseDatabaseLines, &IspEngine::TakeFuseDatabaseLines,
         &IspEngine::FuseDatabaseText, settings::kFuseDatabaseError},
        bytes);
  return 0;
}
