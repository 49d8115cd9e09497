// The loader's INI documents with the settings and the recent lists on top:
// a document written back unchanged is the file byte for byte; settings read
// from any document, written into it and read again are the same settings;
// a recent list with an entry added starts with it, holds it once and keeps
// the entries it had; every document written reads back to the same values.
#include "common/testing/ScriptedPrompter.h"
#include "fuzz/FuzzSupport.h"
#include "orvane/core/HistoryFiles.h"
#include "orvane/core/IniFile.h"
#include "orvane/core/LoaderSettings.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <limits>

using namespace orvane;

namespace {

const QString kPath = QStringLiteral("/nonexistent/fuzz.ini");

bool SameUserSettings(const LoaderSettings &a, const LoaderSettings &b) {
  return a.comPort == b.comPort && a.comSpeed == b.comSpeed &&
         a.programmerModel == b.programmerModel && a.Verify == b.Verify && a.Lock == b.Lock &&
         a.ReloadFile == b.ReloadFile && a.LastDir == b.LastDir && a.LastFile == b.LastFile &&
         a.LastDevice == b.LastDevice;
}

void CheckSettings(IniFile ini) {
  LoaderSettings read;
  read.ReadUserIni(ini);
  read.ReadProgramIni(ini);
  read.WriteUserIni(ini);
  const IniFile written(kPath, ini.toBytes());
  LoaderSettings again;
  again.ReadUserIni(written);
  again.ReadProgramIni(written);
  FUZZ_CHECK(SameUserSettings(read, again), "settings written read back the same");
  FUZZ_CHECK(read.FunctionIndex == again.FunctionIndex && read.ModelCount == again.ModelCount,
             "writing the user settings keeps the program settings");
}

void CheckRecentList(IniFile ini, QString entry, bool sorted) {
  common::ScriptedPrompter prompter;
  THistoryFiles list(prompter);
  list.Sorted = sorted;
  static const QString localPath = QDir::tempPath() + QLatin1Char('/');
  list.LocalPath = localPath;
  // The keys 1 to MaxItems + 1, for any MaxItems.
  static const auto keys = [] {
    std::array<QString, std::numeric_limits<decltype(THistoryFiles::MaxItems)>::max() + 2> k;
    for (std::size_t i = 0; i < k.size(); ++i)
      k[i] = QString::number(i);
    return k;
  }();
  const auto key = [&](int i) -> const QString & { return keys[std::size_t(i)]; };

  // An entry as the programs add one: a name without blanks around it.
  entry = entry.simplified();
  if (entry.isEmpty())
    entry = QStringLiteral("x");
  const QString item = entry.contains(QLatin1Char('/')) ? entry : list.LocalPath + entry;
  QStringList old;
  for (int i = 1; i < list.MaxItems; ++i) {
    const QString v = ini.readString(list.IniKey, key(i));
    // Entries of blanks and control characters only are dropped as empty.
    const bool blank = std::all_of(v.begin(), v.end(), [](QChar c) { return c.unicode() <= 0x20; });
    if (!blank && v.compare(item, Qt::CaseInsensitive) != 0 && !old.contains(v))
      old << v;
  }

  list.AddToList(ini, entry);
  const IniFile written(kPath, ini.toBytes());
  QStringList now;
  for (int i = 1; i <= list.MaxItems + 1; ++i)
    now << written.readString(list.IniKey, key(i));
  // The menu shows keys 1 to MaxItems; the key after them may hold an entry
  // a longer list left behind.
  const auto listed = [&](qsizetype keys) {
    return std::count_if(now.begin(), now.begin() + keys, [&](const QString &v) {
      return v.compare(item, Qt::CaseInsensitive) == 0;
    });
  };
  FUZZ_CHECK(listed(list.MaxItems) <= 1, "the added entry is shown once at the most");
  FUZZ_CHECK(listed(list.MaxItems + 1) >= 1, "the added entry is listed");
  if (!sorted)
    FUZZ_CHECK(now.first() == item, "the added entry comes first");
  for (const QString &v : std::as_const(old))
    FUZZ_CHECK(now.contains(v), "the entries listed before stay");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  // The first byte picks the check (settings or a recent list) and the
  // list's order; each input runs one of the two, so that a run tries
  // twice as many documents.
  const std::uint8_t choice = in.byte();
  const bool sorted = choice & 1;
  const bool recentList = choice & 2;
  const QString entry = QString::fromUtf8(in.take(in.byte() % 32));
  const QByteArray bytes = in.rest();
  IniFile document(kPath, bytes);
  FUZZ_CHECK(document.toBytes() == bytes, "a document written back unchanged is the file itself");
  if (recentList)
    CheckRecentList(std::move(document), entry, sorted);
  else
    CheckSettings(std::move(document));
  return 0;
}
