#include "isp/core/ValueLines.h"

#include "common/Utf8Text.h"
#include "rindle/data/TextLines.h"

#include <QFile>
#include <algorithm>
#include <utility>

namespace rindle::isp {

std::optional<std::int64_t> ParseInteger(const QByteArray &text) {
  QByteArray t = text.trimmed();
  bool negative = false;
  if (t.startsWith('-') || t.startsWith('+')) {
    negative = t[0] == '-';
    t = t.mid(1);
  }
  int base = 10;
  if (t.startsWith('$')) {
    base = 16;
    t = t.mid(1);
  } else if (t.startsWith("0x") || t.startsWith("0X")) {
    base = 16;
    t = t.mid(2);
  }
  // toLongLong alone would accept blanks and signs inside the digits.
  const auto digit = [base](char c) {
    return (c >= '0' && c <= '9') ||
           (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  };
  if (t.isEmpty() || !std::all_of(t.begin(), t.end(), digit))
    return std::nullopt;
  bool ok = false;
  const qlonglong value = t.toLongLong(&ok, base);
  if (!ok)
    return std::nullopt;
  return negative ? -value : value;
}

std::optional<std::vector<QByteArray>> ReadValueLines(const QString &path, int count) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  return ReadValueLines(file, count);
}

std::optional<std::vector<QByteArray>> ReadValueLines(QIODevice &device, int count) {
  static const QByteArray kByteOrderMark("\xEF\xBB\xBF");
  files::TextLines lines(device);
  std::vector<QByteArray> out;
  QByteArray line;
  while (int(out.size()) < count && lines.next(line)) {
    // Editors that save UTF-8 may put the mark in front of the first line.
    if (out.empty() && line.startsWith(kByteOrderMark))
      line.remove(0, kByteOrderMark.size());
    out.push_back(line);
  }
  if (lines.failed())
    return std::nullopt;
  return out;
}

ValueReader::ValueReader(std::vector<QByteArray> lines, QString title)
    : lines_(std::move(lines)), title_(std::move(title)) {}

void ValueReader::flag(bool &out) {
  std::int32_t value = out;
  number(value);
  out = value != 0;
}

void ValueReader::text(QString &out) {
  if (!ok())
    return;
  ++line_;
  out = line_ <= int(lines_.size()) ? common::TextFromUtf8(lines_[std::size_t(line_ - 1)])
                                    : QString();
}

std::optional<std::int64_t> ValueReader::nextNumber(std::int64_t min, std::int64_t max) {
  const QByteArray *line = nextLine();
  if (!line)
    return std::nullopt;
  const auto value = ParseInteger(*line);
  if (!value) {
    fail(QStringLiteral("Line %1: '%2' is not a valid integer value")
             .arg(line_)
             .arg(QString::fromUtf8(line->left(kShownChars))));
    return std::nullopt;
  }
  if (*value < min || *value > max) {
    failOutOfRange(*value);
    return std::nullopt;
  }
  return value;
}

const QByteArray *ValueReader::nextLine() {
  if (!ok())
    return nullptr;
  ++line_;
  if (line_ > int(lines_.size())) {
    fail(QStringLiteral("The file ends before line %1").arg(line_));
    return nullptr;
  }
  return &lines_[std::size_t(line_ - 1)];
}

void ValueReader::failOutOfRange(std::int64_t value) {
  fail(QStringLiteral("Line %1: %2 is out of range").arg(line_).arg(value));
}

void ValueReader::fail(const QString &why) { error_ = title_ + QStringLiteral("\r") + why; }

void ValueWriter::text(const QString &value) {
  const bool splits = value.contains(u'\r') || value.contains(u'\n');
  text_ += (splits ? QByteArray() : value.toUtf8()) + "\r\n";
}

} // namespace rindle::isp
