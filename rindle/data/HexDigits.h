#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace rindle::files {

// Reads `digits` hexadecimal digits (either case) at `pos` of a line. Empty
// when a character is not a hex digit; the caller has checked the length.
std::optional<std::uint32_t> HexField(const QByteArray &line, qsizetype pos, int digits);

// Appends `value` as `digits` upper-case hexadecimal digits.
void AppendHex(QByteArray &out, std::uint32_t value, int digits);

} // namespace rindle::files
