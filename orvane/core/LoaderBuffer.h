#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <functional>

namespace orvane {

inline constexpr int kImageSize = 65536;

// Results of LoaderBuffer::ProcessLine.
inline constexpr int kLineTaken = 0;        // stored, or not a record at all
inline constexpr int kLineInError = -2;     // a record with a bad checksum, type or range
inline constexpr int kLineNotANumber = -1;  // a field that is not hexadecimal; reading stops
inline constexpr int kLineBeyondImage = -3; // data past the 64 KiB image; reading stops

// How a whole HEX load ended.
struct HexLoadResult {
  enum class End { Complete, NotANumber, BeyondImage };
  End end = End::Complete;
  QString message; // for the two stops: the text of the error box
};

// The 64 KiB program image and its counters.
struct LoaderBuffer {
  std::array<std::uint8_t, kImageSize> ImageArea{};
  // Used by the verify steps: the image as it was before the chip was read.
  std::array<std::uint8_t, kImageSize> CopyArea{};
  std::int32_t HighestAddress = 0;
  std::int32_t BytesLoaded = 0;
  std::int32_t TransferCount = 0;
  // Where the records' 16-bit addresses start for the load under way: the
  // last extended segment (02, value × 16) or extended linear (04, value ×
  // 65536) address record. LoadHex starts every load at 0.
  std::uint32_t AddressBase = 0;

  // Both areas to 0xFF.
  void FileBufferReset();

  // Takes one line of an Intel HEX file into ImageArea. Returns kLineTaken
  // (a data record stored at AddressBase + its address, or a valid address
  // record, which sets AddressBase), kLineInError, kLineNotANumber with
  // conversionError set to "'$..' is not a valid integer value", or
  // kLineBeyondImage for a data record whose bytes lie, with the base, above
  // the 64 KiB image; nothing of that record is stored.
  int ProcessLine(QByteArrayView line, QString *conversionError = nullptr);

  // Loads a whole HEX file's bytes: resets the image, passes every line to
  // ProcessLine and, unless a field was not a number, sets BytesLoaded.
  // lineIgnored gets the message for each line in error (reading goes on).
  // A UTF-8 byte-order mark before the first line is skipped.
  HexLoadResult LoadHex(const QByteArray &text,
                        const std::function<void(const QString &)> &lineIgnored);

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
