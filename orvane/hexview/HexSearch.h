#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace orvane::hexview {

// Search helpers of the hex view, free of any widget so that the dialog's
// search can be tested and measured on plain byte blocks.

// The bytes of a search text: lower-cased through the code page's case table
// when ignoreCase is set. isText is kept for translations other than
// as-is, which this control does not offer, so it changes nothing.
QByteArray PrepareSearch(const QByteArray &text, bool ignoreCase, bool isText);

// First position p in [start, end] where pattern[0..length) matches the data,
// the whole match lying at or before end; -1 when there is none. end is
// limited to size - 1 and a negative start counts as 0. With ignoreCase each
// data byte is lower-cased before the comparison while the pattern bytes are
// taken as they are, so a case-free pattern must come from PrepareSearch.
qint64 FindPattern(const std::uint8_t *data, qint64 size, const std::uint8_t *pattern,
                   qint64 length, qint64 start, qint64 end, bool ignoreCase);

// Hex digits taken in pairs, every other character skipped; a last digit
// without a partner is dropped. The first digit of a pair is the high nibble,
// or the low one with swapNibbles.
QByteArray HexTextToBytes(const QString &text, bool swapNibbles);

} // namespace orvane::hexview
