#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <span>

// Intel HEX records: one decoder and one encoder for every reader and writer
// of the suite. The readers differ in what they make of a record (where its
// data land, which record ends the file, what is an error); the rules for
// reading the record's text itself are a DecodePolicy.
namespace common::ihex {

inline constexpr std::uint8_t kData = 0x00;
inline constexpr std::uint8_t kEnd = 0x01;
inline constexpr std::uint8_t kSegment = 0x02; // extended segment address: value << 4
inline constexpr std::uint8_t kLinear = 0x04;  // extended linear address: value << 16
inline constexpr char kEndRecord[] = ":00000001FF";

constexpr std::uint32_t TypeBit(std::uint8_t type) { return type < 32 ? 1u << type : 0; }

struct DecodePolicy {
  // A field cut short by the end of the line is read as far as it goes (an
  // empty one is still an error); otherwise a cut-off field is an error.
  bool shortFieldsReadAsFarAsTheyGo = false;
  // The type is read before the count and the address, so that a record of
  // a type not decoded is passed over without looking at anything else.
  bool typeFirst = false;
  // Types (TypeBit) whose data and checksum are decoded; any other record
  // comes back Skipped.
  std::uint32_t decodedTypes = ~0u;
  // The end record's checksum follows the type, whatever its count says.
  bool endRecordWithoutData = false;
};

enum class Status {
  Decoded,  // every field read; checksumOk tells whether the sum is right
  Skipped,  // a type outside decodedTypes: only the fields read before it are set
  BadField, // a field is missing or holds a character that is no hex digit
};

struct Record {
  Status status = Status::BadField;
  std::uint8_t type = 0;
  std::uint8_t count = 0;
  std::uint16_t address = 0;
  QByteArray data;
  bool checksumOk = false;
  // With BadField: the fields before the bad one are set and `data` holds
  // the data bytes read before it; badField is the field's characters as far
  // as the line has them, cutShort whether the line ended inside the field.
  QByteArray badField;
  bool cutShort = false;

  // The 16-bit value of an address record (its two data bytes, high first);
  // 0 for a record without two data bytes.
  std::uint16_t value() const;
};

// Decodes a line that starts with ':'.
Record Decode(QByteArrayView line, const DecodePolicy &policy);

// Appends one data record (at most 255 bytes), upper-case digits, no line end.
void AppendDataRecord(QByteArray &out, std::uint16_t address, std::span<const std::uint8_t> bytes);

// The whole file for an image of at most 64 KiB from address 0: records of 16
// bytes, a shorter last one, then the end record; lineEnd after every line.
QByteArray Encode(std::span<const std::uint8_t> image, QByteArrayView lineEnd = "\r\n");

} // namespace common::ihex
