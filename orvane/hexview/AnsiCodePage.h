#pragma once

#include <QChar>

#include <array>
#include <cstdint>
#include <optional>

namespace orvane::hexview {

// The single-byte Western code page (1252) that the character pane shows and
// the keyboard types into: 0x00-0x7F and 0xA0-0xFF are Latin-1, 0x80-0x9F hold
// the typographic extras.
namespace ansi {

// The character a byte stands for, or nothing for the five unassigned codes.
std::optional<QChar> toChar(std::uint8_t byte);

// The byte of a character, or nothing when the code page has no such
// character.
std::optional<std::uint8_t> fromChar(QChar ch);

// Byte-to-byte lower-case map of the code page.
const std::array<std::uint8_t, 256> &lowerCaseTable();

// Byte-to-byte identity map.
const std::array<std::uint8_t, 256> &identityTable();

} // namespace ansi
} // namespace orvane::hexview
