#include "orvane/core/LoaderBuffer.h"

#include "common/IntelHex.h"
#include "orvane/core/TextLines.h"

#include <algorithm>
#include <span>

namespace orvane {

namespace {

namespace ihex = common::ihex;

// Fields are read as far as the line has them, the type follows the address,
// and the end record's checksum follows its type whatever its count says.
const ihex::DecodePolicy kPolicy{.shortFieldsReadAsFarAsTheyGo = true,
                                 .typeFirst = false,
                                 .decodedTypes =
                                     ihex::TypeBit(ihex::kData) | ihex::TypeBit(ihex::kEnd) |
                                     ihex::TypeBit(ihex::kSegment) | ihex::TypeBit(ihex::kLinear),
                                 .endRecordWithoutData = true};

bool isAddressRecord(std::uint8_t type) { return type == ihex::kSegment || type == ihex::kLinear; }

} // namespace

void LoaderBuffer::FileBufferReset() {
  ImageArea.fill(0xFF);
  CopyArea.fill(0xFF);
}

int LoaderBuffer::ProcessLine(QByteArrayView line, QString *conversionError) {
  if (line.isEmpty() || line.front() != ':')
    return kLineTaken;

  const ihex::Record r = ihex::Decode(line, kPolicy);
  if (r.status == ihex::Status::BadField) {
    // The contents of an address record are no number the loader reads.
    if (isAddressRecord(r.type))
      return kLineInError;
    if (conversionError)
      *conversionError =
          QStringLiteral("'$%1' is not a valid integer value").arg(QString::fromLatin1(r.badField));
    return kLineNotANumber;
  }
  if (r.status == ihex::Status::Skipped || !r.checksumOk)
    return kLineInError;
  if (isAddressRecord(r.type)) {
    if (r.count != 2)
      return kLineInError;
    AddressBase =
        r.type == ihex::kSegment ? std::uint32_t(r.value()) << 4 : std::uint32_t(r.value()) << 16;
    return kLineTaken;
  }

  if (r.type == ihex::kData) {
    // A record whose own addresses run past 0xFFFF would wrap: it is refused
    // whole rather than wrapped or cut.
    if (r.address + r.count > kImageSize)
      return kLineInError;
    const std::uint64_t first = std::uint64_t(AddressBase) + r.address;
    if (r.count > 0 && first + r.count > std::uint64_t(kImageSize))
      return kLineBeyondImage;
    for (int i = 0; i < r.count; ++i)
      ImageArea[std::size_t(first) + std::size_t(i)] = std::uint8_t(r.data[i]);
    if (r.count > 0)
      HighestAddress = std::max(HighestAddress, std::int32_t(first) + r.count - 1);
  }
  return kLineTaken;
}

HexLoadResult LoaderBuffer::LoadHex(const QByteArray &text,
                                    const std::function<void(const QString &)> &lineIgnored) {
  // An editor's byte-order mark would hide the first record.
  QByteArrayView bytes(text);
  if (bytes.startsWith("\xEF\xBB\xBF"))
    bytes = bytes.sliced(3);
  HighestAddress = 0;
  AddressBase = 0;
  FileBufferReset();
  HexLoadResult result;
  int i = 0;
  forEachLine(bytes, [&](QByteArrayView line, QByteArrayView) {
    QString conversion;
    const int r = ProcessLine(line, &conversion);
    if (r == kLineNotANumber) {
      result = {HexLoadResult::End::NotANumber, conversion + QLatin1Char('.')};
      return false;
    }
    if (r == kLineBeyondImage) {
      result = {HexLoadResult::End::BeyondImage,
                QStringLiteral("Error in HEX file at line %1: the file holds data beyond the "
                               "64 KiB buffer. Loading stopped at this line.")
                    .arg(i)};
      return false;
    }
    if (r != kLineTaken && lineIgnored)
      lineIgnored(QStringLiteral("Error in HEX file at line %1 Ignoring this line.").arg(i));
    ++i;
    return true;
  });
  if (result.end == HexLoadResult::End::NotANumber)
    return result;
  BytesLoaded = HighestAddress != 0 ? HighestAddress + 1 : 0;
  return result;
}

int LoaderBuffer::SaveCount() const { return std::clamp<int>(TransferCount, 0, kImageSize); }

QString writeline(int address, int count, const std::array<std::uint8_t, kImageSize> &buffer) {
  // Kept within one record and within the image whatever the caller passes.
  address = std::clamp(address, 0, kImageSize - 1);
  count = std::clamp(count, 0, std::min(255, kImageSize - address));
  QByteArray out;
  ihex::AppendDataRecord(out, std::uint16_t(address),
                         std::span(buffer).subspan(std::size_t(address), std::size_t(count)));
  return QString::fromLatin1(out);
}

QByteArray HexFileText(const std::array<std::uint8_t, kImageSize> &buffer, int count) {
  return ihex::Encode(std::span(buffer).first(std::size_t(std::clamp(count, 0, kImageSize))));
}

} // namespace orvane
