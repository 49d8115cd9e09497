// The device-database packet reader and the database built from it: a
// refused packet leaves the caller's packet as it was and the database
// built-in and empty; a packet taken gives one value per field in every
// row, one record per live row holding the row's values under the field
// names, and filters that pass exactly the rows whose Device matches.
#include "fuzz/FuzzSupport.h"
#include "orvane/core/DeviceDatabase.h"
#include "orvane/core/DevicePacket.h"

#include <algorithm>
#include <optional>

using namespace orvane;

namespace {

// The record's value under a packet field name in lower case, as the row
// holds it.
std::optional<QVariant> RecordValue(const DeviceRecord &r, const QString &f) {
  const auto text = [](const std::optional<QString> &v) { return v ? QVariant(*v) : QVariant(); };
  const auto number = [](const std::optional<std::int32_t> &v) {
    return v ? QVariant(qint32(*v)) : QVariant();
  };
  if (f == u"device")
    return text(r.Device);
  if (f == u"manufacturer")
    return text(r.Manufacturer);
  if (f == u"type")
    return text(r.Type);
  if (f == u"algorithm")
    return text(r.Algorithm);
  if (f == u"placement")
    return text(r.Placement);
  if (f == u"flash")
    return number(r.Flash);
  if (f == u"eeprom")
    return number(r.EEPROM);
  return std::nullopt;
}

void CheckFilters(DeviceDatabase &db, const QString &text) {
  const auto &rows = db.allRows();
  db.setFilterEquals(text);
  const auto equal = std::count_if(rows.begin(), rows.end(), [&](const DeviceRecord &r) {
    return r.Device && r.Device->compare(text, Qt::CaseInsensitive) == 0;
  });
  FUZZ_CHECK(db.visibleCount() == equal, "the equals filter passes every matching row");
  for (int i = 0; i < db.visibleCount(); ++i)
    FUZZ_CHECK(db.visibleRow(i).Device->compare(text, Qt::CaseInsensitive) == 0,
               "the equals filter passes only matching rows");
  FUZZ_CHECK(db.currentIndex() == (equal ? 0 : -1), "a filter makes its first row current");

  db.setFilterContains(text);
  const auto containing = std::count_if(rows.begin(), rows.end(), [&](const DeviceRecord &r) {
    return text.isEmpty() || (r.Device && r.Device->contains(text, Qt::CaseInsensitive));
  });
  FUZZ_CHECK(db.visibleCount() == containing, "the contains filter passes every matching row");
  db.clearFilter();
  FUZZ_CHECK(db.visibleCount() == int(rows.size()), "without a filter every row shows");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

  packet::Packet p;
  p.majorVersion = 77;
  p.fields.push_back({"untouched", 1, packet::kTypeText, 0, {}});
  QString error;
  const bool read = packet::readPacket(bytes, &p, &error);
  if (!read) {
    FUZZ_CHECK(p.majorVersion == 77 && p.fields.size() == 1 && p.fields[0].name == "untouched",
               "a refused packet leaves the caller's packet untouched");
    FUZZ_CHECK(!error.isEmpty() && !error.contains(QLatin1Char('\n')),
               "a refusal gives a one-line reason");
  } else {
    for (const auto &row : p.rows)
      FUZZ_CHECK(row.values.size() == p.fields.size(), "one value per field in every row");
  }

  DeviceDatabase db;
  const QStringList builtIn = db.fieldNames();
  QString dbError;
  // A packet the reader refused goes through the database's own reading;
  // one it took is built into the database as read, not read again.
  const bool loaded = read ? db.loadFromPacket(p, &dbError) : db.loadFromBytes(bytes, &dbError);
  if (!loaded) {
    FUZZ_CHECK(db.allRows().empty() && db.fieldNames() == builtIn && db.currentIndex() == -1,
               "a refused database leaves the built-in empty one");
    FUZZ_CHECK(!dbError.isEmpty(), "a refused database says why");
    return 0;
  }
  FUZZ_CHECK(read, "the database loads only packets the reader takes");

  // One record per live row, holding the row's values.
  const auto live = std::count_if(p.rows.begin(), p.rows.end(),
                                  [](const packet::Row &r) { return packet::isLive(r.status); });
  FUZZ_CHECK(qsizetype(db.allRows().size()) == live, "one record per live row");
  // Each field's name in lower case; empty where an earlier field has the
  // same name, since the first field of a name is the one read.
  std::vector<QString> readAs(p.fields.size());
  for (std::size_t f = 0; f < p.fields.size(); ++f) {
    const QString name = QString::fromLatin1(p.fields[f].name);
    if (p.fieldIndex(name) == int(f))
      readAs[f] = name.toLower();
  }
  std::size_t k = 0;
  for (const auto &row : p.rows) {
    if (!packet::isLive(row.status))
      continue;
    const DeviceRecord &rec = db.allRows()[k++];
    for (std::size_t f = 0; f < p.fields.size(); ++f) {
      if (readAs[f].isEmpty())
        continue;
      if (const auto value = RecordValue(rec, readAs[f]))
        FUZZ_CHECK(*value == row.values[f], "a record holds its row's value");
    }
  }
  FUZZ_CHECK(db.currentIndex() == (live ? 0 : -1), "a loaded database makes its first row current");

  // Filters on the names the rows hold, and on part of one.
  for (std::size_t i = 0; i < std::min<std::size_t>(db.allRows().size(), 3); ++i) {
    const auto &device = db.allRows()[i].Device;
    if (device) {
      CheckFilters(db, device->toUpper());
      CheckFilters(db, device->mid(1, 2));
    }
  }
  CheckFilters(db, QString());
  return 0;
}
