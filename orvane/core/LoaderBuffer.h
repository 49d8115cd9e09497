#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>

namespace orvane {

inline constexpr int kImageSize = 65536;

// Results of LoaderBuffer::ProcessLine.
inline constexpr int kLineTaken = 0;       // stored, or not a record at all
inline constexpr int kLineInError = -2;    // a record with a bad checksum, type or range
inline constexpr int kLineNotANumber = -1; // a field that is not hexadecimal; reading stops

// The 64 KiB program image and its counters.
struct LoaderBuffer {
  std::array<std::uint8_t, kImageSize> ImageArea{};
  // Used by the verify steps: the image as it was before the chip was read.
  std::array<std::uint8_t, kImageSize> CopyArea{};
  std::int32_t HighestAddress = 0;
  std::int32_t BytesLoaded = 0;
  std::int32_t TransferCount = 0;

  // Both areas to 0xFF.
  void FileBufferReset();

  // Takes one line of an Intel HEX file into ImageArea. Returns kLineTaken,
  // kLineInError, or kLineNotANumber with conversionError set to
  // "'$..' is not a valid integer value".
  int ProcessLine(QStringView line, QString *conversionError = nullptr);

  // The TransferCount to write as HEX, kept within the image.
  int SaveCount() const;
};

// One Intel HEX data record, upper-case digits, no line break. count bytes of
// buffer from address; address + count must not pass the end of the image.
QString writeline(int address, int count, const std::array<std::uint8_t, kImageSize> &buffer);

// The whole Intel HEX text for the first count bytes of buffer: 16-byte
// records, a shorter last one, the end record; CR LF after every line.
QByteArray HexFileText(const std::array<std::uint8_t, kImageSize> &buffer, int count);

} // namespace orvane
