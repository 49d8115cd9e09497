#include "orvane/core/LoaderBuffer.h"

#include <algorithm>

namespace orvane {

namespace {

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9')
    return u - '0';
  if (u >= 'A' && u <= 'F')
    return u - 'A' + 10;
  if (u >= 'a' && u <= 'f')
    return u - 'a' + 10;
  return -1;
}

// Reads the field of up to len characters at pos (from 0) as hexadecimal. A
// field cut short by the end of the line is read as far as it goes; an empty
// field or one with a non-hex character is a conversion error.
bool hexField(QStringView line, qsizetype pos, qsizetype len, int *value, QString *error) {
  const QStringView chars = pos < line.size() ? line.mid(pos, len) : QStringView();
  int v = 0;
  bool ok = !chars.isEmpty();
  for (QChar c : chars) {
    const int d = hexDigit(c);
    if (d < 0) {
      ok = false;
      break;
    }
    v = v * 16 + d;
  }
  if (!ok) {
    if (error)
      *error = QStringLiteral("'$%1' is not a valid integer value").arg(chars.toString());
    return false;
  }
  *value = v;
  return true;
}

constexpr char kUpperHex[] = "0123456789ABCDEF";

void appendHex(QString &out, unsigned value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    out += QLatin1Char(kUpperHex[(value >> shift) & 0xF]);
}

} // namespace

void LoaderBuffer::FileBufferReset() {
  ImageArea.fill(0xFF);
  CopyArea.fill(0xFF);
}

int LoaderBuffer::ProcessLine(QStringView line, QString *conversionError) {
  if (line.isEmpty() || line.front() != QLatin1Char(':'))
    return kLineTaken;

  int count = 0, address = 0, type = 0;
  if (!hexField(line, 1, 2, &count, conversionError) ||
      !hexField(line, 3, 4, &address, conversionError) ||
      !hexField(line, 7, 2, &type, conversionError))
    return kLineNotANumber;

  std::array<std::uint8_t, 255> data{};
  int checksum = 0;
  if (type == 0x00) {
    for (int i = 0; i < count; ++i) {
      int b = 0;
      if (!hexField(line, 9 + 2 * i, 2, &b, conversionError))
        return kLineNotANumber;
      data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b);
    }
    if (!hexField(line, 9 + 2 * count, 2, &checksum, conversionError))
      return kLineNotANumber;
  } else if (type == 0x01) {
    if (!hexField(line, 9, 2, &checksum, conversionError))
      return kLineNotANumber;
  } else {
    return kLineInError;
  }

  unsigned sum = static_cast<unsigned>(count + (address >> 8) + (address & 0xFF) + type + checksum);
  if (type == 0x00)
    for (int i = 0; i < count; ++i)
      sum += data[static_cast<std::size_t>(i)];
  if ((sum & 0xFF) != 0)
    return kLineInError;

  if (type == 0x00) {
    // The image ends at 0xFFFF; a record running past it has no place here
    // and is refused whole rather than wrapped or cut.
    if (address + count > kImageSize)
      return kLineInError;
    for (int i = 0; i < count; ++i) {
      ImageArea[static_cast<std::size_t>(address + i)] = data[static_cast<std::size_t>(i)];
      HighestAddress = std::max(HighestAddress, static_cast<std::int32_t>(address + i));
    }
  }
  return kLineTaken;
}

int LoaderBuffer::SaveCount() const { return std::clamp<int>(TransferCount, 0, kImageSize); }

QString writeline(int address, int count, const std::array<std::uint8_t, kImageSize> &buffer) {
  // Kept within one record and within the image whatever the caller passes.
  address = std::clamp(address, 0, kImageSize - 1);
  count = std::clamp(count, 0, std::min(255, kImageSize - address));
  QString out;
  out.reserve(11 + 2 * count);
  out += QLatin1Char(':');
  appendHex(out, static_cast<unsigned>(count), 2);
  appendHex(out, static_cast<unsigned>(address), 4);
  out += QLatin1String("00");
  unsigned sum = static_cast<unsigned>(count + (address >> 8) + (address & 0xFF));
  for (int i = 0; i < count; ++i) {
    const std::uint8_t b = buffer[static_cast<std::size_t>(address + i)];
    appendHex(out, b, 2);
    sum += b;
  }
  appendHex(out, (0x100 - (sum & 0xFF)) & 0xFF, 2);
  return out;
}

QByteArray HexFileText(const std::array<std::uint8_t, kImageSize> &buffer, int count) {
  count = std::clamp(count, 0, kImageSize);
  QByteArray out;
  out.reserve((count / 16 + 2) * 45);
  int address = 0;
  for (; address + 16 <= count; address += 16)
    out += writeline(address, 16, buffer).toLatin1() + "\r\n";
  if (address < count)
    out += writeline(address, count - address, buffer).toLatin1() + "\r\n";
  out += ":00000001FF\r\n";
  return out;
}

} // namespace orvane
