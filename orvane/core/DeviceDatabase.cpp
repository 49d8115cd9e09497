#include "orvane/core/DeviceDatabase.h"

#include <QFile>

namespace orvane {

namespace {

const QStringList kBuiltInFields = {QStringLiteral("Device"),   QStringLiteral("Manufacturer"),
                                    QStringLiteral("Flash"),    QStringLiteral("EEPROM"),
                                    QStringLiteral("Type"),     QStringLiteral("Algorithm"),
                                    QStringLiteral("Placement")};

struct TextField {
  const char *name;
  std::optional<QString> DeviceRecord::*member;
};
struct IntField {
  const char *name;
  std::optional<std::int32_t> DeviceRecord::*member;
};

constexpr TextField kTextFields[] = {{"Device", &DeviceRecord::Device},
                                     {"Manufacturer", &DeviceRecord::Manufacturer},
                                     {"Type", &DeviceRecord::Type},
                                     {"Algorithm", &DeviceRecord::Algorithm},
                                     {"Placement", &DeviceRecord::Placement}};
constexpr IntField kIntFields[] = {{"Flash", &DeviceRecord::Flash},
                                   {"EEPROM", &DeviceRecord::EEPROM}};

} // namespace

bool recordsFromPacket(const packet::Packet &p, std::vector<DeviceRecord> *rows,
                       QStringList *fieldNames, QString *error) {
  auto wrongType = [&](const char *name) {
    if (error)
      *error = QStringLiteral("field '%1' has the wrong type").arg(QLatin1String(name));
    return false;
  };
  int textAt[std::size(kTextFields)];
  int intAt[std::size(kIntFields)];
  for (std::size_t i = 0; i < std::size(kTextFields); ++i) {
    textAt[i] = p.fieldIndex(QLatin1String(kTextFields[i].name));
    if (textAt[i] >= 0 && p.fields[static_cast<std::size_t>(textAt[i])].type != packet::kTypeText)
      return wrongType(kTextFields[i].name);
  }
  for (std::size_t i = 0; i < std::size(kIntFields); ++i) {
    intAt[i] = p.fieldIndex(QLatin1String(kIntFields[i].name));
    if (intAt[i] >= 0 && p.fields[static_cast<std::size_t>(intAt[i])].type != packet::kTypeInt32)
      return wrongType(kIntFields[i].name);
  }

  std::vector<DeviceRecord> out;
  out.reserve(p.rows.size());
  for (const packet::Row &row : p.rows) {
    if (!packet::isLive(row.status))
      continue;
    DeviceRecord rec;
    for (std::size_t i = 0; i < std::size(kTextFields); ++i) {
      if (textAt[i] < 0)
        continue;
      const QVariant &v = row.values[static_cast<std::size_t>(textAt[i])];
      if (v.isValid())
        rec.*(kTextFields[i].member) = v.toString();
    }
    for (std::size_t i = 0; i < std::size(kIntFields); ++i) {
      if (intAt[i] < 0)
        continue;
      const QVariant &v = row.values[static_cast<std::size_t>(intAt[i])];
      if (v.isValid())
        rec.*(kIntFields[i].member) = v.toInt();
    }
    out.push_back(std::move(rec));
  }
  QStringList names;
  for (const packet::Field &f : p.fields)
    names << QString::fromLatin1(f.name);
  *rows = std::move(out);
  *fieldNames = std::move(names);
  return true;
}

DeviceDatabase::DeviceDatabase() { resetToBuiltIn(); }

void DeviceDatabase::resetToBuiltIn() {
  fieldNames_ = kBuiltInFields;
  rows_.clear();
  clearFilter();
}

bool DeviceDatabase::LoadDeviceDatabase(const QString &path, QString *error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    resetToBuiltIn();
    if (error)
      *error = f.errorString();
    return false;
  }
  return loadFromBytes(f.readAll(), error);
}

bool DeviceDatabase::loadFromBytes(const QByteArray &data, QString *error) {
  packet::Packet p;
  if (!packet::readPacket(data, &p, error)) {
    resetToBuiltIn();
    return false;
  }
  return loadFromPacket(p, error);
}

bool DeviceDatabase::loadFromPacket(const packet::Packet &p, QString *error) {
  std::vector<DeviceRecord> rows;
  QStringList names;
  if (!recordsFromPacket(p, &rows, &names, error)) {
    resetToBuiltIn();
    return false;
  }
  rows_ = std::move(rows);
  fieldNames_ = std::move(names);
  clearFilter();
  return true;
}

void DeviceDatabase::setFilterContains(const QString &text) {
  filter_ = Filter::Contains;
  filterText_ = text;
  applyFilter();
}

void DeviceDatabase::setFilterEquals(const QString &name) {
  filter_ = Filter::Equals;
  filterText_ = name;
  applyFilter();
}

void DeviceDatabase::clearFilter() {
  filter_ = Filter::None;
  filterText_.clear();
  applyFilter();
}

void DeviceDatabase::applyFilter() {
  visible_.clear();
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const std::optional<QString> &device = rows_[i].Device;
    bool pass = true;
    if (filter_ == Filter::Contains && !filterText_.isEmpty())
      pass = device && device->contains(filterText_, Qt::CaseInsensitive);
    else if (filter_ == Filter::Equals)
      pass = device && device->compare(filterText_, Qt::CaseInsensitive) == 0;
    if (pass)
      visible_.push_back(static_cast<int>(i));
  }
  current_ = visible_.empty() ? -1 : 0;
}

const DeviceRecord &DeviceDatabase::visibleRow(int index) const {
  return rows_.at(static_cast<std::size_t>(visible_.at(static_cast<std::size_t>(index))));
}

void DeviceDatabase::setCurrentIndex(int index) {
  current_ = (index >= 0 && index < visibleCount()) ? index : -1;
}

const DeviceRecord *DeviceDatabase::currentRow() const {
  return current_ < 0 ? nullptr : &visibleRow(current_);
}

} // namespace orvane
