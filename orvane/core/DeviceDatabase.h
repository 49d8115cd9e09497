#pragma once

#include "orvane/core/DevicePacket.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace orvane {

// One chip of a hardware model's device database. An absent value is null.
struct DeviceRecord {
  std::optional<QString> Device;
  std::optional<QString> Manufacturer;
  std::optional<std::int32_t> Flash;
  std::optional<std::int32_t> EEPROM;
  std::optional<QString> Type;
  std::optional<QString> Algorithm;
  std::optional<QString> Placement;

  bool operator==(const DeviceRecord &) const = default;
};

// The device database in memory: the live rows of the last file read, an
// optional filter on Device and a current row within the filtered rows.
class DeviceDatabase {
public:
  enum class Filter { None, Contains, Equals };

  // Starts as the built-in database: the seven fields and no rows.
  DeviceDatabase();

  // Replaces the database by the file's live rows, clears the filter and makes
  // the first row current. A missing, unreadable or damaged file leaves the
  // built-in empty database and returns false with the reason in error.
  bool LoadDeviceDatabase(const QString &path, QString *error = nullptr);
  // The same from packet bytes already in memory.
  bool loadFromBytes(const QByteArray &data, QString *error = nullptr);
  // The same from a packet already read.
  bool loadFromPacket(const packet::Packet &p, QString *error = nullptr);
  void resetToBuiltIn();

  // Field names in column order, as the file declares them.
  const QStringList &fieldNames() const { return fieldNames_; }
  // Every live row, unfiltered.
  const std::vector<DeviceRecord> &allRows() const { return rows_; }

  // Rows whose Device contains text, ignoring case (an empty text shows all).
  void setFilterContains(const QString &text);
  // Rows whose Device equals name, ignoring case.
  void setFilterEquals(const QString &name);
  void clearFilter();
  Filter filter() const { return filter_; }
  const QString &filterText() const { return filterText_; }

  // The rows that pass the filter, in file order.
  int visibleCount() const { return static_cast<int>(visible_.size()); }
  const DeviceRecord &visibleRow(int index) const;

  // Index of the current row among the visible ones; -1 when there is none.
  int currentIndex() const { return current_; }
  void setCurrentIndex(int index); // out of range: no current row
  const DeviceRecord *currentRow() const;

private:
  void applyFilter();

  QStringList fieldNames_;
  std::vector<DeviceRecord> rows_;
  std::vector<int> visible_;
  Filter filter_ = Filter::None;
  QString filterText_;
  int current_ = -1;
};

// Maps a packet's live rows to records by field name; fields the packet lacks
// read as null. False with error when a known field has the wrong type.
bool recordsFromPacket(const packet::Packet &p, std::vector<DeviceRecord> *rows,
                       QStringList *fieldNames, QString *error);

} // namespace orvane
